// Text conversion between the library's Shift-JIS (CP932) bytes and UTF-8,
// used wherever text leaves the library: file names on disk, window title,
// glyph lookup.
#pragma once
#include <string>

// Both return 0, or -1 when the input holds a sequence that has no form in
// the other encoding (out is then left empty).
int ShiftJisToUtf8(const char* sjis, std::string& out);
int Utf8ToShiftJis(const char* utf8, std::string& out);
