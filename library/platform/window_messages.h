// Numbers of the window messages that the window system and the library
// exchange through the message queue, and the values they carry.
#pragma once
#include <cstdint>

enum WindowMessage : uint32_t {
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_ACTIVATEAPP = 0x001C,
    WM_SETCURSOR = 0x0020,
    WM_DISPLAYCHANGE = 0x007E,
    WM_KEYDOWN = 0x0100,
    WM_CHAR = 0x0102,
    WM_IME_STARTCOMPOSITION = 0x010D,
    WM_IME_ENDCOMPOSITION = 0x010E,
    WM_IME_COMPOSITION = 0x010F,
    WM_SYSCOMMAND = 0x0112,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
    WM_MOUSEWHEEL = 0x020A,
    WM_SIZING = 0x0214,
    WM_MOVING = 0x0216,
    WM_DROPFILES = 0x0233,
    WM_IME_SETCONTEXT = 0x0281,
    WM_IME_NOTIFY = 0x0282,
    MM_MCINOTIFY = 0x03B9,
    WM_INPUT_FLAG1 = 0x046F,
    WM_INPUT_FLAG2 = 0x0470,
    WM_SOCKET_NOTIFY = 0x0505,
};

constexpr uintptr_t SC_SCREENSAVE = 0xF140;
constexpr uintptr_t SIZE_MAXIMIZED = 2;

// Edges of WM_SIZING.
enum SizingEdge : uintptr_t {
    WMSZ_LEFT = 1, WMSZ_RIGHT = 2, WMSZ_TOP = 3, WMSZ_TOPLEFT = 4,
    WMSZ_TOPRIGHT = 5, WMSZ_BOTTOM = 6, WMSZ_BOTTOMLEFT = 7, WMSZ_BOTTOMRIGHT = 8,
};

// Key codes the window procedure turns into control characters.
enum VirtualKey : uintptr_t {
    VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_DELETE = 46,
};

struct PlatformRect {
    int left, top, right, bottom;
};

inline uint32_t LowWord(uintptr_t v) { return uint32_t(v & 0xFFFF); }
inline uint32_t HighWord(uintptr_t v) { return uint32_t((v >> 16) & 0xFFFF); }
inline intptr_t MakeLParam(int low, int high) {
    return intptr_t(uint32_t((low & 0xFFFF) | (uint32_t(high & 0xFFFF) << 16)));
}
