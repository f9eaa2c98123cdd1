// Members of the rotated transfer for 16-bit images.
#include "softrender/rotate_walk.h"

namespace softrender {
const RotateTable kRotateTable16 = MakeMemberTable<0, CORE_MAPPED, RotateWalker, RotateJob>();
}  // namespace softrender
