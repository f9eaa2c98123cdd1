// The surface back end's drawing: selecting the draw target, clearing it,
// graph blits, line lists and vertex primitives through the software
// renderer, text, screen captures into graphs and the blend-graph weights.
#include "graphics/directdraw/dd_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "core/routines.h"
#include "graphics/directdraw/dd_system.h"
#include "graphics/draw_front.h"
#include "graphics/font/font_draw.h"
#include "graphics/font/font_handle.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/color_data.h"
#include "graphics/mask_screen.h"
#include "graphics/screen_backend.h"
#include "graphics/screen_settings.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"
#include "platform/surface_memory.h"
#include "softrender/primitive/primitive.h"
#include "graphics/software_screen_draw.h"

namespace {

struct DDDrawState {
    DDDrawTarget target{};
    MEMIMG targetView{};   // a derived graph's part of its MEMIMG record
};
DDDrawState g_ddDraw;

bool Usable() { return GetSoftwareRenderFlag() || GetDDSys().objectExists; }

// Where software drawing on software screens goes.
MEMIMG* SoftwareDestination() {
    return GetMaskActiveFlag() ? GetMaskMemImg() : g_ddDraw.target.drawMemImg;
}

const MEMIMG* SourceOf(const Surface2D* s, SurfaceData* data, MEMIMG* view) {
    if (s->Width == data->Width && s->Height == data->Height) return &data->MemImg;
    std::memset(view, 0, sizeof *view);
    DerivationMemImg(view, &data->MemImg, s->SrcX, s->SrcY, s->Width, s->Height);
    return view;
}

// A MEMIMG view of a locked memory surface for the length of one draw.
class LockedSurfaceView {
public:
    LockedSurfaceView(MemSurface* surface, int offsetX, int offsetY, int width, int height, uint32_t key) {
        void* pixels = nullptr;
        int pitch = 0;
        if (surface == nullptr || MemSurfaceLock(surface, nullptr, &pitch, &pixels) != 0) return;
        surface_ = surface;
        ready_ = ViewLockedPixels(&view_, pixels, pitch, offsetX, offsetY, width, height, key);
    }
    ~LockedSurfaceView() {
        if (surface_) MemSurfaceUnlock(surface_);
    }
    LockedSurfaceView(const LockedSurfaceView&) = delete;
    LockedSurfaceView& operator=(const LockedSurfaceView&) = delete;
    MEMIMG* image() { return ready_ ? &view_ : nullptr; }

private:
    MEMIMG view_{};
    MemSurface* surface_ = nullptr;
    bool ready_ = false;
};

}  // namespace

const DDDrawTarget& GetDDDrawTarget() { return g_ddDraw.target; }

void ClearDDDrawTarget() {
    g_ddDraw.target = DDDrawTarget{};
    std::memset(&g_ddDraw.targetView, 0, sizeof g_ddDraw.targetView);
    MemImgDrawStateData.DrawScreenImage = nullptr;
}

int G_DD_SetDrawScreen(int newScreen, int previousScreen) {
    DDDrawTarget t{};
    DDSysData& dd = GetDDSys();
    if (newScreen == SCREEN_FRONT) {
        t.drawSurface = dd.primary;
        t.drawMemImg = GetFrontMemImg();
    } else if (newScreen == SCREEN_BACK) {
        t.drawSurface = dd.back;
        t.drawMemImg = GetBackMemImg();
        t.drawDepthMemImg = GetBackZMemImg();
    } else {
        const GraphData* g = GetGraphData(newScreen);
        if (g == nullptr || g->Settings.TextureFlag) return -1;
        const Surface2D* s = GetSurface2D(g->SurfaceHandle);
        if (s == nullptr) return -1;
        SurfaceData* data = GetSurfaceData(s->SurfaceDataHandle);
        if (data == nullptr) return -1;
        if (data->UseMemImgFlag) {
            // A derived graph draws into its own part of the shared image.
            t.drawMemImg = const_cast<MEMIMG*>(SourceOf(s, data, &g_ddDraw.targetView));
        } else {
            t.drawSurface = data->Surface;
            t.offsetX = s->SrcX;
            t.offsetY = s->SrcY;
        }
        t.drawDepthMemImg = CheckValidMemImg(&data->ZMemImg) ? &data->ZMemImg : nullptr;
    }
    g_ddDraw.target = t;
    MemImgDrawStateData.DrawScreenImage = t.drawMemImg;
    return 0;
}

