// ZoVav for its host program: the few library services that the game and its
// headless runner take beyond the public functions of zovav.h. None takes the
// library lock. Each may be called before ZoVav_Init and after ZoVav_End, but
// HostSetWaitVSync, which writes the screens' state: it comes after ZoVav_Init,
// on the main thread, outside play.
#ifndef ZOVAV_HOST_H
#define ZOVAV_HOST_H

#include <string>

// Appends one line of Shift-JIS text to the library's log (Log.txt), with the
// log's time stamp and indent; does nothing while no log is open. The game
// writes its own log lines (GameLog) here, so one file tells the whole story.
void HostLogLine(const char* text);

// Shows a modal box with an OK button (on stderr too), whether the library
// runs or not. Texts are Shift-JIS. The game's error messages, also those of
// the settings check made before the library starts, and the headless runner's.
void HostMessageBox(const char* caption, const char* text);

// Shift-JIS text as UTF-8: 0, or -1 (out left empty) when the text holds a
// sequence without a UTF-8 form. The game's log lines on stderr.
int HostShiftJisToUtf8(const char* sjis, std::string& out);

// True for the first byte of a two-byte Shift-JIS character. The game cuts
// quoted settings values without splitting a character.
bool HostIsShiftJisLead(unsigned char byte);

// For the headless runner and tests, set before ZoVav_Init: non-zero skips the
// fixed waits of start-up.
void HostSkipStartupWaits(int flag);

// For the headless runner and tests: waits for the simulated vertical blank
// return at once, so a fake clock alone paces the program.
void HostSetVBlankImmediate(bool immediate);

// For the headless runner, after ZoVav_Init, on the main thread, outside play:
// 0 lets ScreenFlip present without waiting for the vertical blank (1, the
// default, waits).
int HostSetWaitVSync(int flag);

#endif
