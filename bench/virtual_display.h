// A private virtual X display that SDL opens its window on while the object lives, for the
// benches that measure frames shown on a display. Its only GL is Mesa's software one, which the
// library takes as a 3D device only because the display's start allows it
// (ZOVAV_ALLOW_SOFTWARE_GL, see x_server.h). End the library before the display goes.
#pragma once
#include <cstdlib>
#include <string>

#include "../tests/x_server.h"

class VirtualDisplay {
public:
    // False when no display starts (Xvfb is needed); SDL keeps its driver then.
    bool Start() {
        if (!server_.Start()) return false;
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        saved_ = driver ? driver : "";
        setenv("SDL_VIDEODRIVER", "x11", 1);
        setenv("DISPLAY", server_.display().c_str(), 1);
        started_ = true;
        return true;
    }
    ~VirtualDisplay() {
        if (!started_) return;
        if (saved_.empty()) unsetenv("SDL_VIDEODRIVER");
        else setenv("SDL_VIDEODRIVER", saved_.c_str(), 1);
    }

private:
    zvtest::XServer server_;
    std::string saved_;
    bool started_ = false;
};
