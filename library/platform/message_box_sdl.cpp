// Message boxes: stderr always, an SDL box where a display exists. SDL can
// show one before it is started, so this works before and after the library.
#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/text_iconv.h"

namespace {
std::string ToUtf8(const char* sjis) {
    std::string out;
    ShiftJisToUtf8(sjis ? sjis : "", out);
    return out;
}

bool HeadlessDriver(const char* driver) {
    return driver && (strcmp(driver, "dummy") == 0 || strcmp(driver, "offscreen") == 0);
}

bool DisplayExists() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return !HeadlessDriver(SDL_GetCurrentVideoDriver());
    if (HeadlessDriver(getenv("SDL_VIDEODRIVER"))) return false;
    return getenv("DISPLAY") || getenv("WAYLAND_DISPLAY");
}
}  // namespace

void PlatformMessageBox(const char* text, const char* caption) {
    std::string t = ToUtf8(text), c = ToUtf8(caption);
    fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
    if (DisplayExists()) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, c.c_str(), t.c_str(), nullptr);
}
