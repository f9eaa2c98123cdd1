// The library's answers to the game's system calls, and the game's log line.
#include "frame/game_system.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame/host_files.h"
#include "zovav_host.h"

namespace {
class LibrarySystem : public GameSystem {
public:
    int NowMs() override { return GetNowCount(); }
    void SleepMs(int ms) override { SleepMilliseconds(ms); }
    int PadWord() override { return GetJoypadInputState(ZV_INPUT_KEYBOARD | ZV_INPUT_PAD1); }
    bool EscapeDown() override { return CheckHitKey(DIK_ESCAPE) != 0; }
    int ProcessMessage() override { return ::ProcessMessage(); }
    void GetDate(DateTimeData* out) override { GetDateTime(out); }
    int ScreenFlip() override { return ::ScreenFlip(); }
    void MessageBox(const char* caption, const char* text) override { HostMessageBox(caption, text); }

protected:
    void EndProcess(int status) override { exit(status); }
};

struct SystemState {
    LibrarySystem library;
    GameSystem* current = &library;
};
SystemState g_system;
}  // namespace

GameSystem& Sys() { return *g_system.current; }

void SetGameSystem(GameSystem* system) { g_system.current = system ? system : &g_system.library; }

void GameLog(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    HostLogLine(text);
    std::string utf8;
    HostShiftJisToUtf8(text, utf8);
    fprintf(stderr, "Velmora: %s\n", utf8.empty() ? text : utf8.c_str());
}
