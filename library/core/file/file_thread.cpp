// The file-access thread: one per file opened with the thread flag. It serves
// open, close, read and seek commands and, while idle, reads ahead into a
// 128 KB buffer so that sequential reads come from memory.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "core/alloc.h"
#include "core/file/file_plain.h"
#include "core/log.h"
#include "platform/files_posix.h"

enum FileThreadCommand { FT_OPEN = 0, FT_CLOSE = 1, FT_READ = 2, FT_SEEK = 3, FT_EXIT = 4 };

// The caller writes the command fields only while done is set, under the
// mutex; the thread owns the descriptor and the read-ahead buffer.
struct FileThreadState {
    std::mutex mutex;
    std::condition_variable signal;
    bool commandPosted = false;
    bool done = true;
    int command = FT_OPEN;
    bool openFailed = false;

    std::string path;
    unsigned char* readDestination = nullptr;
    uint32_t readPosition = 0;
    uint32_t readSize = 0;      // bytes asked for; the thread leaves the bytes read
    uint32_t seekPosition = 0;

    int fd = -1;
    unsigned char* buffer = nullptr;
    // The bytes read ahead are buffer[consumed, consumed + aheadFill), from
    // file position aheadStart; a read only moves consumed on.
    uint32_t consumed = 0;
    std::atomic<uint32_t> aheadStart{0};
    std::atomic<uint32_t> aheadFill{0};
    std::thread thread;
};

namespace {

size_t ReadFully(int fd, unsigned char* buffer, size_t bytes, uint64_t offset) {
    bool failed;
    return PlatformReadAt(fd, buffer, bytes, offset, &failed);
}

void DropReadAhead(FileThreadState* s, uint32_t position) {
    s->consumed = 0;
    s->aheadStart.store(position);
    s->aheadFill.store(0);
}

void ServeRead(FileThreadState* s) {
    unsigned char* destination = s->readDestination;
    uint32_t position = s->readPosition;
    uint32_t left = s->readSize;
    uint32_t delivered = 0;
    uint32_t fill = s->aheadFill.load();
    if (position == s->aheadStart.load() && fill > 0) {
        uint32_t n = left < fill ? left : fill;
        std::memcpy(destination, s->buffer + s->consumed, n);
        s->consumed += n;
        destination += n;
        position += n;
        left -= n;
        delivered += n;
        s->aheadStart.store(position);
        s->aheadFill.store(fill - n);
    }
    if (left > 0) {
        size_t got = s->fd >= 0 ? ReadFully(s->fd, destination, left, position) : 0;
        delivered += static_cast<uint32_t>(got);
        DropReadAhead(s, position + static_cast<uint32_t>(got));
    }
    s->readSize = delivered;
}

// Runs one command; true when the thread is to end.
bool Serve(FileThreadState* s, int command) {
    switch (command) {
    case FT_OPEN:
        s->fd = PlatformOpenForReading(s->path.c_str());
        if (s->fd < 0) {
            s->openFailed = true;
            return true;
        }
        return false;
    case FT_CLOSE:
        if (s->fd >= 0) PlatformCloseFile(s->fd);
        s->fd = -1;
        return false;
    case FT_READ:
        ServeRead(s);
        return false;
    case FT_SEEK:
        DropReadAhead(s, s->seekPosition);
        return false;
    case FT_EXIT:
        if (s->fd >= 0) PlatformCloseFile(s->fd);
        s->fd = -1;
        return true;
    default:
        return false;
    }
}

void ReadAhead(FileThreadState* s) {
    uint32_t fill = s->aheadFill.load();
    if (s->fd < 0 || fill >= FILE_READ_AHEAD_SIZE) return;
    // The rest moves to the front once per refill, not on every read.
    if (s->consumed > 0) {
        std::memmove(s->buffer, s->buffer + s->consumed, fill);
        s->consumed = 0;
    }
    size_t got = ReadFully(s->fd, s->buffer + fill, FILE_READ_AHEAD_SIZE - fill,
                           static_cast<uint64_t>(s->aheadStart.load()) + fill);
    s->aheadFill.store(fill + static_cast<uint32_t>(got));
}

void ThreadMain(FileThreadState* s) {
    std::unique_lock<std::mutex> lock(s->mutex);
    while (true) {
        if (!s->signal.wait_for(lock, std::chrono::milliseconds(100), [s] { return s->commandPosted; })) {
            // Idle for 100 ms: the caller is not waiting on us, so the disk
            // read happens outside the lock.
            lock.unlock();
            ReadAhead(s);
            lock.lock();
            continue;
        }
        s->commandPosted = false;
        int command = s->command;
        lock.unlock();
        bool finished = Serve(s, command);
        lock.lock();
        s->done = true;
        s->signal.notify_all();
        if (finished) return;
    }
}

// Waits until the previous command has finished, posts the next one and,
// unless told otherwise, waits for it too.
template <typename SetParameters>
void Post(FileThreadState* s, int command, bool wait, SetParameters setParameters) {
    std::unique_lock<std::mutex> lock(s->mutex);
    s->signal.wait(lock, [s] { return s->done; });
    setParameters();
    s->command = command;
    s->done = false;
    s->commandPosted = true;
    s->signal.notify_all();
    if (wait) s->signal.wait(lock, [s] { return s->done; });
}

void Destroy(FileThreadState* s) {
    if (s->buffer != nullptr) ZvFree(s->buffer);
    s->~FileThreadState();
    ZvFree(s);
}

}  // namespace

int FileThreadStart(FileAccessData* file, const char* diskPath) {
    void* memory = ZVALLOC(sizeof(FileThreadState));
    if (memory == nullptr) return -1;
    FileThreadState* s = new (memory) FileThreadState();
    s->buffer = static_cast<unsigned char*>(ZVALLOC(FILE_READ_AHEAD_SIZE));
    bool started = false;
    if (s->buffer != nullptr) {
        try {
            s->path = diskPath;
            s->thread = std::thread(ThreadMain, s);
            started = true;
        } catch (...) {
        }
    }
    if (!started) {
        Destroy(s);
        return ErrorLogAdd("ファイルアクセス専用スレッドの作成に失敗しました\n");
    }
    Post(s, FT_OPEN, true, [] {});
    if (s->openFailed) {
        s->thread.join();
        Destroy(s);
        return ErrorLogAdd("ファイルのオープンに失敗しました\n");
    }
    file->thread = s;
    return 0;
}

size_t FileThreadRead(FileAccessData* file, void* buffer, uint32_t position, uint32_t size) {
    FileThreadState* s = file->thread;
    size_t delivered = 0;
    Post(s, FT_READ, true, [&] {
        s->readDestination = static_cast<unsigned char*>(buffer);
        s->readPosition = position;
        s->readSize = size;
    });
    std::lock_guard<std::mutex> lock(s->mutex);
    delivered = s->readSize;
    return delivered;
}

void FileThreadSeek(FileAccessData* file, uint32_t position) {
    FileThreadState* s = file->thread;
    Post(s, FT_SEEK, false, [&] { s->seekPosition = position; });
}

int FileThreadIdle(FileAccessData* file) {
    FileThreadState* s = file->thread;
    std::lock_guard<std::mutex> lock(s->mutex);
    return s->done ? 1 : 0;
}

void FileThreadStop(FileAccessData* file) {
    FileThreadState* s = file->thread;
    if (s == nullptr) return;
    Post(s, FT_EXIT, true, [] {});
    s->thread.join();
    Destroy(s);
    file->thread = nullptr;
}

uint32_t FileThreadReadAheadFill(FileAccessData* file) {
    return file->thread != nullptr ? file->thread->aheadFill.load() : 0;
}
