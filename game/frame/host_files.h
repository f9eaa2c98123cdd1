// The game's own calls to the file system and the clock, outside the library:
// what a path is, write protection, putting a finished file in place, save
// folders and sleeping. host_files.cpp is the only game file that talks to
// the operating system directly.
#pragma once
#include <cstdio>
#include <string>

enum class PathKind { kMissing, kRegularFile, kOther };

// What is at the path; kOther is a folder, a device or a pipe.
PathKind PathKindOf(const std::string& path);

// True when the file exists and is marked read-only or cannot be written by
// this user.
bool IsWriteProtected(const std::string& path);

// Opens a new file at path for writing with the stdio mode: whatever stale
// file or link is at the name goes first, and the file is then created
// exclusively, so a link planted at the name is never followed. nullptr, with
// errno set, when it cannot be made.
FILE* CreateFreshFile(const std::string& path, const char* mode);

// Renames `from` to `to`, replacing `to` in one step: 0, or the errno.
int ReplaceFile(const std::string& from, const std::string& to);

void RemoveFile(const std::string& path);

// Makes the folder and those above it: "" on success, else the reason.
std::string MakeFolders(const std::string& path);

void SleepMilliseconds(int ms);
