// Presenting the screen: one streaming texture in the main window that the
// front screen's pixels are uploaded to and shown from, scaled to the window.
// SDL is touched on the main thread only; a request made on another thread
// waits for the main thread's next Present call.
#pragma once
#include <cstdint>

#include "platform/window_messages.h"

struct PlatformWindow;

// Pixel layouts the presenter takes.
enum PresenterFormat {
    PRESENTER_X8R8G8B8 = 0,   // 32-bit, the top byte ignored
    PRESENTER_R5G6B5 = 1,     // 16-bit
};

// While a 3D device owns the window (window_owner.h) there is no SDL renderer
// and frames are shown through the device.
bool PresenterStart(PlatformWindow* window, int width, int height);
void PresenterStop();

// Copies a rectangle of the screen (screen coordinates; null = all of it)
// into the presenter's frame. Any thread.
void PresenterUpload(const void* pixels, int pitch, PresenterFormat format, const PlatformRect* area);
// Shows the frame: at once on the main thread, else at its next call.
void PresenterPresent(bool onMainThread);
// Shows the frame if a repaint waits (main thread).
void PresenterPresentPending();
// Reads the presented frame back as X8R8G8B8 rows (any thread).
bool PresenterReadBack(uint32_t* out, int pitchBytes, const PlatformRect* area);
