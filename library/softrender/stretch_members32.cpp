// Members of the stretched transfer for 32-bit images.
#include "softrender/stretch_walk.h"

namespace softrender {
const StretchTable kStretchTable32 = MakeMemberTable<1, CORE_STRETCH, StretchWalker, StretchJob>();
}  // namespace softrender
