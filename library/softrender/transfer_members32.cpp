// Members of the plain rectangle transfer for 32-bit images.
#include "softrender/rect_walk.h"

namespace softrender {
const RectTable kRectTable32 = MakeMemberTable<1, CORE_RECT, RectWalker, RectJob>();
const RectTable kRunTable32 = MakeMemberTable<1, CORE_RECT, RunWalker, RectJob>();
}  // namespace softrender
