// The re-run of one test of this program on a private X server, and
// screenshots of it.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/startup.h"
#include "graphics/graph_create_settings.h"
#include "platform/device3d_gl.h"
#include "platform/vblank_clock.h"
#include "x_server.h"
#include "zovav.h"
#include "zv_test_support.h"

namespace zvtest {

// True inside a re-run made by RerunOnDisplay.
inline bool InDisplayRerun() { return std::getenv("ZV_XSERVER_CHILD") != nullptr; }

// Runs this program's test `filter` again on the server with SDL's X11
// driver, its output in logPath; returns its exit status. A re-run that
// hangs is ended after two minutes.
inline int RerunOnDisplay(const XServer& x, const std::string& filter, const std::string& logPath) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return -1;
    const std::string command = "timeout 120 env ZV_XSERVER_CHILD=1 DISPLAY=" + x.display() + " SDL_VIDEODRIVER=x11 " + self +
                                " --gtest_filter=" + filter + " >" + logPath + " 2>&1";
    return std::system(command.c_str());
}

// Keeps showing the drawn frame while the window maps, photographs the root
// window into shot.ppm and ends the library: 0, or 4 when no shot was taken.
inline int FlipAndPhotograph() {
    for (int i = 0; i < 20; ++i) {
        ScreenFlip();
        ProcessMessage();
        usleep(50 * 1000);
    }
    const int shot = std::system("import -window root -depth 8 shot.ppm");
    ZoVav_End();
    return shot == 0 ? 0 : 4;
}

// In a re-run, starts the library on the 3D road or (refuse3D) the software
// road and writes the "x-started" note: 0, 3 when the library does not start,
// 5 (after ending it) when it took the other road.
inline int StartOnRoad(bool refuse3D) {
    Device3DRefuse(refuse3D ? 1 : 0);
    SetSkipStartupWaits(1);
    VBlankSetImmediate(true);
    ChangeWindowMode(1);
    if (ZoVav_Init() != 0) return 3;
    std::ofstream("x-started") << "1";
    if (GetDirect3DUpFlag() != (refuse3D ? 0 : 1)) {
        ZoVav_End();
        return 5;
    }
    return 0;
}

// One test of this program re-run on a fresh X server, inside a temporary
// folder that lives as long as this object, so its shot.ppm can be read.
// The re-run writes "x-started" (its own note) once the library started.
class PhotographedRerun {
public:
    // Empty when the re-run happened; otherwise why it could not.
    std::string Run(const std::string& filter) {
        if (std::system("command -v import >/dev/null 2>&1") != 0) return "ImageMagick missing";
        if (!x_.Start("1280x1024x24")) return "no X server could be started (Xvfb is needed)";
        if (dir_.path().empty()) return "no temporary folder";
        status_ = RerunOnDisplay(x_, filter, "child.log");
        started_ = ReadWholeFile("x-started");
        if (started_.empty()) return "no X server could start: " + ReadWholeFile("child.log");
        return "";
    }
    int status() const { return status_; }
    const std::string& started() const { return started_; }
    std::string log() const { return ReadWholeFile("child.log"); }

private:
    XServer x_;
    ScopedTempDir dir_;
    int status_ = -1;
    std::string started_;
};

// Reads a binary PPM (P6, maxval 255) into w * h RGB byte triples.
inline bool ReadPpm(const std::string& path, int* w, int* h, std::vector<unsigned char>* px) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    if (!(in >> magic >> *w >> *h >> maxval) || magic != "P6" || maxval != 255) return false;
    in.get();
    px->resize(size_t(*w) * size_t(*h) * 3);
    return bool(in.read(reinterpret_cast<char*>(px->data()), std::streamsize(px->size())));
}

}  // namespace zvtest
