// Shift-JIS path and name helpers shared by the plain and the archive file
// functions: separators, upper-casing, wildcards and the disk (UTF-8) form.
#pragma once
#include <cstddef>
#include <string>

inline bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

// Upper-cases ASCII a-z in place; double-byte characters stay whole.
void UpperShiftJis(char* text);

// Matches an upper-cased name against an upper-cased pattern with '*' and
// '?'. A '*' jumps to the first occurrence of the pattern byte after it and
// never backtracks. 0 = match, -1 = no match.
int WildcardMatch(const char* pattern, const char* name);

// Points at the last separator of path, or null; a trail byte equal to '\'
// is not a separator.
const char* FindLastSeparator(const char* path);

// The form of a library path that the disk uses: '/' separators, UTF-8.
// -1 for a path of ZV_PATH_MAX bytes or more or one that cannot be converted.
int ToDiskPath(const char* path, std::string& out);

// A name read from the disk in the library's Shift-JIS form, into out of
// outSize bytes. -1 when it has no Shift-JIS form or does not fit.
int FromDiskName(const char* utf8, char* out, size_t outSize);

// The absolute form of path against currentDir: "/"-separated components,
// "" for the root, "." and ".." applied. Empty components are an error when
// strict, skipped otherwise. -1 also when the result reaches ZV_PATH_MAX.
int JoinFullPath(const char* path, const char* currentDir, bool strict, std::string& out);
