// The screen flip: presenting the back screen in the window paced by the
// vertical blank, the frame counter, the repaint of an uncovered window and
// the BMP save of the draw screen.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/alloc.h"
#include "core/library_state.h"
#include "core/log.h"
#include "core/window.h"
#include "graphics/directdraw/dd_draw.h"
#include "graphics/directdraw/dd_system.h"
#include "graphics/draw_front.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/image/color_data.h"
#include "graphics/screen_backend.h"
#include "graphics/screen_settings.h"
#include "platform/presenter_sdl.h"
#include "platform/surface_memory.h"
#include "platform/system_posix.h"
#include "platform/text_iconv.h"
#include "platform/vblank_clock.h"

namespace {

bool HardwareWithoutDevice() { return !GetSoftwareRenderFlag() && !GetDDSys().objectExists; }

PresenterFormat FormatOfDepth(int depth) { return depth == 16 ? PRESENTER_R5G6B5 : PRESENTER_X8R8G8B8; }

// Waits for the blank before a present, sleeping first while the last
// present is nearer than the pacing time.
void PacedWait() {
    DDSysData& dd = GetDDSys();
    if (!GetWaitVSyncFlag()) return;
    const uint32_t d = PlatformTimeMs() - dd.lastPresentTime;
    if (dd.flipPacingTime >= 0 && d < uint32_t(dd.flipPacingTime)) {
        while (PlatformTimeMs() - dd.lastPresentTime < uint32_t(dd.flipPacingTime)) PlatformSleepMs(1);
        VBlankWait();
    } else {
        PlatformSleepMs(0);
        if (!VBlankIsInBlank()) VBlankWait();
    }
    dd.lastPresentTime = PlatformTimeMs();
}

// Shows a surface's pixels in the window.
void PresentSurface(MemSurface* surface) {
    void* pixels = nullptr;
    int pitch = 0;
    if (surface == nullptr || MemSurfaceLock(surface, nullptr, &pitch, &pixels) != 0) return;
    PresenterUpload(pixels, pitch, FormatOfDepth(GetScreenColorBitDepth()), nullptr);
    MemSurfaceUnlock(surface);
    PresenterPresent(IsMainThread());
}

void PresentMemImg(const MEMIMG* img) {
    if (img == nullptr || img->Pixels == nullptr) return;
    PresenterUpload(img->Pixels, img->Pitch, img->Format == MEMIMG_FORMAT_R5G6B5 ? PRESENTER_R5G6B5 : PRESENTER_X8R8G8B8,
                    nullptr);
    PresenterPresent(IsMainThread());
}

}  // namespace

int ResetFrameCounter() {
    GetDDSys().frameCounter = 0;
    return 0;
}
int IncrementFrameCounter() {
    ++GetDDSys().frameCounter;
    return 0;
}
uint64_t GetFrameCounter() { return GetDDSys().frameCounter; }

int PresentFrontScreen() {
    DDSysData& dd = GetDDSys();
    if (dd.memImgScreens) PresentMemImg(&dd.primaryImage);
    else PresentSurface(dd.primary);
    return 0;
}

int WaitVSync(int count) {
    if (HardwareWithoutDevice()) return -1;
    const bool window = g_Library.session.windowExists != 0;
    if (window && !GetActiveFlag()) return 0;
    if (count <= 0) {
        while (!VBlankIsInBlank()) {
            if (window && ProcessMessageImpl() != 0) break;
        }
        return 0;
    }
    for (int i = 0; i < count; ++i) VBlankWait();
    if (window && ProcessMessageImpl() < 0) return -1;
    return 0;
}

int ScreenFlipSoftware() {
    if (HardwareWithoutDevice()) return -1;
    DDSysData& dd = GetDDSys();
    if (GetDrawScreen() == SCREEN_FRONT) {
        PresentFrontScreen();
        IncrementFrameCounter();
        return WaitVSync(1);
    }
    PacedWait();
    if (ScreenRoad().flipBack() == 0) {
        IncrementFrameCounter();
        return 0;
    }
    ScreenRoad().settleFor2D();
    if (dd.memImgScreens) {
        PresentMemImg(&dd.backImage);
        dd.windowCopyFlag = 1;
    } else {
        MemSurfaceBlt(dd.primary, 0, 0, dd.back, nullptr, 0);
        PresentSurface(dd.primary);
    }
    IncrementFrameCounter();
    return 0;
}

// Every screen kind presents through the window: the flip copies the back
// screen to the primary and shows it, the same road in full screen.
int ScreenFlipImpl() {
    if (HardwareWithoutDevice()) return -1;
    ProcessMessageWhileInactive();
    // 3D drawing on the front screen reaches its surface when the scene ends.
    if (GetDrawScreen() == SCREEN_FRONT) ScreenRoad().settleFor2D();
    return ScreenFlipSoftware();
}

