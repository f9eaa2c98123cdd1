// The velmora program on a virtual X display for the window tests: the tools
// they need, the start and the end of the key script, and its run.
#pragma once
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "zv_xserver.h"

namespace windowfix {

inline bool HaveXTools() {
    return std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") == 0;
}

// Starts the program and waits (up to a minute, for busy machines) for its titled window.
constexpr char kStartScript[] = "\"$1\" 2>game.err & pid=$!\n"
                                "for i in $(seq 1 600); do\n"
                                "  xdotool search --name 'Velmora ver 1.000' >/dev/null 2>&1 && break; sleep 0.1\n"
                                "done\n";

// Presses Escape until the game (still loading at first) takes it, for as
// long as the run may last, and ends with the game's status, which run.log
// also notes when it is not 0 (above 128 the game died by signal status - 128).
constexpr char kEscapeScript[] =
    "while kill -0 $pid 2>/dev/null; do\n"
    "  xdotool keydown Escape; sleep 0.2; xdotool keyup Escape; sleep 0.1\n"
    "done\n"
    "wait $pid; status=$?\n"
    "[ $status -eq 0 ] || echo \"the game ended with status $status\"\n"
    "exit $status\n";

// Runs run.sh with the program as its argument on a virtual display of its
// own, for at most the given seconds (then the script and the game are ended
// and the status is 124), its output in run.log; the raw wait status, or -1
// when no display could be started (run.log says why).
inline int RunScript(int seconds) {
    zvtest::XServer x;
    if (!x.Start("1024x768x24")) {
        std::ofstream("run.log") << "no virtual display: " << x.failure() << "\n";
        return -1;
    }
    const std::string command = "DISPLAY=" + x.display() + " SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy timeout " +
                                std::to_string(seconds) + " sh run.sh " + VELMORA_PROGRAM + " >run.log 2>&1";
    return std::system(command.c_str());
}

// For a run that did not end with status 0: how it ended (the status, or the
// signal that ended the script), then run.log and the game's stderr.
inline std::string RunReport(int raw) {
    std::string how = raw == -1          ? "no run"
                      : WIFSIGNALED(raw) ? "the script died by signal " + std::to_string(WTERMSIG(raw)) + " (" +
                                               strsignal(WTERMSIG(raw)) + ")"
                      : WEXITSTATUS(raw) == 124 ? std::string("the run's time ran out")
                                                : "the script ended with status " + std::to_string(WEXITSTATUS(raw));
    return how + "\n--- run.log\n" + zvtest::ReadWholeFile("run.log") + "--- game.err\n" +
           zvtest::ReadWholeFile("game.err");
}

}  // namespace windowfix
