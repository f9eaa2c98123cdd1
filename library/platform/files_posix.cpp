// Disk files and folders over POSIX descriptors, pread and statx.
#include "platform/files_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

int PlatformOpenRegularFile(const char* path, uint64_t maxSize, uint64_t* size) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    // Folders open on Linux too.
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || uint64_t(info.st_size) > maxSize) {
        close(fd);
        return -1;
    }
    *size = uint64_t(info.st_size);
    return fd;
}

int PlatformOpenForReading(const char* path) { return open(path, O_RDONLY | O_CLOEXEC); }

int PlatformCloseFile(int fd) { return close(fd) == 0 ? 0 : -1; }

size_t PlatformReadAt(int fd, void* buffer, size_t bytes, uint64_t offset, bool* failed) {
    size_t done = 0;
    *failed = false;
    while (done < bytes) {
        ssize_t got = pread(fd, static_cast<char*>(buffer) + done, bytes - done, off_t(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            *failed = true;
            break;
        }
        if (got == 0) break;
        done += size_t(got);
    }
    return done;
}

bool PlatformListFolder(const char* path, std::vector<PlatformFolderEntry>* out) {
    DIR* dir = opendir(path);
    if (dir == nullptr) return false;
    while (struct dirent* d = readdir(dir)) {
        struct statx info;
        if (statx(dirfd(dir), d->d_name, 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) continue;
        PlatformFolderEntry entry;
        entry.name = d->d_name;
        entry.isFolder = S_ISDIR(info.stx_mode);
        entry.size = entry.isFolder ? 0 : info.stx_size;
        entry.written = info.stx_mtime.tv_sec;
        // Not every file system keeps a birth time.
        entry.created = (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec;
        out->push_back(std::move(entry));
    }
    closedir(dir);
    return true;
}

int PlatformCreateTemporaryFile(std::string* path, size_t maxLength) {
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || folder[0] == 0) folder = "/tmp";
    std::string pattern = folder;
    if (pattern.back() != '/') pattern += '/';
    pattern += "tmpXXXXXX";
    if (pattern.size() >= maxLength) return -1;
    int fd = mkstemp(&pattern[0]);
    if (fd < 0) return -1;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    *path = pattern;
    return fd;
}

void PlatformRemoveFile(const char* path) { unlink(path); }

bool PlatformCreateEmptyFile(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    close(fd);
    return true;
}

bool PlatformAppendToFile(const char* path, const char* data, size_t size) {
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    close(fd);
    return done == size;
}
