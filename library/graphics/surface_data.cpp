// Surface data records: creation as memory surfaces or MEMIMGs, colour keys,
// Z buffers, nested locks, fills and reference counts.
#include "graphics/surface_data.h"

#include <cstring>

#include "core/log.h"
#include "graphics/graph_storage.h"
#include "graphics/graphics_core.h"
#include "graphics/graphics_handles.h"
#include "graphics/image/color_data.h"
#include "graphics/screen_settings.h"
#include "platform/surface_memory.h"

namespace {

constexpr int kSurfaceDataSlots = 65536;

struct SurfaceDataState {
    HandleTable table;
};
SurfaceDataState g_surfaceData;

// The surface device or software rendering must be up for surfaces.
bool DeviceUsable() { return GetSoftwareRenderFlag() || MemSurfaceDeviceExists(); }

}  // namespace

int InitializeSurfaceDataTable() {
    return InitializeHandleTable(&g_surfaceData.table, ZV_HANDLE_SURFACEDATA, kSurfaceDataSlots, sizeof(SurfaceData),
                                 "サーフェスのデータ数が許容量を越えました。\n",
                                 "サーフェス用データを保存するメモリ領域の確保に失敗しました\n");
}

int TerminateSurfaceDataTable() {
    HandleTable& t = g_surfaceData.table;
    if (t.records == nullptr) return 0;
    for (int slot = 0; slot < t.nextSlot; ++slot) {
        if (t.records[slot]) DeleteSurfaceData(HandleOfSlot(&t, slot));
    }
    return TerminateHandleTable(&t);
}

int GetSurfaceDataCount() { return g_surfaceData.table.used; }

SurfaceData* GetSurfaceData(int handle) {
    return static_cast<SurfaceData*>(CheckHandle(&g_surfaceData.table, handle));
}

int AddSurfaceData(int refCount, int width, int height, uint32_t transColor, const GraphSurfaceSettings* settings) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return -1;
    const int handle = AddHandle(&g_surfaceData.table, -1);
    if (handle < 0) return -1;
    SurfaceData* s = GetSurfaceData(handle);
    s->Settings = *settings;
    s->Width = uint16_t(width);
    s->Height = uint16_t(height);
    s->RefCount = refCount;
    s->TransColor = transColor;
    GraphSurfaceSettings& st = s->Settings;
    if (st.TextureFlag) {
        if (st.DrawValidFlag == 1 || st.AlphaFlag == 1) {
            st.SystemMemFlag = 0;
            st.AlphaTestFlag = 0;
        }
    } else {
        if (st.AlphaFlag == 1) st.SystemMemFlag = 1;
        st.AlphaTestFlag = 0;
        st.DrawValidFlag = 1;
    }
    s->UseMemImgFlag = st.SystemMemFlag == 1 || GetSoftwareScreenFlag() ? 1 : 0;
    if (CreateSurfaceDataSurface(handle) != 0) {
        DeleteSurfaceData(handle);
        return -1;
    }
    SetSurfaceColorKey(handle);
    return handle;
}

