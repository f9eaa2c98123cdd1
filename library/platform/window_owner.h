// Who draws the main window: the presenter's SDL renderer, or a 3D device that
// took the window over and shows the presenter's frames for it.
#pragma once
#include <cstdint>

class WindowOwner {
public:
    // Shows X8R8G8B8 rows in the window (main thread).
    virtual int PresentPixels(const uint32_t* pixels, int width, int height) = 0;

protected:
    ~WindowOwner() = default;
};

// The device's side, main thread, in this order. Taking the window drops the
// presenter's SDL renderer before the device makes its GL context there (a
// window has one drawing owner); the device registers once it is up; giving
// the window back (the device is gone or failed to start) clears the owner
// and makes the SDL renderer again.
void WindowOwnerTake();
void WindowOwnerRegister(WindowOwner* owner);
void WindowOwnerGiveBack();
// The registered device, null while the presenter draws the window itself.
WindowOwner* WindowOwnerCurrent();
