// The main window's procedure, the main thread's message pump with its
// inactive wait, and the message thread that keeps the periodic work going
// while the main thread is busy. Only the main thread touches the window
// system; the periodic work never does and never waits.
#include "core/window.h"

#include <cstdlib>
#include <cstring>

#include "core/alloc.h"
#include "core/char_buffer.h"
#include "core/library_state.h"
#include "core/lock.h"
#include "core/log.h"
#include "core/subsystem.h"
#include "core/window_settings.h"
#include "platform/message_queue.h"
#include "platform/presenter_sdl.h"
#include "platform/system_posix.h"
#include "platform/window_sdl.h"

namespace {
constexpr int kMessagesPerPass = 5;
constexpr int kMaxDroppedFiles = 1000;

LibrarySessionState& S() { return g_Library.session; }

void OnActivation(uintptr_t wParam) {
    LibrarySessionState& s = S();
    s.active = LowWord(wParam) != 0;
    if (s.windowBeingCreated) return;
    ActivationEvent event = {s.active != 0, HighWord(wParam) != 0, false};
    ActivateSubsystems(&event);
}

// Keeps the client area in the screen's aspect ratio while the frame is dragged.
void OnSizing(uintptr_t edge, PlatformRect* r) {
    LibrarySessionState& s = S();
    int screenWidth, screenHeight;
    GetDisplayScreenSize(&screenWidth, &screenHeight);
    PlatformRect window = PlatformGetWindowRect(s.mainWindow), client = PlatformGetClientRect(s.mainWindow);
    int frameWidth = (window.right - window.left) - (client.right - client.left);
    int frameHeight = (window.bottom - window.top) - (client.bottom - client.top);
    int clientWidth = (r->right - r->left) - frameWidth;
    int clientHeight = (r->bottom - r->top) - frameHeight;
    bool heightFollows;
    switch (edge) {
        case WMSZ_LEFT: case WMSZ_RIGHT: heightFollows = true; break;
        case WMSZ_TOP: case WMSZ_BOTTOM: heightFollows = false; break;
        default:
            heightFollows = double(clientHeight) / screenHeight < double(clientWidth) / screenWidth;
            break;
    }
    if (heightFollows) {
        r->bottom = r->top + clientWidth * screenHeight / screenWidth + frameHeight;
    } else {
        clientWidth = clientHeight * screenWidth / screenHeight;
        r->right = r->left + clientWidth + frameWidth;
    }
    g_Library.persistent.windowScale = double(clientWidth) / screenWidth;
}

void HideCursorWhileHidden() {
    if (!GetMouseDisplayFlag()) PlatformShowCursor(false);
}

void DispatchToWindow(const PlatformMessage& m) {
    if (!m.toThread) WndProc(m.message, m.wParam, m.lParam);
}

void PeriodicWorkWhileInactive() {
    RunSubsystemPeriodicWork(true);
    PlatformSleepMs(1);
}

// The window's messages, at most a few per pass; while the window is
// inactive it waits here (doing the periodic work) until it is active again,
// closing, or the program quits.
void PumpWindowMessages() {
    LibrarySessionState& s = S();
    bool notedInactive = false;
    bool noMessage = false;
    for (;;) {
        if ((s.active || s.closeRequested) && (noMessage || g_Library.quit)) return;
        if (!s.active && !notedInactive) {
            notedInactive = true;
            s.inactiveSince = PlatformTimeMs();
            s.inactiveWait = 1;
        }
        noMessage = true;
        if (!s.active) PlatformSleepMs(1);

        PlatformPumpEvents();
        PlatformMessage m;
        while (TakeMessage(&m)) {
            if (m.message == WM_ACTIVATEAPP && g_Library.persistent.windowMode) s.active = LowWord(m.wParam) != 0;
            if (g_Library.quit) return;
            if (m.message == WM_QUIT) g_Library.quit = 1;
            DispatchToWindow(m);
            if (++s.messageCounter == kMessagesPerPass) {
                s.messageCounter = 0;
                break;
            }
            noMessage = false;
        }
        if (!s.active) PeriodicWorkWhileInactive();
        if (g_Library.quit) return;
    }
}
}  // namespace

void RequestWindowClose() {
    if (S().closeRequested) return;
    S().closeRequested = 1;
    PostWindowMessage(WM_CLOSE, 0, 0);
}