int G_DD_ClearDrawScreen() {
    const DDDrawTarget& t = g_ddDraw.target;
    if (!Usable()) return -1;
    // Clearing fills the whole target whatever the blend mode.
    if (t.drawMemImg != nullptr) {
        ClearMemImg(t.drawMemImg, nullptr, PackColorData(t.drawMemImg->ColorFormat, 0, 0, 0, 255));
        if (t.drawDepthMemImg) ClearMemImg(t.drawDepthMemImg, nullptr, 0xFFFF);
        return 0;
    }
    if (t.drawSurface == nullptr) return -1;
    int w = 0, h = 0;
    GetGraphSizeImpl(GetDrawScreen(), &w, &h);
    const SurfaceRect r{t.offsetX, t.offsetY, t.offsetX + w, t.offsetY + h};
    MemSurfaceColorFill(t.drawSurface, &r, uint32_t(GetColorImpl(0, 0, 0)));
    return 0;
}

namespace {
// The graph behind a 2D surface handle: its surface record and pixel data.
bool SurfaceOf(int surface2DHandle, const Surface2D** s, SurfaceData** data) {
    *s = GetSurface2D(surface2DHandle);
    if (*s == nullptr) return false;
    *data = GetSurfaceData((*s)->SurfaceDataHandle);
    return *data != nullptr;
}
}  // namespace

int SoftwareScreenBltGraph(int x, int y, int surface2DHandle, int transFlag) {
    const Surface2D* s;
    SurfaceData* data;
    if (!Usable() || !SurfaceOf(surface2DHandle, &s, &data)) return -1;
    MEMIMG view;
    MEMIMG* dest = SoftwareDestination();
    if (dest == nullptr) return -1;
    MemImgDrawGraphBase(dest, SourceOf(s, data, &view), x, y, transFlag, GetBlendGraphMemImg());
    return 0;
}

int SurfaceScreenBltGraph(int x, int y, int surface2DHandle, int transFlag) {
    const Surface2D* s;
    SurfaceData* data;
    if (!Usable() || !SurfaceOf(surface2DHandle, &s, &data)) return -1;
    DrawRect area;
    GetDrawArea(&area);
    DrawRect dest{std::max(x, area.left), std::max(y, area.top), int(std::min(0LL + x + s->Width, 0LL + area.right)),
                  int(std::min(0LL + y + s->Height, 0LL + area.bottom))};
    if (dest.left >= dest.right || dest.top >= dest.bottom) return 0;
    const DrawRect src{dest.left - x, dest.top - y, dest.right - x, dest.bottom - y};
    if (BeginDrawTargetLock(s, 1, &src, &dest) != 0) return -1;
    DrawTargetLock& lock = GetDrawTargetLock();
    if (lock.directBlitFlag) {
        const SurfaceRect r{lock.directSourceRect[0], lock.directSourceRect[1], lock.directSourceRect[2],
                            lock.directSourceRect[3]};
        MemSurfaceBlt(g_ddDraw.target.drawSurface, lock.directDestX, lock.directDestY, lock.directSource, &r,
                      transFlag);
        return 0;
    }
    MemImgDrawGraphBase(lock.destImage, lock.sourceImage, x, y, transFlag, GetBlendGraphMemImg());
    EndDrawTargetLock();
    return 0;
}

// A software image onto the draw target, keyed, as the graph blit does it.
int SoftwareScreenBltMemImg(int x, int y, const MEMIMG* src) {
    MEMIMG* dest = SoftwareDestination();
    if (dest == nullptr) return -1;
    MemImgDrawGraphBase(dest, src, x, y, 1, GetBlendGraphMemImg());
    return 0;
}

int SurfaceScreenBltMemImg(int x, int y, const MEMIMG* src) {
    DrawRect area;
    GetDrawArea(&area);
    const DrawRect dest{std::max(x, area.left), std::max(y, area.top),
                        int(std::min(0LL + x + src->Width, 0LL + area.right)),
                        int(std::min(0LL + y + src->Height, 0LL + area.bottom))};
    if (dest.left >= dest.right || dest.top >= dest.bottom) return 0;
    if (BeginDrawTargetLock(nullptr, 0, nullptr, &dest) != 0) return -1;
    MemImgDrawGraphBase(GetDrawTargetLock().destImage, src, x, y, 1, GetBlendGraphMemImg());
    EndDrawTargetLock();
    return 0;
}

