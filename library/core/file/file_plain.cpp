// Plain files on disk, opened direct (every call goes to the file at once)
// or with a file-access thread that reads ahead; also the temporary file.
#include "core/file/file_plain.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/alloc.h"
#include "core/file/file_names.h"
#include "core/log.h"
#include "platform/files_posix.h"
#include "platform/system_posix.h"

namespace {

FileAccessData* ToFile(ZvFileHandle handle) { return reinterpret_cast<FileAccessData*>(handle); }

}  // namespace

ZvFileHandle PlainFileOpen(const char* path, int useThread) {
    std::string diskPath;
    if (ToDiskPath(path, diskPath) != 0 || diskPath.empty()) {
        if (useThread) ErrorLogAdd("ファイルのオープンに失敗しました\n");
        return 0;
    }
    FileAccessData* file = static_cast<FileAccessData*>(ZVCALLOC(sizeof(FileAccessData)));
    if (file == nullptr) return 0;
    file->fd = -1;
    file->useThread = useThread ? 1 : 0;

    // Opened once in both modes to test and measure the file. Positions are
    // 32-bit signed in the stream interface, so larger files are refused.
    uint64_t size = 0;
    int fd = PlatformOpenRegularFile(diskPath.c_str(), INT32_MAX, &size);
    if (fd < 0) {
        if (file->useThread) ErrorLogAdd("ファイルのオープンに失敗しました\n");
        ZvFree(file);
        return 0;
    }
    file->size = static_cast<uint32_t>(size);

    if (!file->useThread) {
        file->fd = fd;
    } else {
        PlatformCloseFile(fd);
        if (FileThreadStart(file, diskPath.c_str()) != 0) {
            ZvFree(file);
            return 0;
        }
    }
    file->position = 0;
    file->eof = 0;
    return reinterpret_cast<ZvFileHandle>(file);
}

int PlainFileClose(ZvFileHandle handle) {
    FileAccessData* file = ToFile(handle);
    if (file == nullptr) return -1;
    int result = 0;
    if (file->useThread) {
        FileThreadStop(file);
    } else if (PlatformCloseFile(file->fd) != 0) {
        result = -1;
    }
    ZvFree(file);
    return result;
}

int32_t PlainFileTell(ZvFileHandle handle) {
    FileAccessData* file = ToFile(handle);
    if (file == nullptr) return -1;
    return static_cast<int32_t>(file->position);
}

int PlainFileSeek(ZvFileHandle handle, int32_t offset, int origin) {
    FileAccessData* file = ToFile(handle);
    if (file == nullptr) return -1;
    int64_t target = offset;
    if (origin == 1) target += file->position;
    else if (origin == 2) target += file->size;
    // Past the end is allowed (the next read finds nothing); before the
    // start is not.
    if (target < 0 || target > INT32_MAX) return -1;
    if (file->useThread) FileThreadSeek(file, static_cast<uint32_t>(target));
    file->position = static_cast<uint32_t>(target);
    file->eof = 0;
    return 0;
}

size_t PlainFileRead(void* buffer, size_t size, size_t count, ZvFileHandle handle) {
    FileAccessData* file = ToFile(handle);
    if (file == nullptr || buffer == nullptr || size == 0 || count == 0) return 0;
    if (file->position >= file->size) {
        file->eof = 1;
        return 0;
    }
    size_t remaining = file->size - file->position;
    if (count > remaining / size) {
        count = remaining / size;
        if (count == 0) {
            file->eof = 1;
            return 0;
        }
    }
    size_t bytes = size * count;   // no overflow: at most remaining
    size_t got;
    if (file->useThread) {
        got = FileThreadRead(file, buffer, file->position, static_cast<uint32_t>(bytes));
    } else {
        bool failed;
        got = PlatformReadAt(file->fd, buffer, bytes, file->position, &failed);
        if (failed && got == 0) return 0;
    }
    file->position += static_cast<uint32_t>(got);
    return got / size;
}

int PlainFileEof(ZvFileHandle handle) {
    FileAccessData* file = ToFile(handle);
    if (file == nullptr) return -1;
    return file->eof ? -1 : 0;
}

int PlainFileIdleCheck(ZvFileHandle handle) {
    FileAccessData* file = ToFile(handle);
    if (file == nullptr) return 1;
    return file->useThread ? FileThreadIdle(file) : 1;
}

int PlainFileChDir(const char* path) {
    std::string diskPath;
    if (ToDiskPath(path, diskPath) != 0 || diskPath.empty()) return -1;
    return PlatformSetCurrentDir(diskPath) ? 0 : -1;
}

int PlainFileGetDir(char* buffer) {
    if (buffer == nullptr) return -1;
    std::string current;
    if (!PlatformGetCurrentDir(current)) return -1;
    return FromDiskName(current.c_str(), buffer, ZV_PATH_MAX);
}

int CreateTemporaryFile(char* pathOut) {
    std::string pattern;
    int fd = PlatformCreateTemporaryFile(&pattern, ZV_PATH_MAX);
    if (fd < 0) return -1;
    if (pathOut != nullptr) {
        char sjis[ZV_PATH_MAX];
        if (FromDiskName(pattern.c_str(), sjis, sizeof(sjis)) != 0 ||
            ConvertFullPath(sjis, pathOut, nullptr) != 0) {
            PlatformCloseFile(fd);
            PlatformRemoveFile(pattern.c_str());
            return -1;
        }
    }
    return fd;
}
