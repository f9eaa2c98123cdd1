// Members of the rotated transfer for 32-bit images.
#include "softrender/rotate_walk.h"

namespace softrender {
const RotateTable kRotateTable32 = MakeMemberTable<1, CORE_MAPPED, RotateWalker, RotateJob>();
}  // namespace softrender
