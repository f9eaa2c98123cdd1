// Files and folders on disk for the library's file layer and its log: reads
// at an offset, folder listings, the temporary file, whole-line appends.
// Paths are the disk's own (UTF-8) names.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Opens a regular file for reading and measures it; -1 when it is missing,
// not a regular file, or larger than maxSize.
int PlatformOpenRegularFile(const char* path, uint64_t maxSize, uint64_t* size);
int PlatformOpenForReading(const char* path);    // -1 on failure
int PlatformCloseFile(int fd);                    // 0, or -1 on failure
// Reads until the request is met, the file ends or an error occurs; *failed
// tells the error apart from the end.
size_t PlatformReadAt(int fd, void* buffer, size_t bytes, uint64_t offset, bool* failed);

struct PlatformFolderEntry {
    std::string name;
    bool isFolder;
    uint64_t size;       // 0 for folders
    int64_t created;     // seconds since 1970; the last write where no birth time is kept
    int64_t written;
};
// Every entry of a folder, "." and ".." included, in the disk's order;
// false when the folder cannot be opened.
bool PlatformListFolder(const char* path, std::vector<PlatformFolderEntry>* out);

// Creates a new empty file in the temporary folder, open for writing; its
// descriptor, or -1 (also when its name would reach maxLength bytes). *path
// receives its name.
int PlatformCreateTemporaryFile(std::string* path, size_t maxLength);
void PlatformRemoveFile(const char* path);
// Creates an empty file where none is; false when it cannot be made.
bool PlatformCreateEmptyFile(const char* path);
// Appends all bytes, creating the file when needed; false on failure.
bool PlatformAppendToFile(const char* path, const char* data, size_t size);
