// The on-screen log console's state and its own font.
#include "graphics/log_on_screen.h"

#include "core/library_state.h"
#include "graphics/font/font_handle.h"
#include "graphics/graphics_core.h"

namespace {
struct LogOnScreenState {
    int inUse = 0;
    int drawFlag = 0;
    int fontHandle = -1;
    int fontLost = 0;
    int fontSize = 16;
    char text[80][255] = {};
    int cursorX = 0, cursorY = 0, lineCount = 0;
};
LogOnScreenState g_screenLog;
}  // namespace

int InitLogOnScreen() {
    if (g_screenLog.inUse) return 0;
    if (!GetDirectDrawObjectExists() || !g_Library.session.mainWindow) return -1;
    g_screenLog = LogOnScreenState{};
    g_screenLog.inUse = 1;
    g_screenLog.fontLost = 1;
    // The console's own font: edged, default face; the font layer raises the
    // lost flag whenever the font goes with the graphics state.
    g_screenLog.fontHandle = CreateFontToHandleImpl(nullptr, g_screenLog.fontSize, 4, 1, -1, -1, 0, -1, -1);
    SetFontLostFlag(g_screenLog.fontHandle, &g_screenLog.fontLost);
    return 0;
}

int TerminateLogOnScreen() {
    if (g_screenLog.fontHandle != -1) DeleteFontToHandleImpl(g_screenLog.fontHandle);
    g_screenLog.inUse = 0;
    g_screenLog.fontHandle = -1;
    return 0;
}

int GetLogOnScreenFlag() { return g_screenLog.drawFlag; }
