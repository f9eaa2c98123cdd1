// The graphics' row in the subsystem table: the settings checked before
// start-up, the display's start and end, and its answers to activation,
// repaint and display changes.
#include "core/library_state.h"
#include "core/log.h"
#include "core/subsystem.h"
#include "core/window.h"
#include "graphics/graphics_core.h"
#include "graphics/graphics_start.h"
#include "graphics/graph_restore.h"
#include "graphics/log_on_screen.h"
#include "platform/system_posix.h"
#include "platform/window_sdl.h"

namespace {
LibrarySessionState& S() { return g_Library.session; }
bool WindowMode() { return g_Library.persistent.windowMode != 0; }

int CheckGraphicsSettings() {
    if (GetNotUse3DFlag() == 1) SetUseDirectDrawFlag(0);
    // Hardware drawing asks for a window a 3D device can draw into.
    PlatformRequestOpenGLWindow(GetUseHardwareDrawFlag() && !GetNotUse3DFlag());
    int desktopBits = 0;
    PlatformGetDesktop(nullptr, nullptr, &desktopBits);
    if ((desktopBits == 24 && WindowMode()) || GetDisplayColorBitDepth() == 24) {
        ErrorLogAdd("REvevevは２４ビットカラーモードに対応していません\n");
        return -1;
    }
    SetRestoreGraphCallback(nullptr);
    return 0;
}

int GraphicsStarted() {
    SetWaitVSyncFlag(1);
    if (!WindowMode()) SetForegroundMainWindow();
    InitLogOnScreen();
    InitializeScreensAtStartup();
    return 0;
}

void OnGraphicsActivation(ActivationEvent* event) {
    LibrarySessionState& s = S();
    if (event->active) {
        RestoreAllSurface2D();
        RestoreAllSurface3D();
        if (!WindowMode() && s.libraryStarted) {
            if (!event->minimized) RestoreGraphSystem();
            s.restoreNeeded = 0;
        } else {
            ResumeAllMovies();
        }
    } else if (!WindowMode() && GetScreenModeChangedFlag()) {
        // A full screen that lost the display gives it up until it returns.
        event->screenLost = true;
        if (!GetUseHardwareDrawFlag()) {
            ReleaseDirectDrawObject();
            PlatformMinimizeWindow(s.mainWindow);
        }
        if (GetDirectDrawObjectExists()) {
            if (!CheckRestoreGraphCallback()) {
                ErrorLogAdd("復元関数が登録されていないため終了します\n");
                RequestWindowClose();
            } else {
                s.restoreNeeded = 1;
            }
        }
    } else {
        PauseAllMovies();
    }
}

void OnDisplayChange(uintptr_t wParam, intptr_t lParam) {
    if (WindowMode() || S().modeChangeRunning) return;
    int depth = int(wParam), width = int(LowWord(uintptr_t(lParam))), height = int(HighWord(uintptr_t(lParam)));
    int screenWidth = 0, screenHeight = 0, screenDepth = GetScreenColorBitDepth();
    GetScreenSize(&screenWidth, &screenHeight);
    if (depth == screenDepth && width == screenWidth && height == screenHeight) return;
    bool usable = CheckRestoreGraphCallback() && depth != 24 && (depth != 8 || depth == screenDepth) &&
                  width >= screenWidth && height >= screenHeight;
    if (usable) {
        ReleaseAllMovieSurfaces();
        SetupScreenColorData();
        RestoreGraphSystem();
        ResumeAllMovies();
    } else {
        ErrorLogAdd("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
        ErrorLogAdd("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
        RequestWindowClose();
    }
}

intptr_t GraphicsWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, bool* handled) {
    switch (message) {
        case WM_PAINT:
            *handled = true;
            if (WindowMode() && S().libraryStarted && GetDrawScreenImpl() == -2) RepaintBackScreen();
            return 0;
        case WM_DISPLAYCHANGE:
            *handled = true;
            OnDisplayChange(wParam, lParam);
            return 0;
        default:
            return 0;
    }
}

void ScreenSize(int* width, int* height) { GetScreenSize(width, height); }
int ApplyWindowModeToScreen() { return ChangeScreenMode(-1, -1, -1, 1, -1); }
void RestoreLostGraphs() { RestoreAllLostGraphs(); }
}  // namespace

void RegisterGraphicsSubsystem() {
    SubsystemRow row("graphics");
    row.checkSettings = CheckGraphicsSettings;
    row.start = InitializeDisplay;
    row.started = GraphicsStarted;
    row.stop = TerminateLogOnScreen;
    row.end = TerminateDisplay;
    row.onActivate = OnGraphicsActivation;
    row.windowMessage = GraphicsWindowMessage;
    RegisterSubsystem(row);
    RegisterDisplayHooks({ScreenSize, ApplyWindowModeToScreen, RestoreLostGraphs});
}
