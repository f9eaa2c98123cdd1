// A library started as a game starts it, in a window on the drawing road asked for, inside a
// temporary folder of its own that holds the files the bench wrote there first; ended and
// removed with the object. For benches that measure the public calls a game makes.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/startup.h"
#include "graphics/graph_create_settings.h"
#include "graphics/screen_settings.h"
#include "platform/vblank_clock.h"
#include "zovav.h"

// The software screens, or the 3D device (hardware drawing; only on a display with GL, see
// virtual_display.h).
enum class Road { SoftwareScreens, Direct3D };

class StartedLibrary {
public:
    // writeFiles() runs in the new folder before the library starts.
    template <class WriteFiles>
    StartedLibrary(Road road, WriteFiles&& writeFiles) {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        char pattern[] = "/tmp/zvbench.XXXXXX";
        if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0) return;
        dir_ = pattern;
        writeFiles();
        SetSkipStartupWaits(1);
        VBlankSetImmediate(true);   // drawing only, not the wait for the display
        // Settings outlive a run: a software run before leaves its screens and no 3D device for
        // the next start unless set back.
        ResetScreenSettings();
        SetUseHardwareDrawFlag(road == Road::Direct3D ? 1 : 0);
        ChangeWindowMode(1);
        // A 3D device that cannot be made or is refused leaves the library on the software
        // screens, which is not the road asked for.
        ok_ = ZoVav_Init() == 0 && GetDirect3DUpFlag() == (road == Road::Direct3D ? 1 : 0);
    }
    template <class WriteFiles>
    explicit StartedLibrary(WriteFiles&& writeFiles) : StartedLibrary(Road::SoftwareScreens, writeFiles) {}
    ~StartedLibrary() {
        ZoVav_End();
        // Out of the folder before it goes, so later runs still have a working directory.
        if (chdir("/") != 0) return;
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    StartedLibrary(const StartedLibrary&) = delete;
    StartedLibrary& operator=(const StartedLibrary&) = delete;

    // Started, on the road asked for.
    bool ok() const { return ok_; }

private:
    std::string dir_;
    bool ok_ = false;
};
