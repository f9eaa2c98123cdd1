// Stand-in for the display until the screens exist: a 640x480 16-bit screen
// setting, no drawing device, and window-procedure hooks that have nothing to do.
#include "graphics/graphics_core.h"

#include "core/window.h"
#include "platform/message_queue.h"

namespace {
struct StubDisplayState {
    int notUse3D = 0;
    int useDirectDraw = 1;
    int useTempPrimary = 0;
    int waitVSync = 0;
    int drawScreen = -4;
    int gdiSurfaceMode = 0;
    void (*restoreCallback)() = nullptr;
};
StubDisplayState g_stub;
}  // namespace

int SetUseTempPrimaryFlag(int flag) { g_stub.useTempPrimary = flag; return 0; }
int SetRestoreGraphCallback(void (*callback)()) { g_stub.restoreCallback = callback; return 0; }
int GetRestoreGraphCallbackExists() { return g_stub.restoreCallback != nullptr; }
int SetWaitVSyncFlag(int flag) { g_stub.waitVSync = flag; return 0; }
int SetForegroundMainWindow() { return 0; }
int SetDrawScreenImpl(int screen) { g_stub.drawScreen = screen; return 0; }
int GetDrawScreenImpl() { return g_stub.drawScreen; }
int ReleaseDirectDrawObject() { return 0; }
int GetScreenModeChangedFlag() { return 0; }
// The display answers a mode change with a change message carrying the new
// mode: the screen's own in full screen, the desktop's in a window.
int ChangeScreenMode(int, int, int, int, int) {
    int width = 640, height = 480, bits = 16;
    if (GetWindowModeFlag()) GetDisplaySettings(&width, &height, &bits);
    PostWindowMessage(WM_DISPLAYCHANGE, uintptr_t(bits), MakeLParam(width, height));
    return 0;
}
int SetGDISurfaceModeFlag(int flag) { g_stub.gdiSurfaceMode = flag; return 0; }
int GetGDISurfaceModeFlag() { return g_stub.gdiSurfaceMode; }
int RestoreAllSurface2D() { return 0; }
int RestoreAllSurface3D() { return 0; }
int RestoreGraphSystem() { return 0; }
int ResumeAllMovies() { return 0; }
int PauseAllMovies() { return 0; }
int ReleaseAllMovieSurfaces() { return 0; }
int RepaintBackScreen() { return 0; }
int InitializeScreensAtStartup() {
    SetDrawScreenImpl(-2);
    SetDrawScreenImpl(-4);
    return 0;
}
