// The 2D surface table: records that view a rectangle of a surface data
// record, shared between a graph and the graphs derived from it.
#include "graphics/surface2d.h"

#include "core/log.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graphics_handles.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/graph_image.h"
#include "graphics/screen_settings.h"
#include "graphics/surface_data.h"
#include "platform/surface_memory.h"

namespace {

constexpr int kSurface2DSlots = 32768;

struct Surface2DState {
    HandleTable table;
};
Surface2DState g_surface2d;

bool SurfacesPossible() { return GetSoftwareRenderFlag() || MemSurfaceDeviceExists(); }

// Palette MEMIMGs: the key is the first palette index that holds the
// transparent colour; with none, a value no index can take.
void SetPaletteColorKey(SurfaceData* s, const GraphImage* image) {
    const ColorData& c = image->ColorInfo;
    const uint32_t want = PackTransColor(&c, s->TransColor);
    const uint32_t mask = c.ColorBitDepth == 16 ? 0xFFFF : 0xFFFFFF;
    s->MemImg.ColorKey = 65535;
    for (int i = 0; i < 256; ++i) {
        const ColorPaletteEntry& e = c.Palette[i];
        const uint32_t v = uint32_t(e.Red) << 16 | uint32_t(e.Green) << 8 | e.Blue;
        if ((v & mask) == (want & mask)) {
            s->MemImg.ColorKey = uint32_t(i);
            break;
        }
    }
}

}  // namespace

int InitializeSurface2DTable() {
    return InitializeHandleTable(&g_surface2d.table, ZV_HANDLE_SURFACE2D, kSurface2DSlots, sizeof(Surface2D),
                                 "２Ｄグラフィックの量が許容量を越えました\n",
                                 "メモリの確保に失敗しました in AddSurface2D \n");
}

int TerminateSurface2DTable() {
    DeleteAllSurface2D();
    return TerminateHandleTable(&g_surface2d.table);
}

int GetSurface2DCount() { return g_surface2d.table.used; }

Surface2D* GetSurface2D(int handle) { return static_cast<Surface2D*>(CheckHandle(&g_surface2d.table, handle)); }

int AddSurface2D(int width, int height, int x, int y, int ownerHandle, const Surface2D* parent, int srcX, int srcY,
                 const GraphSurfaceSettings* settings) {
    if (!SurfacesPossible()) return ErrorLogAdd("REvevevが初期化されていません\n");
    const int handle = AddHandle(&g_surface2d.table, -1);
    if (handle < 0) return -1;
    Surface2D* s = GetSurface2D(handle);
    if (parent != nullptr) {
        IncSurfaceRefCount(parent->SurfaceDataHandle);
        s->SurfaceDataHandle = parent->SurfaceDataHandle;
    } else {
        s->SurfaceDataHandle = AddSurfaceData(1, width, height, GetTransColor(), settings);
        if (s->SurfaceDataHandle < 0) {
            SubHandle(&g_surface2d.table, handle);
            LowerHandleHint(&g_surface2d.table, HandleSlot(handle));
            return ErrorLogAdd("メモリの確保に失敗しました in AddSurface2D \n");
        }
    }
    s->X = uint16_t(x);
    s->Y = uint16_t(y);
    s->OwnerHandle = ownerHandle;
    s->SrcX = uint16_t(srcX);
    s->SrcY = uint16_t(srcY);
    s->Width = uint16_t(width);
    s->Height = uint16_t(height);
    s->LostFlag = nullptr;
    return handle;
}

int DeleteSurface2D(int handle) {
    Surface2D* s = GetSurface2D(handle);
    if (s == nullptr) return 0;
    if (DecSurfaceRefCount(s->SurfaceDataHandle) == 0) DeleteSurfaceData(s->SurfaceDataHandle);
    if (s->LostFlag) *s->LostFlag = 1;
    SubHandle(&g_surface2d.table, handle);
    LowerHandleHint(&g_surface2d.table, HandleSlot(handle));
    return 0;
}

int SetSurface2DLostFlag(int handle, int* flag) {
    Surface2D* s = GetSurface2D(handle);
    if (s == nullptr) return 0;
    s->LostFlag = flag;
    if (flag) *flag = 0;
    return 0;
}

int DeleteAllSurface2D() {
    if (!SurfacesPossible()) return -1;
    HandleTable& t = g_surface2d.table;
    if (t.records == nullptr) return 0;
    for (int slot = 0; slot < t.capacity && t.used > 0; ++slot) {
        if (t.records[slot]) DeleteSurface2D(HandleOfSlot(&t, slot));
    }
    return 0;
}

int BltGraphImageToSurface2D(const GraphImage* image, const GraphImage* alphaImage, int x, int y, int handle,
                             int transFlag) {
    Surface2D* s = GetSurface2D(handle);
    if (s == nullptr) return -1;
    ImageRect rect{x, y, x + s->Width, y + s->Height};
    return BltGraphImageToSurface2DRect(image, alphaImage, &rect, s->SrcX, s->SrcY, handle, transFlag);
}

int BltGraphImageToSurface2DRect(const GraphImage* image, const GraphImage* alphaImage, const ImageRect* srcRect,
                                 int destX, int destY, int handle, int transFlag) {
    if (!SurfacesPossible()) return -1;
    Surface2D* s2 = GetSurface2D(handle);
    if (s2 == nullptr) return -1;
    const int dataHandle = s2->SurfaceDataHandle;
    SurfaceData* s = GetSurfaceData(dataHandle);
    if (s == nullptr || image == nullptr || image->Pixels == nullptr) return -1;

    // Nothing is read outside the image or written outside the surface.
    ImageRect r = *srcRect;
    if (!ClipImageRect(&r, &destX, &destY, image->Width, image->Height, s->Width, s->Height)) return 0;
    if (alphaImage && (alphaImage->Width < r.right || alphaImage->Height < r.bottom)) alphaImage = nullptr;

    const int w = r.right - r.left, h = r.bottom - r.top;
    if (s->Surface != nullptr) {
        SurfaceRect dest{destX, destY, destX + w, destY + h};
        int pitch = 0;
        void* pixels = nullptr;
        if (MemSurfaceLock(s->Surface, &dest, &pitch, &pixels) != 0)
            return ErrorLogAdd("２Ｄサーフェスのロックに失敗しました");
        ColorConvertBlt(pixels, pitch, GetScreenColorData(), image->Pixels, image->Pitch, &image->ColorInfo,
                        alphaImage ? alphaImage->Pixels : nullptr, alphaImage ? alphaImage->Pitch : 0,
                        alphaImage ? &alphaImage->ColorInfo : nullptr, 0, 0, &r, 0, transFlag, s->TransColor, 0, 0,
                        0, 0);
        MemSurfaceUnlock(s->Surface);
    } else if (s->MemImg.ValidMagic == MEMIMG_VALID_MAGIC) {
        // The key takes effect before the run map is built from it.
        if (s->MemImg.PaletteFlag) SetPaletteColorKey(s, image);
        BltGraphImageToMemImg(image, alphaImage, &s->MemImg, r.left, r.top, w, h, destX, destY, transFlag);
    } else {
        return -1;
    }
    SetSurfaceColorKey(dataHandle);
    return 0;
}