MEMIMG* SoftwareScreenDrawImage() { return SoftwareDestination(); }
MEMIMG* SurfaceScreenDrawImage() { return g_ddDraw.target.drawMemImg; }

namespace {
// What a primitive draw needs: the texture graph's records (none for -5).
struct PrimitiveDraw {
    const Surface2D* surface = nullptr;   // the texture graph's records, none for -5
    SurfaceData* data = nullptr;
    MEMIMG* depth = nullptr;
    int plain = 0;                        // the vertices are not transformed
};

// The checks both screen kinds make: -1 refuses the draw, 0 leaves nothing to
// draw, 1 draws with *p.
int PreparePrimitive(const GraphData* graph, int vertexCount, int noTransformFlag, int useDepthFlag,
                     PrimitiveDraw* p) {
    if (!Usable() || (graph != nullptr && !SurfaceOf(graph->SurfaceHandle, &p->surface, &p->data))) return -1;
    if (vertexCount < 3) return 0;
    p->depth = useDepthFlag == 1 ? g_ddDraw.target.drawDepthMemImg : nullptr;
    p->plain = noTransformFlag != 1 ? 1 : 0;
    return 1;
}
}  // namespace

int SoftwareScreenDrawPrimitive(const PrimitiveVertex* triangles, int vertexCount, const GraphData* graph,
                                int transFlag, int noTransformFlag, int useDepthFlag) {
    PrimitiveDraw p;
    const int ready = PreparePrimitive(graph, vertexCount, noTransformFlag, useDepthFlag, &p);
    if (ready <= 0) return ready;
    MEMIMG view;
    MEMIMG* texture = p.data ? const_cast<MEMIMG*>(SourceOf(p.surface, p.data, &view)) : nullptr;
    MEMIMG* dest = SoftwareDestination();
    if (dest == nullptr) return -1;
    for (int i = 0; i + 3 <= vertexCount; i += 3)
        MemImgDrawPrimitiveBase(dest, p.depth, texture, triangles + i, transFlag, GetBlendGraphMemImg(), 0, p.plain,
                                p.plain, 0);
    return 0;
}

int SurfaceScreenDrawPrimitive(const PrimitiveVertex* triangles, int vertexCount, const GraphData* graph,
                               int transFlag, int noTransformFlag, int useDepthFlag) {
    PrimitiveDraw p;
    const int ready = PreparePrimitive(graph, vertexCount, noTransformFlag, useDepthFlag, &p);
    if (ready <= 0) return ready;
    const Surface2D* s = p.surface;
    float l = 1000000, t = 1000000, r = -1000000, b = -1000000;
    for (int i = 0; i < vertexCount; ++i) {
        l = std::min(l, triangles[i].x);
        t = std::min(t, triangles[i].y);
        r = std::max(r, triangles[i].x);
        b = std::max(b, triangles[i].y);
    }
    const DrawRect box = ClampedRect(std::trunc(l) - 1, std::trunc(t) - 1, std::trunc(r) + 1, std::trunc(b) + 1);
    DrawRect drawArea;
    GetDrawArea(&drawArea);
    // Wholly outside the draw area: nothing to draw, as for the blits.
    if (box.right <= drawArea.left || box.left >= drawArea.right || box.bottom <= drawArea.top ||
        box.top >= drawArea.bottom)
        return 0;
    const DrawRect area{0, 0, s ? s->Width : 0, s ? s->Height : 0};
    if (BeginDrawTargetLock(s, 0, s ? &area : nullptr, &box) != 0) return -1;
    DrawTargetLock& lock = GetDrawTargetLock();
    // The vertex colour goes with the vertices on both screen kinds, so a
    // coloured thick line keeps its colour.
    for (int i = 0; i + 3 <= vertexCount; i += 3)
        MemImgDrawPrimitiveBase(lock.destImage, p.depth, s ? lock.sourceImage : nullptr, triangles + i, transFlag,
                                GetBlendGraphMemImg(), 0, p.plain, p.plain, 0);
    EndDrawTargetLock();
    return 0;
}

