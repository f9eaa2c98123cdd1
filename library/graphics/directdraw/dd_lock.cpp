// The draw-target lock: a MEMIMG view of the locked draw target (and of a
// source surface) for software drawing on surface screens, and the copies
// between the software front image and the window.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/library_state.h"
#include "graphics/screen_backend.h"
#include "graphics/directdraw/dd_draw.h"
#include "graphics/directdraw/dd_system.h"
#include "graphics/draw_front.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/color_data.h"
#include "graphics/mask_screen.h"
#include "graphics/screen_settings.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"
#include "platform/presenter_sdl.h"
#include "platform/surface_memory.h"

namespace {

DrawTargetLock g_lock;

PresenterFormat PresenterFormatOf(const MEMIMG* img) {
    return img->Format == MEMIMG_FORMAT_R5G6B5 ? PRESENTER_R5G6B5 : PRESENTER_X8R8G8B8;
}

}  // namespace

DrawTargetLock& GetDrawTargetLock() { return g_lock; }

int ScreenMemImgFormat() { return GetScreenColorBitDepth() == 16 ? MEMIMG_FORMAT_R5G6B5 : MEMIMG_FORMAT_X8R8G8B8; }

bool ViewLockedPixels(MEMIMG* view, void* pixels, int pitch, int offsetX, int offsetY, int width, int height,
                      uint32_t key) {
    const int format = ScreenMemImgFormat();
    std::memset(view, 0, sizeof *view);
    view->Pixels = static_cast<unsigned char*>(pixels) + offsetY * pitch + offsetX * GetMemImgPixelBytes(format, 0, 0);
    return InitializeMemImg(view, width, height, pitch, key, format, 0, 0, 0) == 0;
}

MEMIMG* GetBlendGraphMemImg() {
    const int handle = GetGraphDrawState().BlendGraph;
    if (handle == -1) return nullptr;
    const GraphData* g = GetGraphData(handle);
    if (g == nullptr || g->Settings.TextureFlag) return nullptr;
    const Surface2D* s = GetSurface2D(g->SurfaceHandle);
    if (s == nullptr) return nullptr;
    SurfaceData* data = GetSurfaceData(s->SurfaceDataHandle);
    if (data == nullptr || !CheckValidMemImg(&data->MemImg)) return nullptr;
    return &data->MemImg;
}

