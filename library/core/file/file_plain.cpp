// Plain files on disk, opened direct (every call goes to the file at once)
// or with a file-access thread that reads ahead; also the temporary file.
#include "core/file/file_plain.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/alloc.h"
#include "core/file/file_names.h"
#include "core/log.h"

namespace {

FileAccessData* ToFile(ZvFileHandle handle) { return reinterpret_cast<FileAccessData*>(handle); }

// pread until the request is met, the file ends or an error occurs.
size_t ReadAt(int fd, void* buffer, size_t bytes, uint64_t offset, bool* failed) {
    size_t done = 0;
    *failed = false;
    while (done < bytes) {
        ssize_t got = pread(fd, static_cast<char*>(buffer) + done, bytes - done,
                            static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            *failed = true;
            break;
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

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

    // Opened once in both modes to test and measure the file. Directories
    // open on Linux, so they are refused here; positions are 32-bit signed
    // in the stream interface, so larger files are refused too.
    int fd = open(diskPath.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > INT32_MAX)) {
        close(fd);
        fd = -1;
    }
    if (fd < 0) {
        if (file->useThread) ErrorLogAdd("ファイルのオープンに失敗しました\n");
        ZvFree(file);
        return 0;
    }
    file->size = static_cast<uint32_t>(info.st_size);

    if (!file->useThread) {
        file->fd = fd;
    } else {
        close(fd);
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
    } else if (close(file->fd) != 0) {
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
        got = ReadAt(file->fd, buffer, bytes, file->position, &failed);
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
    return chdir(diskPath.c_str()) == 0 ? 0 : -1;
}

int PlainFileGetDir(char* buffer) {
    if (buffer == nullptr) return -1;
    char* current = getcwd(nullptr, 0);
    if (current == nullptr) return -1;
    int result = FromDiskName(current, buffer, ZV_PATH_MAX);
    std::free(current);
    return result;
}

int CreateTemporaryFile(char* pathOut) {
    const char* directory = std::getenv("TMPDIR");
    if (directory == nullptr || directory[0] == 0) directory = "/tmp";
    std::string pattern = directory;
    if (pattern.back() != '/') pattern += '/';
    pattern += "tmpXXXXXX";
    if (pattern.size() >= ZV_PATH_MAX) return -1;

    int fd = mkstemp(&pattern[0]);
    if (fd < 0) return -1;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    if (pathOut != nullptr) {
        char sjis[ZV_PATH_MAX];
        if (FromDiskName(pattern.c_str(), sjis, sizeof(sjis)) != 0 ||
            ConvertFullPath(sjis, pathOut, nullptr) != 0) {
            close(fd);
            unlink(pattern.c_str());
            return -1;
        }
    }
    return fd;
}