int G_DD_GetDrawScreenGraph(int x1, int y1, int x2, int y2, const GraphData* graph) {
    if (!Usable() || graph == nullptr) return -1;
    int w = 0, h = 0;
    GetGraphSizeImpl(GetDrawScreen(), &w, &h);
    // Worked out wide: corners far apart, or reversed across the int range, must not wrap to the graph's size.
    const int64_t width = int64_t(x2) - x1, height = int64_t(y2) - y1;
    if (width < 1 || height < 1 || width != graph->Width || height != graph->Height) return -1;
    if (x1 < 0 || y1 < 0 || x2 > w || y2 > h) return -1;
    const Surface2D* s = GetSurface2D(graph->SurfaceHandle);
    if (s == nullptr) return -1;
    SurfaceData* data = GetSurfaceData(s->SurfaceDataHandle);
    if (data == nullptr) return -1;
    if (ScreenRoad().frontFollowsWindow && GetDrawScreen() == SCREEN_FRONT) CopyWindowToFrontImage();

    // The screen side and the graph side as images; surfaces are locked for it.
    const DDDrawTarget& t = g_ddDraw.target;
    const MEMIMG* from = t.drawMemImg;
    LockedSurfaceView screenView(from ? nullptr : t.drawSurface, t.offsetX, t.offsetY, w, h, 0);
    if (from == nullptr) from = screenView.image();
    if (from == nullptr) return -1;
    MEMIMG graphView{};
    LockedSurfaceView lockedGraph(data->UseMemImgFlag ? nullptr : data->Surface, s->SrcX, s->SrcY, s->Width,
                                  s->Height, 0);
    MEMIMG* to = data->UseMemImgFlag ? const_cast<MEMIMG*>(SourceOf(s, data, &graphView)) : lockedGraph.image();
    if (to == nullptr) return -1;
    const ImageRect r{x1, y1, x2, y2};
    BltMemImg(to, from, &r, 0, 0);
    // Screens carry no alpha: a graph with an alpha channel gets opaque pixels.
    if (to->AlphaFlag) {
        for (int y = 0; y < to->Height; ++y) {
            unsigned char* row = to->Pixels + size_t(y) * to->Pitch;
            const int bytes = to->ColorFormat->PixelByte;
            for (int x = 0; x < to->Width; ++x) {
                uint32_t v = 0;
                std::memcpy(&v, row + x * bytes, size_t(bytes));
                v |= to->ColorFormat->AlphaMask;
                std::memcpy(row + x * bytes, &v, size_t(bytes));
            }
        }
    }
    return 0;
}

int G_DD_SetBlendGraphParam(const GraphData*, int borderParam, int borderRange) {
    MakeBlendGraphWeightTable(borderParam, borderRange);
    return 0;
}

