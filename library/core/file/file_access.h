// File access as the rest of the library sees it: the replaceable table of
// twelve file operations, the stream tables over files and memory, and the
// archive settings.
#pragma once
#include <cstddef>
#include <cstdint>
#include "core/routines.h"

// Every path buffer of the file layer holds this many bytes, terminator
// included; a longer path is refused, never cut or overflowed.
constexpr size_t ZV_PATH_MAX = 1024;

// A file handle: a pointer-sized value whose meaning belongs to the table
// that made it. 0 means failure.
using ZvFileHandle = intptr_t;

struct FileFindData {
    char Name[ZV_PATH_MAX];
    int DirFlag;
    uint64_t Size;
    DateTimeData CreationTime;
    DateTimeData LastWriteTime;
};

struct FileAccessFunctions {
    ZvFileHandle (*Open)(const char* path, int useThread);
    int (*Close)(ZvFileHandle file);
    int32_t (*Tell)(ZvFileHandle file);
    int (*Seek)(ZvFileHandle file, int32_t offset, int origin);
    size_t (*Read)(void* buffer, size_t size, size_t count, ZvFileHandle file);
    int (*Eof)(ZvFileHandle file);
    int (*IdleCheck)(ZvFileHandle file);
    int (*ChDir)(const char* path);
    int (*GetDir)(char* buffer);     // buffer of ZV_PATH_MAX bytes
    intptr_t (*FindFirst)(const char* pattern, FileFindData* out);   // -1 on failure
    int (*FindNext)(intptr_t find, FileFindData* out);
    int (*FindClose)(intptr_t find);
};

struct StreamFunctions {
    int32_t (*Tell)(intptr_t handle);
    int (*Seek)(intptr_t handle, int32_t offset, int origin);
    size_t (*Read)(void* buffer, size_t size, size_t count, intptr_t handle);
    int (*Eof)(intptr_t handle);
    int (*IdleCheck)(intptr_t handle);
    int (*Close)(intptr_t handle);
};

// What a loader receives: the six operations and the stream's handle.
struct StreamReader {
    StreamFunctions functions;
    intptr_t handle;
};

// Forwarders over the current FileAccessFunctions table. Read returns whole
// elements for plain files and bytes for files inside archives (loaders read
// with element size 1, where both agree); Eof is non-zero at the end.
// SetDir and GetDir return 0, or -1 on failure.
ZvFileHandle FileOpen(const char* path, int useThread);
int FileClose(ZvFileHandle file);
int32_t FileTell(ZvFileHandle file);
int FileSeek(ZvFileHandle file, int32_t offset, int origin);
size_t FileRead(void* buffer, size_t size, size_t count, ZvFileHandle file);
int FileEof(ZvFileHandle file);
int FileIdleCheck(ZvFileHandle file);
int FileSetDir(const char* path);
int FileGetDir(char* buffer);        // buffer of ZV_PATH_MAX bytes

// The current table; the find operations are called through it.
const FileAccessFunctions* GetFileAccessFunctions();

const StreamFunctions* GetFileStreamFunctions();
const StreamFunctions* GetMemStreamFunctions();
// The stream tables are constant data, ready before start-up; kept as a
// start-up step for the order of initialisation.
int InitializeStreamFunctionTables();

// Installs a caller's table, or with null the built-in set of the current
// archive setting.
int SetFileAccessFunctions(const FileAccessFunctions* functions);
int IsBuiltInFileAccessSet();
int SetUseZVArchiveFlagImpl(int flag);
int SetZVArchiveExtensionImpl(const char* extension);
int SetZVArchiveKeyStringImpl(const char* keyString);

// The archive manager lives from start-up to shutdown. Start-up forgets open
// archives and files but keeps the extension and key string set before it.
int InitializeZVArchiveManager();
int TerminateZVArchiveManager();

// Archive-aware file handles carry this flag over their slot (0..511).
constexpr intptr_t ZVA_FILEHANDLE_FLAG = 0xF0000000;

// Memory streams: a read cursor over an image the caller keeps alive.
struct MemStream {
    const void* buffer;   // not owned
    size_t size;
    size_t position;      // always within 0..size
    int eof;              // 1 after a read found the position at the end
};
MemStream* MemStreamOpen(const void* buffer, size_t size);
int MemStreamClose(intptr_t stream);
int32_t MemStreamTell(intptr_t stream);
int MemStreamSeek(intptr_t stream, int32_t offset, int origin);
size_t MemStreamRead(void* buffer, size_t size, size_t count, intptr_t stream);
int MemStreamEof(intptr_t stream);
int MemStreamIdleCheck(intptr_t stream);

// The absolute form of path (separators '/'), resolved against currentDir or,
// when that is null, the process's current directory. "." is skipped, ".."
// removes a component (never above the root). Returns 0, or -1 for an empty
// component or a result longer than ZV_PATH_MAX.
int ConvertFullPath(const char* path, char* out, const char* currentDir);

// Creates a new empty file in the temporary directory, open for writing.
// Returns its descriptor, or -1; pathOut (ZV_PATH_MAX bytes, may be null)
// receives its full path.
int CreateTemporaryFile(char* pathOut);
