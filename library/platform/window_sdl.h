// The main window over SDL2: creation, style, placement, cursor, and the
// pump that turns SDL events into library messages.
// Called on the main thread only.
#pragma once
#include <cstdint>
#include <string>
#include "platform/window_messages.h"

struct PlatformWindow;

// Starts the video side of SDL on first use; false (with the reason in
// PlatformVideoError) when there is no display.
bool PlatformVideoStart();
void PlatformVideoStop();
const char* PlatformVideoError();

// Desktop size and colour bits (bytes per pixel times 8).
bool PlatformGetDesktop(int* width, int* height, int* colorBits);

// Windows made from now on can take a 3D device (an OpenGL window where the
// driver offers one).
void PlatformRequestOpenGLWindow(bool request);
// Title is Shift-JIS. x, y, width, height are the client area.
PlatformWindow* PlatformCreateWindow(const char* title, int x, int y, int width, int height,
                                     bool fullScreen);
void PlatformDestroyWindow(PlatformWindow* window);
void PlatformSetWindowTitle(PlatformWindow* window, const char* title);
// The window's icon from 0xAARRGGBB pixels (not premultiplied, rows from the top).
void PlatformSetWindowIcon(PlatformWindow* window, int width, int height, const uint32_t* pixels);
void PlatformSetFullScreen(PlatformWindow* window, bool fullScreen);
void PlatformShowWindow(PlatformWindow* window);
void PlatformRaiseWindow(PlatformWindow* window);
void PlatformMinimizeWindow(PlatformWindow* window);
// Client area in screen coordinates, and the outer rectangle with the frame.
PlatformRect PlatformGetClientRect(PlatformWindow* window);
PlatformRect PlatformGetWindowRect(PlatformWindow* window);
// Places the window by its outer rectangle.
void PlatformMoveWindow(PlatformWindow* window, int x, int y, int outerWidth, int outerHeight);
// Outer size for a client size (frame added).
void PlatformAdjustWindowSize(PlatformWindow* window, int* width, int* height);
void* PlatformNativeWindow(PlatformWindow* window);   // the SDL_Window, for other platform files

void PlatformShowCursor(bool show);
void PlatformGetCursorPos(int* x, int* y);            // screen coordinates

// Moves pending SDL events into the library's message queue.
void PlatformPumpEvents();