// ---- text ----------------------------------------------------------------------
// Glyphs are written straight into a software image: the draw target, or,
// when the text must be blended, the font's work image, which is then drawn
// onto the target like a keyed graph with the current blend mode.
namespace {

ImageRect AreaRect() {
    DrawRect a;
    GetDrawArea(&a);
    return ImageRect{a.left, a.top, a.right, a.bottom};
}

// A colour as the glyph writer puts it down: scaled by the draw brightness.
int BrightenedColor(int color, uint32_t bright) {
    int r = 0, g = 0, b = 0;
    GetColorRGBImpl(color, &r, &g, &b);
    return GetColorImpl(r * int(bright >> 16 & 0xFF) / 255, g * int(bright >> 8 & 0xFF) / 255,
                        b * int(bright & 0xFF) / 255);
}

// The work image's transparent colour: one that no glyph pixel can take,
// also after the brightness has scaled the text and edge colours.
uint32_t ChooseWorkKey(int color, int edgeColor, uint32_t bright) {
    const int taken[4] = {color, edgeColor, BrightenedColor(color, bright), BrightenedColor(edgeColor, bright)};
    uint32_t key = 0;
    for (bool clash = true; clash;) {
        clash = false;
        for (int c : taken) {
            if (uint32_t(c) == key) {
                ++key;
                clash = true;
            }
        }
    }
    return key;
}

// Multiplying by an image with alpha scales by the alpha and leaves no pixel
// alone, so empty pixels would blacken the target. For that mode the
// coverage is folded into the colour (towards white) and the pixels are
// viewed as a keyed image without alpha, in place.
bool FoldCoverageForMultiply(MEMIMG* work, const ImageRect& part, uint32_t key, MEMIMG* view) {
    const bool wide = work->Format == MEMIMG_FORMAT_X8R8G8B8;
    for (int y = part.top; y < part.bottom; ++y) {
        unsigned char* row = work->Pixels + size_t(y) * size_t(work->Pitch);
        // Left to right, a 16-bit result never overwrites a pixel not yet read.
        for (int x = part.left; x < part.right; ++x) {
            uint32_t v;
            std::memcpy(&v, row + size_t(x) * 4, 4);
            const uint32_t a = wide ? v >> 24 : (v >> 16 & 0xFF);
            int rgb[3];
            if (wide) {
                rgb[0] = int(v >> 16 & 0xFF), rgb[1] = int(v >> 8 & 0xFF), rgb[2] = int(v & 0xFF);
            } else {
                rgb[0] = int(v >> 11 & 0x1F) * 255 / 31, rgb[1] = int(v >> 5 & 0x3F) * 255 / 63,
                rgb[2] = int(v & 0x1F) * 255 / 31;
            }
            for (int& c : rgb) c = (c * int(a) + 255 * (255 - int(a))) / 255;
            uint32_t out;
            if (wide) {
                out = a == 0 ? key : 0xFF000000u | uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | uint32_t(rgb[2]);
                std::memcpy(row + size_t(x) * 4, &out, 4);
            } else {
                out = a == 0 ? key : uint32_t(rgb[0] >> 3 << 11 | rgb[1] >> 2 << 5 | rgb[2] >> 3);
                if (a != 0 && out == key) out ^= 1;   // one step of blue rather than a hole
                const uint16_t o = uint16_t(out);
                std::memcpy(row + size_t(x) * 2, &o, 2);
            }
        }
    }
    std::memset(view, 0, sizeof *view);
    view->Pixels = work->Pixels;
    return InitializeMemImg(view, work->Width, work->Height, work->Pitch, key,
                            wide ? MEMIMG_FORMAT_X8R8G8B8 : MEMIMG_FORMAT_R5G6B5, 0, 0, 0) == 0;
}

int DrawStringDirect(int x, int y, const char* string, int color, int fontHandle, int edgeColor,
                     int verticalFlag) {
    const DDDrawTarget& t = g_ddDraw.target;
    const ImageRect clip = AreaRect();
    const uint32_t bright = GetGraphDrawState().DrawBright;
    MEMIMG* dest = ScreenRoad().drawImage();
    int w = 0, h = 0;
    GetGraphSizeImpl(GetDrawScreen(), &w, &h);
    LockedSurfaceView view(dest ? nullptr : t.drawSurface, t.offsetX, t.offsetY, w, h, 0);
    if (dest == nullptr) dest = view.image();
    if (dest == nullptr) return -1;
    const int drawn =
        DrawFontStringToMemImg(dest, &clip, x, y, string, color, edgeColor, fontHandle, verticalFlag, bright);
    return drawn < 0 ? -1 : 0;
}

// Blended text: drawn into the font's work image over a transparent key,
// then the work image goes onto the target through the blit, which applies
// the blend mode; the brightness is already in the glyph colours.
int DrawStringThroughWorkImage(int x, int y, const char* string, int color, int fontHandle, int edgeColor,
                               int verticalFlag, const int size[2], int margin) {
    const int surface = GetFontDrawScreenSurface(fontHandle);
    const Surface2D* s = GetSurface2D(surface);
    if (s == nullptr) return -1;
    SurfaceData* data = GetSurfaceData(s->SurfaceDataHandle);
    if (data == nullptr) return -1;

    // The advances do not bound the glyphs: a glyph may reach past its
    // advance or left of its pen (oversized, slanted, turned for vertical
    // text). A margin of one cell on every side keeps every pixel that
    // unblended text would show. The visible part of that rectangle goes to
    // the work image's top-left corner, so text far off the screen still fits.
    DrawRect text =
        ClampedRect(double(x) - margin, double(y) - margin, double(x) + size[0] + margin, double(y) + size[1] + margin);
    DrawRect saved;
    GetDrawArea(&saved);
    RectClippingImpl(&text, &saved);
    if (text.left >= text.right || text.top >= text.bottom) return 0;
    const int originX = text.left, originY = text.top;
    const ImageRect part{0, 0, text.right - text.left, text.bottom - text.top};

    const uint32_t bright = GetGraphDrawState().DrawBright;
    const uint32_t key = ChooseWorkKey(color, edgeColor, bright);
    int drawn = -1;
    if (data->UseMemImgFlag) {
        MEMIMG* work = &data->MemImg;
        if (!CheckValidMemImg(work)) return -1;
        // Alpha images mark empty pixels with alpha 0; the others with the key.
        ClearMemImg(work, &part, work->AlphaFlag ? key & ~work->ColorFormat->AlphaMask : key);
        work->ColorKey = key;
        work->RunDataFlag = 0;
        work->PremulFlag = 0;
        drawn = DrawFontStringToMemImg(work, &part, x - originX, y - originY, string, color, edgeColor, fontHandle,
                                       verticalFlag, bright);
    } else {
        if (data->Surface == nullptr || MemSurfaceSetColorKey(data->Surface, key) != 0) return -1;
        LockedSurfaceView view(data->Surface, s->SrcX, s->SrcY, s->Width, s->Height, key);
        if (view.image() == nullptr) return -1;
        ClearMemImg(view.image(), &part, key);
        drawn = DrawFontStringToMemImg(view.image(), &part, x - originX, y - originY, string, color, edgeColor,
                                       fontHandle, verticalFlag, bright);
    }
    if (drawn < 0) return -1;

    MEMIMG folded;
    const bool fold = data->UseMemImgFlag && data->MemImg.AlphaFlag && GetGraphDrawState().BlendMode == ZV_BLEND_MUL;
    if (fold && !FoldCoverageForMultiply(&data->MemImg, part, key, &folded)) return -1;

    SetDrawBrightColor(0xFFFFFF);
    SetDrawArea(text.left, text.top, text.right, text.bottom);
    const int result =
        fold ? ScreenRoad().bltMemImg(originX, originY, &folded) : ScreenRoad().bltGraph(originX, originY, surface, 1);
    SetDrawArea(saved.left, saved.top, saved.right, saved.bottom);
    SetDrawBrightColor(bright);
    return result < 0 ? -1 : 0;
}

}  // namespace

