// The library's log file "Log.txt".
#pragma once
#include <cstdarg>

int LogFileInitialize();
int ErrorLogAdd(const char* text);                 // always -1
int ErrorLogFmtAdd(const char* format, ...)        // always -1; appends "\n"
    __attribute__((format(printf, 1, 2)));
int ErrorLogTabAdd();
int ErrorLogTabSub();
int GetLogIndentLevel();

[[noreturn]] void ZoVav_FatalError(const char* text);
[[noreturn]] void ZoVav_FatalErrorFmt(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Absolute path of the log file, fixed when the log is created ("" before).
const char* GetLogFilePath();
