// What the game asks of the machine outside drawing and sound: the clock,
// the pad word, Escape, the message pump, the date, the screen flip, the
// message box and process exit, and the word that an update has finished.
// The library answers by default; tests and the headless harness put their
// own in its place.
#pragma once

#include <cstdlib>

#include "zovav.h"

class GameSystem {
public:
    virtual ~GameSystem() = default;
    virtual int NowMs() = 0;
    virtual void SleepMs(int ms) = 0;
    // Keyboard and pad 1 together. The frame loop reads it once per update,
    // after the actors and scenes moved, so what they read is the word of the
    // update before (see CGame::Update).
    virtual int PadWord() = 0;
    virtual bool EscapeDown() = 0;
    virtual int ProcessMessage() = 0;     // non-zero once the program must end
    virtual void GetDate(DateTimeData* out) = 0;
    virtual int ScreenFlip() = 0;
    // Called by the frame loop after each update, before it is drawn: the
    // place to look at the finished play state. The library has nothing to do.
    virtual void UpdateFinished() {}
    // Modal box with an OK button; works whether the library runs or not.
    virtual void MessageBox(const char* caption, const char* text) = 0;
    // Ends the process with the status; never comes back.
    [[noreturn]] void Exit(int status) {
        EndProcess(status);
        abort();   // an EndProcess that returned
    }

protected:
    virtual void EndProcess(int status) = 0;
};

// The system in use; SetGameSystem(nullptr) goes back to the library's.
GameSystem& Sys();
void SetGameSystem(GameSystem* system);

// A line in the library's log and on stderr (Shift-JIS text).
void GameLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