int G_DD_DrawString(int x, int y, const char* string, int color, int fontHandle, int edgeColor, int verticalFlag) {
    if (!Usable()) return -1;
    const FontManageData* f = GetFontManageData(fontHandle);
    if (f == nullptr) return -1;
    if (string == nullptr || string[0] == '\0') return 0;
    // Fonts made while the 3D road was up keep their glyphs in a texture,
    // which only that road draws.
    if (f->textureCache) return -1;
    if (InitFontCacheGraph(fontHandle) != 0) return -1;
    const GraphDrawState& ds = GetGraphDrawState();
    const bool antialias = (f->type & FONT_TYPE_ANTIALIAS) != 0;
    const bool plainAlpha = ds.BlendMode == ZV_BLEND_ALPHA && ds.BlendParam == 255 && !antialias;
    const bool blended = GetScreenColorBitDepth() != 8 && (ds.BlendMode != ZV_BLEND_NOBLEND || antialias) &&
                         !plainAlpha;
    if (!blended) return DrawStringDirect(x, y, string, color, fontHandle, edgeColor, verticalFlag);
    int size[2] = {0, 0};
    if (DrawStringCore(0, 0, 0, string, color, nullptr, nullptr, 1, fontHandle, edgeColor, -1, verticalFlag, size,
                       0xFFFFFF) < 0)
        return -1;
    return DrawStringThroughWorkImage(x, y, string, color, fontHandle, edgeColor, verticalFlag, size, f->cellWidth);
}

