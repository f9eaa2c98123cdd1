// Window mode, title, icon and cursor settings: stored first, applied to the
// window at once when it exists, so a call before start-up shapes the first
// window.
#include "core/window_settings.h"

#include "core/log.h"
#include "core/program_icons.h"
#include "core/subsystem.h"
#include "core/window.h"
#include "platform/message_queue.h"
#include "platform/window_sdl.h"

namespace {
LibraryPersistentState& P() { return g_Library.persistent; }
LibrarySessionState& S() { return g_Library.session; }

// Client area of the screen size times the window scale, centred on the desktop.
void PlaceWindowModeWindow() {
    LibrarySessionState& s = S();
    int width, height;
    GetWindowModeClientSize(&width, &height);
    PlatformAdjustWindowSize(s.mainWindow, &width, &height);
    PlatformMoveWindow(s.mainWindow, (s.desktopWidth - width) / 2, (s.desktopHeight - height) / 2, width, height);
}
}  // namespace

int SetWindowModeFlag(int flag) {
    P().windowMode = flag;
    ErrorLogAdd(flag ? "ウインドウモードフラグが立てられました\n" : "ウインドウモードフラグが倒されました\n");
    return 0;
}

int ChangeWindowModeImpl(int flag) {
    ErrorLogAdd("ChangeWindowMode実行 \n");
    if ((flag != 0) == (P().windowMode != 0)) return 0;
    P().windowShown = 1;
    SetWindowModeFlag(flag);
    LibrarySessionState& s = S();
    if (!s.mainWindow) return 0;
    s.modeChangeRunning = 1;
    s.displayChanged = 0;
    SetWindowStyle();
    int result = ApplyDisplayWindowMode();
    while (ProcessMessageImpl() == 0 && !s.displayChanged) {
    }
    s.modeChangeRunning = 0;
    return result;
}

void SetWindowStyle() {
    LibrarySessionState& s = S();
    if (P().windowMode) {
        ErrorLogAdd("ウインドウスタイルをウインドウモード用に変更します... ");
        PlatformSetFullScreen(s.mainWindow, false);
        PlaceWindowModeWindow();
        s.clientRect = PlatformGetClientRect(s.mainWindow);
        SetMouseDisplayFlag(1);
        ErrorLogAdd("完了\n");
    } else {
        ErrorLogAdd("ウインドウスタイルをフルスクリーンモード用に変更します... ");
        int screenWidth, screenHeight;
        GetDisplayScreenSize(&screenWidth, &screenHeight);
        PlatformSetFullScreen(s.mainWindow, true);
        s.clientRect = {0, 0, screenWidth, screenHeight};
        PlatformShowWindow(s.mainWindow);
        PlatformRaiseWindow(s.mainWindow);
        SetMouseDisplayFlag(0);
        ErrorLogAdd("完了\n");
    }
    PlatformRaiseWindow(s.mainWindow);
    PostWindowMessage(WM_SETCURSOR, 0, 0);
}

int SetMainWindowTextImpl(const char* text) {
    P().title = text ? text : "";
    PlatformSetWindowTitle(S().mainWindow, P().title.c_str());
    return 0;
}

int SetWindowIconIDImpl(int id) {
    P().iconId = id;
    ShowWindowIcon();
    return 0;
}

void ShowWindowIcon() {
    const ProgramIcon* icon = FindProgramIcon(P().iconId);
    if (icon && S().mainWindow) PlatformSetWindowIcon(S().mainWindow, icon->width, icon->height, icon->pixels);
}

int SetMouseDisplayFlag(int flag) {
    LibrarySessionState& s = S();
    P().mouseDisplayFlag = flag;
    int visible = flag == 1;
    if (visible != s.cursorApplied) {
        PlatformShowCursor(visible != 0);
        if (s.mainWindow) PostWindowMessage(WM_SETCURSOR, 0, 0);
        s.cursorApplied = visible;
    }
    return 0;
}

int GetMouseDisplayFlag() { return P().mouseDisplayFlag; }

int UpdateMouseCursor() {
    if (P().windowMode) return 0;
    int x, y;
    PlatformGetCursorPos(&x, &y);
    SetMouseDisplayFlag(GetMouseDisplayFlag());
    return 0;
}

int GetMousePosition(int* x, int* y) {
    int px = 0, py = 0;
    PlatformGetCursorPos(&px, &py);
    if (P().windowMode) {
        double scale = GetWindowSizeExtendRate();
        PlatformRect client = PlatformGetClientRect(S().mainWindow);
        px = int((px - client.left) / scale);
        py = int((py - client.top) / scale);
    }
    if (x) *x = px;
    if (y) *y = py;
    return 0;
}

const SystemInfoRecord* GetSystemInfoRecord() { return &P().systemInfo; }
