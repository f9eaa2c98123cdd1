// Public screen and drawing functions: each takes the library lock and runs
// its inner function; the formatting ones format outside the lock first.
#include <cstdarg>

#include "core/lock.h"
#include "core/routines.h"
#include "graphics/directdraw/dd_system.h"
#include "graphics/draw_front.h"
#include "graphics/graph_draw_state.h"
#include "graphics/screen_settings.h"
#include "platform/surface_memory.h"
#include "zovav.h"

static_assert(sizeof(RECT) == sizeof(DrawRect), "the public rectangle is the draw rectangle");

int ScreenFlip() {
    return WithLibraryLock([] { return ScreenFlipImpl(); });
}

int SaveDrawScreenToBMP(int x1, int y1, int x2, int y2, const char* fileName) {
    return WithLibraryLock([=] { return SaveDrawScreenToBMPImpl(x1, y1, x2, y2, fileName); });
}

int ClearDrawScreen() {
    return WithLibraryLock([] { return ClearDrawScreenImpl(); });
}

int DrawGraph(int x, int y, int grHandle, int transFlag) {
    return WithLibraryLock([=] { return DrawGraphImpl(x, y, grHandle, transFlag); });
}

int DrawRotaGraph(int x, int y, double exRate, double angle, int grHandle, int transFlag, int turnFlag) {
    return WithLibraryLock([=] { return DrawRotaGraphImpl(x, y, exRate, angle, grHandle, transFlag, turnFlag); });
}

int DrawLine(int x1, int y1, int x2, int y2, int color, int thickness) {
    return WithLibraryLock([=] { return DrawLineImpl(x1, y1, x2, y2, color, thickness); });
}

int DrawBox(int x1, int y1, int x2, int y2, int color, int fillFlag) {
    return WithLibraryLock([=] { return DrawBoxImpl(x1, y1, x2, y2, color, fillFlag); });
}

int DrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int color, int fillFlag) {
    return WithLibraryLock([=] { return DrawTriangleImpl(x1, y1, x2, y2, x3, y3, color, fillFlag); });
}

int DrawString(int x, int y, const char* string, int color, int edgeColor) {
    return WithLibraryLock([=] { return DrawStringImpl(x, y, string, color, edgeColor); });
}

int DrawStringToHandle(int x, int y, const char* string, int color, int fontHandle, int edgeColor,
                       int verticalFlag) {
    return WithLibraryLock(
        [=] { return DrawStringToHandleImpl(x, y, string, color, fontHandle, edgeColor, verticalFlag); });
}

int DrawFormatString(int x, int y, int color, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    FormatStringV(buffer, sizeof buffer, format ? format : "", args);
    va_end(args);
    return WithLibraryLock([&] { return DrawStringImpl(x, y, buffer, color, 0); });
}

int DrawFormatStringToHandle(int x, int y, int color, int fontHandle, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    FormatStringV(buffer, sizeof buffer, format ? format : "", args);
    va_end(args);
    return WithLibraryLock([&] { return DrawStringToHandleImpl(x, y, buffer, color, fontHandle, 0, 0); });
}

int SetDrawBlendMode(int blendMode, int blendParam) {
    return WithLibraryLock([=] { return SetDrawBlendModeImpl(blendMode, blendParam); });
}

int SetDrawBright(int red, int green, int blue) {
    return WithLibraryLock([=] { return SetDrawBrightImpl(red, green, blue); });
}

int SetDrawScreen(int drawScreen) {
    return WithLibraryLock([=] { return SetDrawScreenImpl(drawScreen); });
}

int GetDrawScreenGraph(int x1, int y1, int x2, int y2, int grHandle, int useClientFlag) {
    return WithLibraryLock([=] { return GetDrawScreenGraphImpl(x1, y1, x2, y2, grHandle, useClientFlag); });
}

// Pure arithmetic on the caller's rectangles: no lock.
int RectClipping(RECT* rect, const RECT* clipRect) {
    return RectClippingImpl(reinterpret_cast<DrawRect*>(rect), reinterpret_cast<const DrawRect*>(clipRect));
}

const SurfacePixelFormat* GetScreenPixelFormat() {
    const SurfacePixelFormat* result = nullptr;
    WithLibraryLock([&] {
        result = GetScreenPixelFormatImpl();
        return 0;
    });
    return result;
}
