// The window's icon: identifiers are looked up in the icon table linked into
// this program (the game's own), and on a real X display (a private virtual
// one) the window's icon property holds the picture of the identifier set
// before start-up or while the window is open. That display outlives each
// window: the library starts on it again right after it ends.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "core/library_state.h"
#include "core/program_icons.h"
#include "core/startup.h"
#include "platform/window_sdl.h"
#include "zovav.h"
#include "zv_test_support.h"
#include "zv_xserver.h"

namespace {

constexpr int kGameIcon = 102;

TEST(WindowIcon, TheProgramCarriesTheGameIconInTwoSizesAndTheLargestIsShown) {
    std::vector<int> sizes;
    for (int i = 0; i < g_programIcons.count; ++i)
        if (g_programIcons.icons[i].id == kGameIcon) sizes.push_back(g_programIcons.icons[i].width);
    EXPECT_EQ(sizes, (std::vector<int>{32, 64}));
    const ProgramIcon* shown = FindProgramIcon(kGameIcon);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->width, 64);
    EXPECT_EQ(shown->height, 64);
    EXPECT_EQ(FindProgramIcon(0), nullptr);    // the window system's default
    EXPECT_EQ(FindProgramIcon(7), nullptr);    // no picture of that number
}

// The window's _NET_WM_ICON as width, height, then the pixels; empty when
// the window has none.
std::vector<uint32_t> WindowIconProperty() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    auto* window = static_cast<SDL_Window*>(PlatformNativeWindow(g_Library.session.mainWindow));
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
    Display* display = info.info.x11.display;
    const Atom icon = XInternAtom(display, "_NET_WM_ICON", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<uint32_t> values;
    if (XGetWindowProperty(display, info.info.x11.window, icon, 0, 1 << 20, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data && format == 32) {
        // Xlib hands 32-bit items over as longs.
        const long* items = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i < count; ++i) values.push_back(uint32_t(items[i]));
    }
    if (data) XFree(data);
    return values;
}

std::vector<uint32_t> PropertyOf(const ProgramIcon& icon) {
    std::vector<uint32_t> v = {uint32_t(icon.width), uint32_t(icon.height)};
    v.insert(v.end(), icon.pixels, icon.pixels + icon.width * icon.height);
    return v;
}

// One window per case: an identifier set before start-up, then perhaps one
// set while the window is open (-1: none).
struct IconCase {
    const char* name;
    int before, whileOpen;
    bool showsGameIcon;
};
const IconCase kIconCases[] = {
    {"game icon set before start-up", kGameIcon, -1, true},
    {"game icon set with the window open", 0, kGameIcon, true},
    {"default identifier", 0, -1, false},
    {"identifier without a picture", 7, -1, false},
    {"without a picture, then with the window open", 7, kGameIcon, true},
};

// A server that resets when its last client leaves drops what it held, and
// with it a connection made meanwhile (a failed open, or SIGPIPE on a write).
TEST(VirtualDisplay, KeepsWhatItHoldsWhenItsLastClientLeaves) {
    zvtest::XServer x;
    if (!x.Start()) GTEST_SKIP() << x.failure();
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Display* first = XOpenDisplay(x.display().c_str());
        ASSERT_NE(first, nullptr);
        const Atom note = XInternAtom(first, "ZV_NOTE", False);
        const unsigned char kept[] = "kept";
        XChangeProperty(first, DefaultRootWindow(first), note, XA_STRING, 8, PropModeReplace, kept, 4);
        XCloseDisplay(first);

        Display* next = XOpenDisplay(x.display().c_str());
        ASSERT_NE(next, nullptr) << "the next connection was dropped";
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(next, DefaultRootWindow(next), XInternAtom(next, "ZV_NOTE", False), 0, 16, False, XA_STRING,
                           &type, &format, &count, &after, &data);
        const std::string read = data ? std::string(reinterpret_cast<char*>(data), count) : "";
        if (data) XFree(data);
        XCloseDisplay(next);
        ASSERT_EQ(read, "kept");
    }
}

TEST(WindowIcon, TheWindowShowsThePictureOfItsIdentifier) {
    if (!zvtest::InDisplayRerun()) {
        zvtest::XServer x;
        if (!x.Start()) GTEST_SKIP() << "no X server could be started (Xvfb is needed)";
        zvtest::ScopedTempDir dir;
        const int status = zvtest::RerunOnDisplay(x, "WindowIcon.TheWindowShowsThePictureOfItsIdentifier", "child.log");
        EXPECT_EQ(status, 0) << zvtest::ReadWholeFile("child.log");
        return;
    }
    SetSkipStartupWaits(1);
    const ProgramIcon* game = FindProgramIcon(kGameIcon);
    ASSERT_NE(game, nullptr);
    for (const IconCase& c : kIconCases) {
        SCOPED_TRACE(c.name);
        SetWindowIconID(c.before);
        ChangeWindowMode(1);
        ASSERT_EQ(ZoVav_Init(), 0);
        if (c.whileOpen >= 0) {
            EXPECT_EQ(SetWindowIconID(c.whileOpen), 0);
        }
        ProcessMessage();
        const std::vector<uint32_t> property = WindowIconProperty();
        const std::vector<uint32_t> expected = c.showsGameIcon ? PropertyOf(*game) : std::vector<uint32_t>{};
        EXPECT_TRUE(property == expected) << property.size() << " values, " << expected.size() << " expected";
        ZoVav_End();
    }
}

}  // namespace