int CreateSurfaceDataSurface(int handle) {
    SurfaceData* s = GetSurfaceData(handle);
    if (s == nullptr) return -1;
    if (!s->UseMemImgFlag && !MemSurfaceDeviceExists()) return -1;
    if (s->Surface != nullptr || s->Texture != nullptr || s->MemImg.ValidMagic == MEMIMG_VALID_MAGIC) return 0;
    const GraphSurfaceSettings& st = s->Settings;

    if (st.TextureFlag) {
        const GraphStorage* textures = TextureGraphStorage();
        if (textures && textures->textureSurfaces->make(s) == 0) {
            s->TextureRow = textures->textureSurfaces;
            return 0;
        }
        ErrorLogAdd("テクスチャサーフェスの作成に失敗しました\n");
        return ErrorLogFmtAdd("DrawValid:%d  AlphaChFlag%d  AlphaTestFlag:%d  ColorBitDepth:%d", st.DrawValidFlag,
                              st.AlphaFlag, st.AlphaTestFlag, st.ColorBitDepth);
    }
    if (s->UseMemImgFlag) {
        const int format32 = st.ColorBitDepth == 32 ? 1 : 0;
        s->SurfaceKind = format32 ? (st.AlphaFlag ? SURFACE_KIND_MEMIMG32_ALPHA : SURFACE_KIND_MEMIMG32)
                                  : (st.AlphaFlag ? SURFACE_KIND_MEMIMG16_ALPHA : SURFACE_KIND_MEMIMG16);
        uint32_t key = 65535;
        if (!st.PaletteFlag) {
            const ColorData* c = GetMemImgColorData(format32, st.AlphaFlag, 0);
            key = PackTransColor(c, s->TransColor);
        }
        std::memset(&s->MemImg, 0, sizeof(s->MemImg));
        if (InitializeMemImg(&s->MemImg, s->Width, s->Height, -1, key, format32, st.PaletteFlag, st.AlphaFlag, 1) !=
            0) {
            std::memset(&s->MemImg, 0, sizeof(s->MemImg));
            return ErrorLogAdd("メモリイメージの作成に失敗しました\n");
        }
        return 0;
    }

    s->SurfaceKind = SURFACE_KIND_PLAIN;
    int screenWidth = 0;
    GetScreenSize(&screenWidth, nullptr);
    const int video = st.SystemMemFlag == 0 && s->Width <= screenWidth && !GetMemImgScreenFlag() ? 1 : 0;
    const SurfacePixelFormat* format = GetScreenPixelFormatImpl();
    s->Surface = MemSurfaceCreate(s->Width, s->Height, format, video);
    if (s->Surface == nullptr && video) s->Surface = MemSurfaceCreate(s->Width, s->Height, format, 0);
    if (s->Surface == nullptr) return ErrorLogAdd("標準サーフェスの作成に失敗しました\n");
    s->Settings.DrawValidFlag = 1;
    s->Settings.SystemMemFlag = MemSurfaceInVideoMemory(s->Surface) ? 0 : 1;
    // Re-made surfaces get their Z buffer back.
    const int wantZ = s->ZBufferFlag;
    s->ZBufferFlag = 0;
    if (wantZ && SetSurfaceZBuffer(handle, 1) != 0) {
        MemSurfaceRelease(s->Surface);
        s->Surface = nullptr;
        return -1;
    }
    return 0;
}

int SetSurfaceZBuffer(int handle, int flag) {
    SurfaceData* s = GetSurfaceData(handle);
    if (s == nullptr) return -1;
    flag = flag ? 1 : 0;
    if (s->ZBufferFlag == flag) return 0;
    if (!s->Settings.DrawValidFlag) return -1;
    if (flag == 0) {
        if (s->UseMemImgFlag) {
            TerminateMemImg(&s->ZMemImg);
        } else {
            MemSurfaceRelease(s->ZSurface);
            s->ZSurface = nullptr;
        }
    } else if (s->UseMemImgFlag) {
        if (CreateMemImgZBuffer(&s->ZMemImg, s->Width, s->Height) != 0)
            return ErrorLogAdd("Ｚバッファの作成に失敗しました");
        ClearMemImg(&s->ZMemImg, nullptr, 0xFFFF);
    } else {
        SurfacePixelFormat z{};
        z.Size = sizeof(z);
        z.RGBBitCount = 16;
        s->ZSurface = MemSurfaceCreate(s->Width, s->Height, &z, 1);
        if (s->ZSurface == nullptr) return ErrorLogAdd("Ｚバッファの作成に失敗しました");
    }
    s->ZBufferFlag = flag;
    return 0;
}

int SetSurfaceColorKey(int handle) {
    SurfaceData* s = GetSurfaceData(handle);
    if (s == nullptr) return -1;
    if (s->Surface == nullptr) return 0;
    const int key = GetColorImpl(int(s->TransColor >> 16 & 0xFF), int(s->TransColor >> 8 & 0xFF),
                                 int(s->TransColor & 0xFF));
    if (MemSurfaceSetColorKey(s->Surface, uint32_t(key)) != 0)
        return ErrorLogAdd("標準サーフェスのカラーキーの設定に失敗しました\n");
    return 0;
}

int RestoreSurfaceData(int handle) {
    // Memory surfaces are never lost.
    return GetSurfaceData(handle) ? 0 : -1;
}