// ---- software drawing on surface screens ---------------------------------------
// Adapter: the software renderer's entry points draw only into the MEMIMG
// the draw state names as screen. For one call we lock the target surface,
// name a view of it as that screen, and give a surface graph a view of its
// locked pixels in its record; everything is put back afterwards.
namespace {

class SurfaceDrawScope {
public:
    explicit SurfaceDrawScope(const GraphData* graph) {
        const DDDrawTarget& t = g_ddDraw.target;
        if (!Usable()) return;
        MEMIMG* dest = t.drawMemImg;
        if (dest == nullptr) {
            int w = 0, h = 0;
            GetGraphSizeImpl(GetDrawScreen(), &w, &h);
            dest = target_.emplace(t.drawSurface, t.offsetX, t.offsetY, w, h, 0).image();
            if (dest == nullptr) return;
        }
        if (graph != nullptr && !InstallGraphView(graph)) return;
        MemImgDrawState& st = MemImgDrawStateData;
        savedFlag_ = st.ScreenMemImgFlag;
        savedImage_ = st.DrawScreenImage;
        savedMask_ = st.MaskUseFlag;
        st.ScreenMemImgFlag = 1;
        st.DrawScreenImage = dest;
        st.MaskUseFlag = 0;
        ready_ = true;
    }
    ~SurfaceDrawScope() {
        if (ready_) {
            MemImgDrawState& st = MemImgDrawStateData;
            st.ScreenMemImgFlag = savedFlag_;
            st.DrawScreenImage = savedImage_;
            st.MaskUseFlag = savedMask_;
        }
        if (graphData_) {
            std::memset(&graphData_->MemImg, 0, sizeof(MEMIMG));
            MemSurfaceUnlock(graphData_->Surface);
        }
    }
    bool ready() const { return ready_; }

private:
    bool InstallGraphView(const GraphData* graph) {
        const Surface2D* s = GetSurface2D(graph->SurfaceHandle);
        if (s == nullptr) return false;
        SurfaceData* data = GetSurfaceData(s->SurfaceDataHandle);
        if (data == nullptr) return false;
        if (data->UseMemImgFlag) return true;
        void* pixels = nullptr;
        int pitch = 0;
        if (data->Surface == nullptr || MemSurfaceLock(data->Surface, nullptr, &pitch, &pixels) != 0) return false;
        graphData_ = data;
        uint32_t key = 0;
        MemSurfaceGetColorKey(data->Surface, &key);
        return ViewLockedPixels(&data->MemImg, pixels, pitch, 0, 0, data->Width, data->Height, key);
    }

    // Declared first, so the target stays locked until everything else is put back.
    std::optional<LockedSurfaceView> target_;
    SurfaceData* graphData_ = nullptr;
    bool ready_ = false;
    int32_t savedFlag_ = 0, savedMask_ = 0;
    MEMIMG* savedImage_ = nullptr;
};

}  // namespace

int SurfaceDrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int transFlag) {
    SurfaceDrawScope scope(graph);
    return scope.ready() ? MemImgDrawExtendGraph(x1, y1, x2, y2, graph, transFlag, -1) : -1;
}

int SurfaceDrawRotaGraph(float x, float y, double scale, double angle, const GraphData* graph, int transFlag,
                         int turnFlag) {
    SurfaceDrawScope scope(graph);
    return scope.ready() ? MemImgDrawRotaGraph(x, y, scale, angle, graph, transFlag, turnFlag) : -1;
}

int SurfaceDrawModiGraph(const float* c, const GraphData* graph, int transFlag) {
    SurfaceDrawScope scope(graph);
    return scope.ready() ? MemImgDrawModiGraph(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], graph, transFlag)
                         : -1;
}

int SurfaceDrawLine(int x1, int y1, int x2, int y2, uint32_t color) {
    SurfaceDrawScope scope(nullptr);
    return scope.ready() ? MemImgDrawLine(x1, y1, x2, y2, color) : -1;
}

int SurfaceDrawBox(int x1, int y1, int x2, int y2, uint32_t color, int fillFlag) {
    SurfaceDrawScope scope(nullptr);
    return scope.ready() ? SoftwareScreenDrawBox(x1, y1, x2, y2, color, fillFlag) : -1;
}

int SurfaceDrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag) {
    SurfaceDrawScope scope(nullptr);
    return scope.ready() ? MemImgDrawTriangle(x1, y1, x2, y2, x3, y3, color, fillFlag) : -1;
}