bool IsMainThread() { return PlatformThreadId() == S().mainThreadId; }

int ProcessMessageImpl() {
    LibrarySessionState& s = S();
    if (!s.windowExists) return g_Library.quit ? -1 : 0;
    // Off the main thread only the periodic work runs.
    if (IsMainThread()) {
        PumpWindowMessages();
        UpdateMouseCursor();
        PresenterPresentPending();   // repaints asked for on other threads
        RunSubsystemMainThreadWork();
    }
    RunSubsystemPeriodicWork(false);
    return g_Library.quit ? -1 : 0;
}

void ProcessMessageWhileInactive() {
    LibrarySessionState& s = S();
    // Without a window nothing can make it active again, and only the main
    // thread's pump can: another thread waiting here would hold the library
    // lock that pump needs, so it goes on at once.
    if (s.painting || s.active || !s.windowExists || !IsMainThread()) return;
    s.inactiveSince = PlatformTimeMs();
    s.inactiveWait = 1;
    while (ProcessMessageImpl() == 0 && !s.active) {
    }
    RestoreDisplayLostGraphs();
}

void DestroyMainWindow() {
    LibrarySessionState& s = S();
    if (!s.mainWindow) return;
    WndProc(WM_DESTROY, 0, 0);
    PlatformDestroyWindow(s.mainWindow);
    s.mainWindow = nullptr;
}

intptr_t WndProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    LibrarySessionState& s = S();
    const bool windowMode = g_Library.persistent.windowMode != 0;
    switch (message) {
        case WM_DESTROY:
            ErrorLogAdd("ウインドウが破棄されようとしています\n");
            s.windowDestroyed = 1;
            ErrorLogAdd("ソフトを終了する準備が整いました\n");
            PostThreadMessage(WM_QUIT, 0, 0);
            g_Library.quit = 1;
            break;
        case WM_MOVE:
            if (windowMode && !s.modeChangeRunning) UpdateWindowClientRect(lParam);
            break;
        case WM_SIZE:
            if (wParam != SIZE_MAXIMIZED) FitMainWindowToClientSize();
            break;
        case WM_ACTIVATE:
            OnActivation(wParam);
            break;
        case WM_ACTIVATEAPP:
            if (wParam == 0) OnActivation(wParam);
            break;
        case WM_PAINT: {
            intptr_t ignored;
            s.painting = 1;
            SubsystemWindowMessage(message, wParam, lParam, &ignored);
            s.painting = 0;
            break;
        }
        case WM_CLOSE:
            ErrorLogAdd("ウインドウを閉じようとしています\n");
            DestroyMainWindow();
            if (s.closeState == 0) s.closeState = 4;
            return 0;
        case WM_SETCURSOR:
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            HideCursorWhileHidden();
            break;
        case WM_DISPLAYCHANGE: {
            intptr_t ignored;
            SubsystemWindowMessage(message, wParam, lParam, &ignored);
            s.displayChanged = 1;
            break;
        }
        case WM_KEYDOWN: {
            static const struct { uintptr_t key; int ch; } kControlKeys[] = {
                {VK_DELETE, 16}, {VK_LEFT, 29}, {VK_RIGHT, 28}, {VK_UP, 30}, {VK_DOWN, 31}};
            if (CharBufferHasRoom())
                for (const auto& k : kControlKeys)
                    if (k.key == wParam) AddCharToCharBuffer(k.ch);
            break;
        }
        case WM_CHAR: {
            int ch = wParam == 10 ? 13 : int(wParam);
            if (ch >= 32 || ch == 8 || ch == 9 || ch == 13 || ch == 16 || ch == 27) AddCharToCharBuffer(ch);
            break;
        }
        case WM_SYSCOMMAND:
            if (wParam == SC_SCREENSAVE) return 1;
            break;
        case WM_MOUSEWHEEL:
            s.wheelCount += int16_t(HighWord(wParam)) > 0 ? 1 : -1;
            break;
        case WM_SIZING:
            if (windowMode && lParam) OnSizing(wParam, reinterpret_cast<PlatformRect*>(lParam));
            break;
        case WM_MOVING:
            if (!windowMode && lParam) *reinterpret_cast<PlatformRect*>(lParam) = PlatformGetWindowRect(s.mainWindow);
            break;
        case WM_DROPFILES: {
            char* name = reinterpret_cast<char*>(lParam);
            if (name && s.droppedFileCount < kMaxDroppedFiles) {
                size_t len = strlen(name);
                char* copy = static_cast<char*>(ZVALLOC(len + 1));
                if (copy) {
                    memcpy(copy, name, len + 1);
                    s.droppedFiles[s.droppedFileCount++] = copy;
                }
            }
            free(name);
            break;
        }
        case WM_IME_SETCONTEXT:
        case WM_IME_NOTIFY:
        case WM_IME_STARTCOMPOSITION:
        case WM_IME_ENDCOMPOSITION:
        case WM_IME_COMPOSITION:
            return ImeWindowMessage(message, (unsigned long)wParam, long(lParam));
        default: {
            intptr_t result = 0;
            SubsystemWindowMessage(message, wParam, lParam, &result);
            return result;
        }
    }
    return 0;
}