int LockSurfaceData(int handle, int* pitch, void** pixels, int writeOnlyFlag, const SurfaceRect* rect,
                    const ColorData** colorData) {
    SurfaceData* s = GetSurfaceData(handle);
    if (s == nullptr) return -1;
    if (colorData) {
        *colorData = s->Texture         ? s->TextureRow->colorData(s->Settings)
                     : s->UseMemImgFlag ? s->MemImg.ColorFormat
                                        : GetScreenColorData();
    }
    if (s->LockCount != 0) {
        if (pitch) *pitch = s->LockPitch;
        if (pixels) *pixels = s->LockPixels;
        s->LockCount++;
        return -2;
    }
    int p = 0;
    void* px = nullptr;
    if (s->Texture != nullptr) {
        if (s->TextureRow->lock(s, rect, &p, &px) != 0) return ErrorLogAdd("グラフィックのロックに失敗しました");
    } else if (s->Surface != nullptr) {
        if (MemSurfaceLock(s->Surface, rect, &p, &px) != 0) return ErrorLogAdd("グラフィックのロックに失敗しました");
    } else if (s->MemImg.ValidMagic == MEMIMG_VALID_MAGIC) {
        p = s->MemImg.Pitch;
        px = s->MemImg.Pixels;
        if (rect) {
            if (rect->left < 0 || rect->top < 0 || rect->right > s->Width || rect->bottom > s->Height)
                return ErrorLogAdd("グラフィックのロックに失敗しました");
            px = s->MemImg.Pixels + size_t(rect->top) * p + size_t(rect->left) * s->MemImg.ColorFormat->PixelByte;
        }
    } else {
        return ErrorLogAdd("グラフィックのロックに失敗しました");
    }
    s->LockPitch = p;
    s->LockPixels = px;
    s->LockCount = 1;
    if (pitch) *pitch = p;
    if (pixels) *pixels = px;
    return 0;
}

int UnlockSurfaceData(int handle) {
    SurfaceData* s = GetSurfaceData(handle);
    if (s == nullptr || s->LockCount == 0) return -1;
    if (--s->LockCount != 0) return 0;
    if (s->Texture != nullptr) return s->TextureRow->unlock(s);
    if (s->Surface != nullptr) MemSurfaceUnlock(s->Surface);
    return 0;
}

int FillSurfaceData(int handle, int red, int green, int blue, int alpha) {
    SurfaceData* s = GetSurfaceData(handle);
    if (s == nullptr) return -1;
    if (s->Texture != nullptr) return s->TextureRow->fill(s, red, green, blue, alpha);
    if (!DeviceUsable()) return -1;
    if (s->Surface != nullptr) {
        return MemSurfaceColorFill(s->Surface, nullptr, PackColorData(GetScreenColorData(), red, green, blue, alpha));
    }
    // A MEMIMG record is filled in its own format (palette images by index 0).
    if (s->MemImg.ValidMagic != MEMIMG_VALID_MAGIC) return -1;
    const uint32_t value = s->MemImg.PaletteFlag ? 0 : PackColorData(s->MemImg.ColorFormat, red, green, blue, alpha);
    ClearMemImg(&s->MemImg, nullptr, value);
    return 0;
}

int ReleaseSurfaceDataSurface(int handle) {
    SurfaceData* s = GetSurfaceData(handle);
    if (s == nullptr) return -1;
    if (s->Texture != nullptr) {
        s->TextureRow->release(s);
    } else if (s->UseMemImgFlag) {
        TerminateMemImg(&s->ZMemImg);
        TerminateMemImg(&s->MemImg);
    } else {
        MemSurfaceRelease(s->ZSurface);
        MemSurfaceRelease(s->Surface);
        s->ZSurface = nullptr;
        s->Surface = nullptr;
    }
    return 0;
}

int DeleteSurfaceData(int handle) {
    SurfaceData* s = GetSurfaceData(handle);
    if (s == nullptr) return -1;
    ReleaseSurfaceDataSurface(handle);
    if (s->LostFlag) *s->LostFlag = 1;
    SubHandle(&g_surfaceData.table, handle);
    LowerHandleHint(&g_surfaceData.table, HandleSlot(handle));
    return 0;
}

int IncSurfaceRefCount(int handle) {
    SurfaceData* s = GetSurfaceData(handle);
    return s ? ++s->RefCount : -1;
}

int DecSurfaceRefCount(int handle) {
    SurfaceData* s = GetSurfaceData(handle);
    return s ? --s->RefCount : -1;
}
