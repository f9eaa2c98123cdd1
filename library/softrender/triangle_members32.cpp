// Textured members of the triangle mapper for 32-bit images.
#include "softrender/triangle_walk.h"

namespace softrender {
const TriangleTable kTriangleTable32 = MakeMemberTable<1, CORE_MAPPED, TriangleWalker, TriangleJob>();
}  // namespace softrender