void MessageThreadProc() {
    LibraryState& L = g_Library;
    while (!L.quit) {
        if (!LockLibraryUnlessQuit(L.quit)) break;
        if (S().windowExists) RunSubsystemPeriodicWork(false);
        const bool quit = L.quit != 0;
        UnlockLibraryNoYield();
        if (quit) break;
        PlatformSleepMs(17);
    }
    L.messageThreadEnded = 1;
}

int FitMainWindowToClientSize() {
    LibrarySessionState& s = S();
    if (!s.mainWindow) return 0;
    int targetWidth, targetHeight;
    GetWindowModeClientSize(&targetWidth, &targetHeight);
    PlatformRect window = PlatformGetWindowRect(s.mainWindow), client = PlatformGetClientRect(s.mainWindow);
    int outerWidth = (window.right - window.left) - (client.right - client.left) + targetWidth;
    int outerHeight = (window.bottom - window.top) - (client.bottom - client.top) + targetHeight;
    PlatformMoveWindow(s.mainWindow, window.left, window.top, outerWidth, outerHeight);
    if (g_Library.persistent.windowMode && !s.windowStyleApplied) {
        s.windowStyleApplied = 1;
        SetWindowStyle();
    }
    return 0;
}

int UpdateWindowClientRect(intptr_t position) {
    LibrarySessionState& s = S();
    PlatformRect client = PlatformGetClientRect(s.mainWindow);
    int left = int16_t(LowWord(uintptr_t(position)));
    int top = int16_t(HighWord(uintptr_t(position)));
    s.clientRect = {left, top, left + (client.right - client.left), top + (client.bottom - client.top)};
    return 0;
}

int GetQuitFlag() { return int(g_Library.quit.load()); }
void* GetMainWindowHandle() { return S().mainWindow; }
int GetWindowModeFlag() { return g_Library.persistent.windowMode; }
int GetActiveFlag() { return S().active; }
int GetMMXUseFlag() { return g_Library.persistent.mmxFlag; }
int GetWindowCloseFlag() { return S().closeRequested; }
int GetUseWindowRgnFlag() { return 0; }
PlatformRect GetWindowClientRect() { return S().clientRect; }

int GetDisplaySettings(int* width, int* height, int* colorBits) {
    if (width) *width = S().desktopWidth;
    if (height) *height = S().desktopHeight;
    if (colorBits) *colorBits = S().desktopColorBits;
    return 0;
}

double GetWindowSizeExtendRate() {
    LibraryPersistentState& p = g_Library.persistent;
    if (p.windowScale <= 0.0) p.windowScale = 1.0;
    return p.windowMode ? p.windowScale : 1.0;
}

void GetWindowModeClientSize(int* width, int* height) {
    int screenWidth, screenHeight;
    GetDisplayScreenSize(&screenWidth, &screenHeight);
    const double scale = GetWindowSizeExtendRate();
    *width = int(screenWidth * scale);
    *height = int(screenHeight * scale);
}

int GetMouseWheelCount() { return S().wheelCount; }
int GetDroppedFileCount() { return S().droppedFileCount; }
const char* GetDroppedFileName(int index) {
    return index >= 0 && index < S().droppedFileCount ? S().droppedFiles[index] : nullptr;
}

void FreeDroppedFiles() {
    LibrarySessionState& s = S();
    for (int i = 0; i < s.droppedFileCount; ++i) ZvFree(s.droppedFiles[i]);
    s.droppedFileCount = 0;
}