int RepaintBackScreen() {
    DDSysData& dd = GetDDSys();
    if (dd.memImgScreens) PresentMemImg(&dd.backImage);
    else PresentSurface(dd.primary);
    return 0;
}

int SaveDrawScreenToBMPImpl(int x1, int y1, int x2, int y2, const char* fileName) {
    if (HardwareWithoutDevice() || fileName == nullptr) return -1;
    ProcessMessageWhileInactive();
    ScreenRoad().settleFor2D();
    DrawRect r{x1, y1, x2, y2};
    DrawRect area;
    GetDrawArea(&area);
    RectClippingImpl(&r, &area);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return -1;

    DDSysData& dd = GetDDSys();
    const DDDrawTarget& t = GetDDDrawTarget();
    if (dd.memImgScreens && GetDrawScreen() == SCREEN_FRONT) CopyWindowToFrontImage();
    const unsigned char* src = nullptr;
    int pitch = 0;
    const ColorData* color = nullptr;
    MemSurface* locked = nullptr;
    if (t.drawMemImg != nullptr) {
        color = t.drawMemImg->ColorFormat;
        pitch = t.drawMemImg->Pitch;
        src = t.drawMemImg->Pixels + size_t(r.top) * pitch + size_t(r.left) * color->PixelByte;
    } else {
        void* pixels = nullptr;
        if (t.drawSurface == nullptr || MemSurfaceLock(t.drawSurface, nullptr, &pitch, &pixels) != 0)
            return ErrorLogAdd("作業用サーフェスのロックに失敗しました\n");
        locked = t.drawSurface;
        color = GetScreenColorData();
        src = static_cast<unsigned char*>(pixels) + size_t(r.top + t.offsetY) * pitch +
              size_t(r.left + t.offsetX) * color->PixelByte;
    }
    // A screen of another depth has nothing to write: that is a failure.
    if (color->ColorBitDepth != 16 && color->ColorBitDepth != 32) {
        if (locked) MemSurfaceUnlock(locked);
        return -1;
    }
    int rowBytes = w * 3;
    if (rowBytes % 4) rowBytes += 4 - rowBytes % 4;
    const size_t imageBytes = size_t(rowBytes) * size_t(h);
    auto* pixels = static_cast<unsigned char*>(ZVCALLOC(imageBytes));
    if (pixels == nullptr) {
        if (locked) MemSurfaceUnlock(locked);
        return ErrorLogAdd("グラフィック保存用メモリの確保に失敗しました\n");
    }
    for (int y = 0; y < h; ++y) {
        const unsigned char* in = src + size_t(h - 1 - y) * pitch;
        unsigned char* out = pixels + size_t(y) * rowBytes;
        for (int x = 0; x < w; ++x) {
            if (color->ColorBitDepth == 32) {
                std::memcpy(out + x * 3, in + x * 4, 3);
            } else {
                uint32_t v = uint32_t(in[x * 2]) | uint32_t(in[x * 2 + 1]) << 8;
                auto channel = [&](uint32_t mask, int loc, int width) {
                    return uint8_t(((v & mask) >> loc) << (8 - width));
                };
                out[x * 3] = channel(color->BlueMask, color->BlueLoc, color->BlueWidth);
                out[x * 3 + 1] = channel(color->GreenMask, color->GreenLoc, color->GreenWidth);
                out[x * 3 + 2] = channel(color->RedMask, color->RedLoc, color->RedWidth);
            }
        }
    }
    if (locked) MemSurfaceUnlock(locked);

    unsigned char header[54] = {};
    auto put16 = [&](int at, uint32_t v) { header[at] = uint8_t(v); header[at + 1] = uint8_t(v >> 8); };
    auto put32 = [&](int at, uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, uint32_t(54 + imageBytes));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put16(26, 1);
    put16(28, 24);

    // The disk names files in UTF-8; a screenshot replaces an older file.
    std::string diskName;
    if (ShiftJisToUtf8(fileName, diskName) != 0) diskName = fileName;
    std::remove(diskName.c_str());
    FILE* f = std::fopen(diskName.c_str(), "wb");
    int result = 0;
    if (f == nullptr) {
        result = ErrorLogAdd("ＢＭＰセーブ用ファイルのオープンに失敗しました\n");
    } else {
        const bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header &&
                        std::fwrite(pixels, 1, imageBytes, f) == imageBytes;
        if (std::fclose(f) != 0 || !ok) result = -1;
    }
    ZvFree(pixels);
    return result;
}
