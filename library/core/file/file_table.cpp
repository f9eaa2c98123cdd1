// The file-access table (plain or archive-aware, or the caller's own), the
// forwarders over it and the two stream tables that loaders read through.
#include <cstring>

#include "core/file/archive_files.h"
#include "core/file/file_access.h"
#include "core/file/file_plain.h"

namespace {

constexpr FileAccessFunctions kArchiveSet = {
    ZVArchiveFileOpen, ZVAFileClose, ZVAFileTell,   ZVAFileSeek,  ZVAFileRead,  ZVAFileEof,
    MemStreamIdleCheck, ZVAFileChDir, ZVAFileGetDir, ZVAFindFirst, ZVAFindNext, ZVAFindClose,
};

constexpr FileAccessFunctions kPlainSet = {
    PlainFileOpen,      PlainFileClose, PlainFileTell,   PlainFileSeek,  PlainFileRead,
    PlainFileEof,       PlainFileIdleCheck, PlainFileChDir, PlainFileGetDir, PlainFindFirst,
    PlainFindNext,      PlainFindClose,
};

constexpr StreamFunctions kFileStream = {FileTell, FileSeek, FileRead, FileEof, FileIdleCheck, FileClose};
constexpr StreamFunctions kMemStream = {MemStreamTell, MemStreamSeek, MemStreamRead,
                                        MemStreamEof,  MemStreamIdleCheck, MemStreamClose};

struct FileLayerState {
    FileAccessFunctions table;
    int archiveOff;   // 0: archive-aware access (the default), 1: plain
};

// Filled statically, so files can be read before start-up too.
FileLayerState g_fileLayer = {kArchiveSet, 0};

const FileAccessFunctions& BuiltInSet(int archiveOff) { return archiveOff ? kPlainSet : kArchiveSet; }

bool SameSet(const FileAccessFunctions& a, const FileAccessFunctions& b) {
    return std::memcmp(&a, &b, sizeof(FileAccessFunctions)) == 0;
}

}  // namespace

ZvFileHandle FileOpen(const char* path, int useThread) { return g_fileLayer.table.Open(path, useThread); }
int FileClose(ZvFileHandle file) { return g_fileLayer.table.Close(file); }
int32_t FileTell(ZvFileHandle file) { return g_fileLayer.table.Tell(file); }
int FileSeek(ZvFileHandle file, int32_t offset, int origin) { return g_fileLayer.table.Seek(file, offset, origin); }
size_t FileRead(void* buffer, size_t size, size_t count, ZvFileHandle file) {
    return g_fileLayer.table.Read(buffer, size, count, file);
}
int FileEof(ZvFileHandle file) { return g_fileLayer.table.Eof(file); }
int FileIdleCheck(ZvFileHandle file) { return g_fileLayer.table.IdleCheck(file); }
int FileSetDir(const char* path) { return g_fileLayer.table.ChDir(path); }
int FileGetDir(char* buffer) { return g_fileLayer.table.GetDir(buffer); }

const FileAccessFunctions* GetFileAccessFunctions() { return &g_fileLayer.table; }

const StreamFunctions* GetFileStreamFunctions() { return &kFileStream; }
const StreamFunctions* GetMemStreamFunctions() { return &kMemStream; }

int InitializeStreamFunctionTables() { return 0; }   // constant data, nothing to fill

int SetFileAccessFunctions(const FileAccessFunctions* functions) {
    g_fileLayer.table = functions != nullptr ? *functions : BuiltInSet(g_fileLayer.archiveOff);
    return 0;
}

int IsBuiltInFileAccessSet() { return SameSet(g_fileLayer.table, BuiltInSet(g_fileLayer.archiveOff)) ? 1 : 0; }

int SetUseZVArchiveFlagImpl(int flag) {
    int archiveOff = flag == 0 ? 1 : 0;
    if (archiveOff == g_fileLayer.archiveOff) return 0;
    // A table the game supplied stays; only the built-in one follows.
    bool builtIn = IsBuiltInFileAccessSet() != 0;
    g_fileLayer.archiveOff = archiveOff;
    if (builtIn) SetFileAccessFunctions(nullptr);
    return 0;
}

int SetZVArchiveExtensionImpl(const char* extension) { return ZVArchiveSetExtension(extension); }
int SetZVArchiveKeyStringImpl(const char* keyString) { return ZVArchiveSetKeyString(keyString); }
