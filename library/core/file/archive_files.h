// Archive-aware file functions: the default filling of the file-access
// table. A path that passes through a folder with an archive of the same
// name beside it (folder + "." + extension) is read from that archive.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/file/file_access.h"

constexpr int ZVA_MAX_ARCHIVES = 512;
constexpr int ZVA_MAX_FILES = 512;

// A text of 1..63 characters becomes the extension; anything else restores
// the default "ZVA". Returns 0.
int ZVArchiveSetExtension(const char* extension);
// Null: archives open with the default key. Otherwise the first 12
// characters are kept (an empty text counts as no key string). Returns 0.
int ZVArchiveSetKeyString(const char* keyString);

ZvFileHandle ZVArchiveFileOpen(const char* path, int useThread);
int ZVAFileClose(ZvFileHandle file);
int32_t ZVAFileTell(ZvFileHandle file);
int ZVAFileSeek(ZvFileHandle file, int32_t offset, int origin);
// Archived files answer in bytes, plain files in elements.
size_t ZVAFileRead(void* buffer, size_t size, size_t count, ZvFileHandle file);
int ZVAFileEof(ZvFileHandle file);
int ZVAFileChDir(const char* path);     // 0 or -1
int ZVAFileGetDir(char* buffer);        // 0 or -1
intptr_t ZVAFindFirst(const char* pattern, FileFindData* out);
int ZVAFindNext(intptr_t find, FileFindData* out);
int ZVAFindClose(intptr_t find);

// Finds the archive that holds path: its slot and the path inside it
// (ZV_PATH_MAX bytes, upper-cased, '\' separators). 0, or -1 when no
// archive holds it. A found archive's use count goes up by one.
int ZVArchivePathResolve(const char* path, int* archiveIndex, char* innerPath);
