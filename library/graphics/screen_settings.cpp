// Screen settings: size, depth, hardware or software screens and the screen's
// pixel format, kept in one record from before start-up to the end.
#include "graphics/screen_settings.h"

#include <cstring>

#include "core/log.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_handle.h"
#include "graphics/image/color_data.h"
#include "graphics/memimg/memimg_graphics.h"
#include "platform/surface_memory.h"

namespace {

struct ScreenSettings {
    int width = 0;
    int height = 0;
    int screenDepth = 0;
    int requestedDepth = 0;   // the mode asked for, 16 while unset
    int displayDepth = 0;
    int softwareRender = 0;
    int memImgScreens = 0;
    int notUse3D = 0;
    SurfacePixelFormat pixelFormat{};
    ColorData colorData{};
    int formatCode = 0;
    int waitVSync = 0;
    int gdiSurfaceMode = 0;
    int useTempPrimary = 0;
    int screenModeChanged = 0;
};
ScreenSettings g_screen;

}  // namespace

int ResetScreenSettings() {
    g_screen = ScreenSettings();
    return 0;
}

int SetUseHardwareDrawFlagImpl(int flag) {
    g_screen.softwareRender = flag == 0 ? 1 : 0;
    if (flag == 0) {
        SetUseDirectDrawFlag(0);
        SetUse3DFlag(0);
        SetUseSystemMemGraphCreateFlag(0);
    }
    return 0;
}

int SetUseDirectDrawFlag(int flag) {
    const bool software = g_screen.softwareRender || flag == 0;
    if (software) {
        SetUse3DFlag(0);
        SetUseSystemMemGraphCreateFlag(0);
        g_screen.softwareRender = 1;
    }
    g_screen.memImgScreens = software ? 1 : 0;
    if (GetDirectDrawObjectExists()) {
        // Screens of the other kind: every graph goes, the screens are remade.
        int screen = GetDrawScreenImpl();
        InitGraph(0);
        ChangeScreenMode(-1, -1, -1, 1, -1);
        if (screen == -4 || screen == -2) SetDrawScreenImpl(screen);
    }
    return 0;
}

int SetNotUse3DFlag(int flag) {
    g_screen.notUse3D = g_screen.softwareRender ? 1 : flag;
    return 0;
}

int SetWaitVSyncFlag(int flag) {
    g_screen.waitVSync = flag;
    return 0;
}
int GetWaitVSyncFlag() { return g_screen.waitVSync; }

// The flip always presents through the window, so the GDI-surface mode is
// only remembered.
int SetGDISurfaceModeFlag(int flag) {
    g_screen.gdiSurfaceMode = flag;
    return 0;
}
int GetGDISurfaceModeFlag() { return g_screen.gdiSurfaceMode; }

int SetUseTempPrimaryFlag(int flag) {
    if (!GetDirectDrawObjectExists()) g_screen.useTempPrimary = flag;
    return 0;
}
int GetUseTempPrimaryFlag() { return g_screen.useTempPrimary; }

int SetScreenModeChangedFlag(int flag) {
    g_screen.screenModeChanged = flag;
    return 1;
}
int GetScreenModeChangedFlag() { return g_screen.screenModeChanged; }

int GetNotUse3DFlag() { return g_screen.notUse3D; }
int GetMemImgScreenFlag() { return g_screen.memImgScreens; }
int GetSoftwareRenderFlag() { return g_screen.softwareRender; }
int GetUseHardwareDrawFlag() { return g_screen.softwareRender ? 0 : 1; }
int GetSoftwareScreenFlag() { return g_screen.memImgScreens && GetDisplayColorBitDepth() != 8 ? 1 : 0; }

int GetScreenSize(int* width, int* height) {
    if (width) *width = g_screen.width == 0 ? 640 : g_screen.width;
    if (height) *height = g_screen.height == 0 ? 480 : g_screen.height;
    return 0;
}

int GetDisplayColorBitDepth() { return g_screen.displayDepth == 0 ? 16 : g_screen.displayDepth; }
int GetScreenColorBitDepth() { return g_screen.screenDepth == 0 ? 16 : g_screen.screenDepth; }

