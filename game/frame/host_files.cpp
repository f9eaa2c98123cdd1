// The game's file system and sleep calls on POSIX.
#include "frame/host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

PathKind PathKindOf(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return PathKind::kMissing;
    return S_ISREG(st.st_mode) ? PathKind::kRegularFile : PathKind::kOther;
}

bool IsWriteProtected(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && ((st.st_mode & S_IWUSR) == 0 || access(path.c_str(), W_OK) != 0);
}

FILE* CreateFreshFile(const std::string& path, const char* mode) {
    unlink(path.c_str());  // a link goes, not what it points at
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    FILE* f = fdopen(fd, mode);
    if (!f) {
        const int error = errno;
        close(fd);
        unlink(path.c_str());
        errno = error;
    }
    return f;
}

int ReplaceFile(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void RemoveFile(const std::string& path) { remove(path.c_str()); }

std::string MakeFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return ec ? ec.message() : std::string();
}

void SleepMilliseconds(int ms) { usleep(useconds_t(ms) * 1000u); }
