// Textured members of the triangle mapper for 16-bit images.
#include "softrender/triangle_walk.h"

namespace softrender {
const TriangleTable kTriangleTable16 = MakeMemberTable<0, CORE_MAPPED, TriangleWalker, TriangleJob>();
}  // namespace softrender
