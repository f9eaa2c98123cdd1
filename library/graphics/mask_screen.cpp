// Mask screen state: the mask buffer, its surface or MEMIMG, the use and
// active flags, and the table of mask data that the graphics end empties.
#include "graphics/mask_screen.h"

#include <cstring>

#include "core/alloc.h"
#include "core/handle.h"
#include "core/log.h"
#include "graphics/graphics_core.h"
#include "graphics/graphics_handles.h"
#include "graphics/memimg/memimg_graphics.h"
#include "graphics/screen_settings.h"
#include "platform/surface_memory.h"

namespace {

constexpr int kMaskDataKind = 0x4000;
constexpr int kMaskDataSlots = 512;

struct MaskData {
    int Serial;
    void* Buffer;
    int InUse;
};

struct MaskScreenState {
    int created = 0;
    int useFlag = 0;
    int activeFlag = 0;
    unsigned char* buffer = nullptr;
    int bufferPitch = 0;
    MemSurface* surface = nullptr;
    int surfaceInVideoMemory = 0;
    MEMIMG memImg{};
    int memImgValid = 0;
    HandleTable dataTable{};
};
MaskScreenState g_mask;

void ReleaseMaskParts() {
    if (g_mask.buffer) ZvFree(g_mask.buffer);
    g_mask.buffer = nullptr;
    MemSurfaceRelease(g_mask.surface);
    g_mask.surface = nullptr;
    if (g_mask.memImgValid) TerminateMemImg(&g_mask.memImg);
    g_mask.memImgValid = 0;
}

}  // namespace

void ResetMaskScreenState() {
    ReleaseMaskParts();
    g_mask.created = 0;
    g_mask.useFlag = 1;
    g_mask.activeFlag = 0;
    if (g_mask.dataTable.records == nullptr)
        InitializeHandleTable(&g_mask.dataTable, kMaskDataKind, kMaskDataSlots, sizeof(MaskData), "", "");
}

int SetUseMaskScreenFlag(int flag) {
    if (g_mask.buffer == nullptr) return -1;
    g_mask.useFlag = flag;
    g_mask.activeFlag = flag && g_mask.created ? 1 : 0;
    return 0;
}

int GetUseMaskScreenFlag() { return g_mask.useFlag; }
int GetMaskActiveFlag() { return g_mask.activeFlag; }
MemSurface* GetMaskSurface() { return g_mask.surface; }
MEMIMG* GetMaskMemImg() { return &g_mask.memImg; }

int CreateMaskScreen(int makeBufferFlag, int makeSurfaceFlag) {
    int width = 0, height = 0;
    GetScreenSize(&width, &height);
    if (makeBufferFlag && g_mask.buffer == nullptr) {
        g_mask.bufferPitch = (width + 3) / 4 * 4;
        g_mask.buffer = static_cast<unsigned char*>(ZVCALLOC(size_t(g_mask.bufferPitch) * height));
        if (g_mask.buffer == nullptr) return -1;
    }
    if (makeSurfaceFlag && g_mask.surface == nullptr && !g_mask.memImgValid) {
        if (GetSoftwareScreenFlag()) {
            if (CreateMemImgScreen(&g_mask.memImg, width, height, -1) != 0)
                ZoVav_FatalError("マスク用 MEMIMG の作成に失敗しました");
            g_mask.memImgValid = 1;
        } else {
            g_mask.surface = MemSurfaceCreate(width, height, GetScreenPixelFormatImpl(), !GetMemImgScreenFlag());
            if (g_mask.surface == nullptr) ZoVav_FatalError("マスク用サーフェスの作成に失敗しました");
            MemSurfaceSetColorKey(g_mask.surface, 0);
            g_mask.surfaceInVideoMemory = MemSurfaceInVideoMemory(g_mask.surface);
        }
    }
    return 0;
}

int ReCreateMaskSurface() {
    CreateMaskScreen(g_mask.created, g_mask.created);
    if (g_mask.useFlag) SetUseMaskScreenFlag(1);
    return 0;
}

int ReleaseMaskSurface() {
    ReleaseMaskParts();
    return 0;
}

int DeleteMaskScreen() {
    if (g_mask.useFlag) SetUseMaskScreenFlag(0);
    ReleaseMaskParts();
    g_mask.created = 0;
    g_mask.activeFlag = 0;
    return 0;
}

int DeleteMaskData(int handle) {
    MaskData* d = static_cast<MaskData*>(CheckHandle(&g_mask.dataTable, handle));
    if (d == nullptr || !d->InUse) return -1;
    if (d->Buffer) ZvFree(d->Buffer);
    SubHandle(&g_mask.dataTable, handle);
    LowerHandleHint(&g_mask.dataTable, HandleSlot(handle));
    return 0;
}

int DeleteAllMaskData() {
    HandleTable& t = g_mask.dataTable;
    if (t.records == nullptr) return 0;
    for (int slot = 0; slot < t.capacity && t.used > 0; ++slot) {
        MaskData* d = static_cast<MaskData*>(t.records[slot]);
        if (d && d->InUse) DeleteMaskData(HandleOfSlot(&t, slot));
    }
    // Graphics end: the table itself goes until the next start.
    return TerminateHandleTable(&t);
}
