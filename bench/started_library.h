// A library started as a game starts it, on the software road and without a display, inside a
// temporary folder of its own that holds the files the bench wrote there first; ended and
// removed with the object. For benches that measure the public calls a game makes.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/startup.h"
#include "graphics/screen_settings.h"
#include "platform/vblank_clock.h"
#include "zovav.h"

class StartedLibrary {
public:
    // writeFiles() runs in the new folder before the library starts.
    template <class WriteFiles>
    explicit StartedLibrary(WriteFiles&& writeFiles) {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        char pattern[] = "/tmp/zvbench.XXXXXX";
        if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0) return;
        dir_ = pattern;
        writeFiles();
        SetSkipStartupWaits(1);
        VBlankSetImmediate(true);
        ResetScreenSettings();
        SetUseHardwareDrawFlag(0);
        ChangeWindowMode(1);
        ok_ = ZoVav_Init() == 0;
    }
    ~StartedLibrary() {
        ZoVav_End();
        if (chdir("/") != 0) return;
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    StartedLibrary(const StartedLibrary&) = delete;
    StartedLibrary& operator=(const StartedLibrary&) = delete;

    bool ok() const { return ok_; }

private:
    std::string dir_;
    bool ok_ = false;
};