// Our display formats are the software renderer's own (X8R8G8B8 or R5G6B5),
// so the target and the source are viewed in place, never converted.
int BeginDrawTargetLock(const Surface2D* source, int directBlitAllowed, const DrawRect* srcRect,
                        const DrawRect* destRect) {
    if (GetSoftwareScreenFlag()) return 0;
    // What the 3D device drew goes to the surface before it is locked.
    ScreenRoad().settleFor2D();
    const DDDrawTarget& t = GetDDDrawTarget();
    const GraphDrawState& ds = GetGraphDrawState();
    SurfaceData* sourceData = nullptr;
    if (source != nullptr) {
        sourceData = GetSurfaceData(source->SurfaceDataHandle);
        if (sourceData == nullptr) return -1;
    }
    const bool plainMode = ds.BlendMode == 0 || (ds.BlendMode == 1 && ds.BlendParam == 255);
    const bool readsDest = !plainMode || (sourceData && sourceData->Settings.AlphaFlag) || ds.BlendGraph != -1;

    if (directBlitAllowed == 1 && sourceData && !readsDest && (ds.DrawBright & 0xFFFFFF) == 0xFFFFFF &&
        !sourceData->UseMemImgFlag && sourceData->Surface && t.drawSurface && srcRect && destRect) {
        g_lock.directBlitFlag = 1;
        g_lock.directSource = sourceData->Surface;
        g_lock.directSourceRect[0] = srcRect->left + source->SrcX;
        g_lock.directSourceRect[1] = srcRect->top + source->SrcY;
        g_lock.directSourceRect[2] = srcRect->right + source->SrcX;
        g_lock.directSourceRect[3] = srcRect->bottom + source->SrcY;
        g_lock.directDestX = destRect->left + t.offsetX;
        g_lock.directDestY = destRect->top + t.offsetY;
        return 0;
    }
    g_lock.directBlitFlag = 0;
    if (destRect == nullptr) return -1;
    DrawRect clipped = *destRect;
    DrawRect area;
    GetDrawArea(&area);
    RectClippingImpl(&clipped, &area);
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return -1;

    int w = 0, h = 0;
    GetGraphSizeImpl(GetDrawScreen(), &w, &h);
    if (t.drawMemImg != nullptr) {
        g_lock.destImage = t.drawMemImg;
    } else {
        void* pixels = nullptr;
        int pitch = 0;
        // A failed lock is reported: callers skip the draw and do not end it.
        if (t.drawSurface == nullptr || MemSurfaceLock(t.drawSurface, nullptr, &pitch, &pixels) != 0) return -1;
        g_lock.lockedDest = t.drawSurface;
        ViewLockedPixels(&g_lock.workImage, pixels, pitch, t.offsetX, t.offsetY, w, h, 0);
        g_lock.destImage = &g_lock.workImage;
    }

    g_lock.sourceImage = nullptr;
    if (sourceData != nullptr) {
        if (sourceData->UseMemImgFlag) {
            if (source->Width == sourceData->Width && source->Height == sourceData->Height) {
                g_lock.sourceImage = &sourceData->MemImg;
            } else {
                std::memset(&g_lock.sourceView, 0, sizeof g_lock.sourceView);
                DerivationMemImg(&g_lock.sourceView, &sourceData->MemImg, source->SrcX, source->SrcY, source->Width,
                                 source->Height);
                g_lock.sourceImage = &g_lock.sourceView;
            }
        } else {
            void* pixels = nullptr;
            int pitch = 0;
            if (sourceData->Surface == nullptr ||
                MemSurfaceLock(sourceData->Surface, nullptr, &pitch, &pixels) != 0) {
                EndDrawTargetLock();
                return -1;
            }
            g_lock.lockedSource = sourceData->Surface;
            uint32_t key = 0;
            MemSurfaceGetColorKey(sourceData->Surface, &key);
            ViewLockedPixels(&g_lock.sourceView, pixels, pitch, source->SrcX, source->SrcY, source->Width,
                             source->Height, key);
            g_lock.sourceImage = &g_lock.sourceView;
        }
    }
    return 0;
}

int EndDrawTargetLock() {
    if (GetSoftwareScreenFlag()) return 0;
    if (g_lock.lockedDest) MemSurfaceUnlock(g_lock.lockedDest);
    if (g_lock.lockedSource) MemSurfaceUnlock(g_lock.lockedSource);
    g_lock.lockedDest = nullptr;
    g_lock.lockedSource = nullptr;
    return 0;
}

// The window's picture back into the software front image.
int CopyWindowToFrontImage() {
    DDSysData& dd = GetDDSys();
    if (!dd.memImgScreens || GetDisplayColorBitDepth() == 8 || !dd.windowCopyFlag) return 0;
    MEMIMG* front = &dd.primaryImage;
    if (front->Format == MEMIMG_FORMAT_X8R8G8B8) {
        PresenterReadBack(reinterpret_cast<uint32_t*>(front->Pixels), front->Pitch, nullptr);
    } else {
        std::vector<uint32_t> rows(size_t(front->Width) * size_t(front->Height));
        if (PresenterReadBack(rows.data(), front->Width * 4, nullptr)) {
            const ImageRect r{0, 0, front->Width, front->Height};
            ColorConvertBlt(front->Pixels, front->Pitch, front->ColorFormat, rows.data(), front->Width * 4,
                            GetMemImgColorData(MEMIMG_FORMAT_X8R8G8B8, 0, 0), nullptr, 0, nullptr, 0, 0, &r, 0, 0,
                            0, 0, 0, 0, 0);
        }
    }
    dd.windowCopyFlag = 0;
    return 0;
}

// A rectangle of the software front image to the window.
int CopyFrontImageToWindow(const DrawRect* rect) {
    DDSysData& dd = GetDDSys();
    if (!dd.memImgScreens || rect == nullptr) return 0;
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    DrawRect r = *rect;
    const DrawRect all{0, 0, w, h};
    RectClippingImpl(&r, &all);
    if (r.left >= r.right || r.top >= r.bottom) return 0;
    const PlatformRect area{r.left, r.top, r.right, r.bottom};
    PresenterUpload(dd.primaryImage.Pixels, dd.primaryImage.Pitch, PresenterFormatOf(&dd.primaryImage), &area);
    PresenterPresent(IsMainThread());
    return 0;
}
