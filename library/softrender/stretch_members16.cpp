// Members of the stretched transfer for 16-bit images.
#include "softrender/stretch_walk.h"

namespace softrender {
const StretchTable kStretchTable16 = MakeMemberTable<0, CORE_STRETCH, StretchWalker, StretchJob>();
}  // namespace softrender