int SetScreenModeSetting(int width, int height, int colorBitDepth) {
    if (width > 0) g_screen.width = width;
    if (height > 0) g_screen.height = height;
    if (colorBitDepth > 0) g_screen.requestedDepth = g_screen.screenDepth = colorBitDepth;
    return 0;
}

int GetRequestedColorBitDepth() { return g_screen.requestedDepth == 0 ? 16 : g_screen.requestedDepth; }

int SetDisplayColorBitDepth(int colorBitDepth) {
    g_screen.displayDepth = colorBitDepth;
    return 0;
}

const ColorData* GetScreenColorData() { return &g_screen.colorData; }
const SurfacePixelFormat* GetScreenPixelFormatImpl() { return &g_screen.pixelFormat; }
int GetScreenFormatCode() { return g_screen.formatCode; }

int SetupScreenColorData() {
    if (g_screen.softwareRender || g_screen.memImgScreens) {
        int depth = GetDisplayColorBitDepth();
        if (depth != 16 && depth != 32) depth = 16;
        g_screen.screenDepth = depth;
        g_screen.colorData = *GetMemImgColorData(depth == 16 ? 0 : 1, 0, 0);
        const ColorData& c = g_screen.colorData;
        CreatePixelFormatImpl(&g_screen.pixelFormat, c.ColorBitDepth, c.RedMask, c.GreenMask, c.BlueMask, 0);
        g_screen.formatCode = depth == 16 ? SCREEN_FORMAT_R5G6B5 : SCREEN_FORMAT_X8R8G8B8;
        return 0;
    }
    // The display mode: X8R8G8B8 at 32 bits, R5G6B5 at 16.
    if (GetDisplayColorBitDepth() == 32) {
        CreatePixelFormatImpl(&g_screen.pixelFormat, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    } else {
        CreatePixelFormatImpl(&g_screen.pixelFormat, 16, 0xF800, 0x07E0, 0x001F, 0);
    }
    CreateColorDataFromPixelFormat(&g_screen.colorData, &g_screen.pixelFormat);
    const SurfacePixelFormat& p = g_screen.pixelFormat;
    ErrorLogAdd("カラー情報\n");
    ErrorLogTabAdd();
    ErrorLogFmtAdd("A:%08x  B:%08x  G:%08x  B:%08x", unsigned(p.RGBAlphaBitMask), unsigned(p.RBitMask),
                   unsigned(p.GBitMask), unsigned(p.BBitMask));
    ErrorLogTabSub();
    g_screen.screenDepth = int(p.RGBBitCount);
    struct Known { uint32_t r, g, b; int code; };
    static const Known known[] = {{0xF800, 0x07E0, 0x001F, SCREEN_FORMAT_R5G6B5},
                                  {0x7C00, 0x03E0, 0x001F, SCREEN_FORMAT_X1R5G5B5},
                                  {0xFF0000, 0x00FF00, 0x0000FF, SCREEN_FORMAT_X8R8G8B8}};
    g_screen.formatCode = SCREEN_FORMAT_OTHER;
    for (const Known& k : known) {
        if (p.RBitMask == k.r && p.GBitMask == k.g && p.BBitMask == k.b) {
            g_screen.formatCode = k.code;
            break;
        }
    }
    return 0;
}

namespace {

// The format GetColor packs for: software screens use the MEMIMG format.
const ColorData* ScreenFormatForColors() {
    if (GetMemImgScreenFlag()) {
        return GetMemImgColorData(GetScreenColorBitDepth() == 16 ? 0 : 1, 0, 0);
    }
    return GetScreenColorData();
}
}  // namespace

int GetColorImpl(int red, int green, int blue) {
    // 8-bit screens are never made, so every screen has channel masks.
    const ColorData* d = ScreenFormatForColors();
    // Alpha 0 packs to nothing: screens carry no alpha.
    return int(PackColorData(d, red, green, blue, 0));
}

int GetColorRGBImpl(int color, int* red, int* green, int* blue) {
    const ColorData* d = ScreenFormatForColors();
    uint32_t v = uint32_t(color);
    if (red) *red = UnpackChannel(v, d->RedMask, d->RedLoc, d->RedWidth);
    if (green) *green = UnpackChannel(v, d->GreenMask, d->GreenLoc, d->GreenWidth);
    if (blue) *blue = UnpackChannel(v, d->BlueMask, d->BlueLoc, d->BlueWidth);
    return 0;
}
