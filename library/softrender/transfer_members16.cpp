// Members of the plain rectangle transfer for 16-bit images.
#include "softrender/rect_walk.h"

namespace softrender {
const RectTable kRectTable16 = MakeMemberTable<0, CORE_RECT, RectWalker, RectJob>();
const RectTable kRunTable16 = MakeMemberTable<0, CORE_RECT, RunWalker, RectJob>();
}  // namespace softrender
