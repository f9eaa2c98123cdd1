// Plain files on disk: the plain filling of the file-access table, the
// per-file access thread and the directory search. The archive layer uses
// these underneath for archive files and for files outside any archive.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/file/file_access.h"

struct FileThreadState;

// One open plain file; its address is the plain file handle.
struct FileAccessData {
    int fd;                   // direct mode; -1 in thread mode
    int useThread;
    int eof;
    uint32_t position;        // kept by the caller's side in both modes
    uint32_t size;            // measured at open
    FileThreadState* thread;  // thread mode only
};

// Read-ahead size of a thread-mode file.
constexpr uint32_t FILE_READ_AHEAD_SIZE = 131072;

ZvFileHandle PlainFileOpen(const char* path, int useThread);
int PlainFileClose(ZvFileHandle file);
int32_t PlainFileTell(ZvFileHandle file);
int PlainFileSeek(ZvFileHandle file, int32_t offset, int origin);
size_t PlainFileRead(void* buffer, size_t size, size_t count, ZvFileHandle file);
int PlainFileEof(ZvFileHandle file);          // -1 at the end, else 0
int PlainFileIdleCheck(ZvFileHandle file);
int PlainFileChDir(const char* path);         // 0 or -1
int PlainFileGetDir(char* buffer);            // 0 or -1
intptr_t PlainFindFirst(const char* pattern, FileFindData* out);
int PlainFindNext(intptr_t find, FileFindData* out);
int PlainFindClose(intptr_t find);

// Local date and time of a file time (100 ns units since 1601-01-01 UTC).
void FileTimeToDateTimeData(uint64_t fileTime, DateTimeData* out);
// The same for seconds since 1970-01-01 UTC (all zero when out of range).
void UnixTimeToDateTimeData(int64_t seconds, DateTimeData* out);

// The file-access thread behind a thread-mode file (file_thread.cpp).
// Start opens the file on the new thread; -1 (and logged) when the thread
// cannot be made or the open failed, the state then being gone.
int FileThreadStart(FileAccessData* file, const char* diskPath);
// Reads size bytes at position into buffer; returns the bytes read.
size_t FileThreadRead(FileAccessData* file, void* buffer, uint32_t position, uint32_t size);
// Posts a seek, which restarts the read-ahead at position; does not wait.
void FileThreadSeek(FileAccessData* file, uint32_t position);
int FileThreadIdle(FileAccessData* file);
// Ends the thread and frees its state.
void FileThreadStop(FileAccessData* file);
// Bytes read ahead and not yet taken (for tests and diagnostics).
uint32_t FileThreadReadAheadFill(FileAccessData* file);
