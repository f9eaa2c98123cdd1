// Shared by the network tests: the library started headless in a folder of
// its own, a pump that drives it with ProcessMessage until a condition holds,
// and a scripted peer on 127.0.0.1 that runs in a thread of the test.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "zovav.h"
#include "zv_started_library.h"
#include "zv_test_support.h"

namespace nettest {

// How long a step may show no progress before the test counts it as hung.
// Long on purpose: a loaded machine can stall a thread for seconds, and a
// passing run never waits for it.
constexpr int kHangBoundMs = 60000;

class LibraryFixture : public zvtest::StartedLibrary {
protected:
    // Runs ProcessMessage until done() holds; false once it looks hung.
    template <class F>
    bool PumpUntil(F done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangBoundMs);
        while (!done()) {
            if (ProcessMessage() != 0 || std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    void Pump(int passes) {
        for (int i = 0; i < passes; ++i) ProcessMessage();
    }
};

// 127.0.0.1 at the port, as the socket calls take it.
inline sockaddr_in Loopback(int port) {
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// Blocking socket helpers for the peer's side.
inline void SendAll(int fd, const std::string& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return;
        at += size_t(n);
    }
}

// Up to n bytes, fewer when the connection ends or nothing comes for long.
inline std::string RecvBytes(int fd, size_t n) {
    std::string out;
    static thread_local char buf[1 << 16];
    while (out.size() < n) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, kHangBoundMs) <= 0) break;
        ssize_t got = recv(fd, buf, std::min(sizeof buf, n - out.size()), 0);
        if (got <= 0) break;
        out.append(buf, size_t(got));
    }
    return out;
}

// Reads an HTTP request: the head up to the blank line, then as many bytes
// as its Content-Length names.
inline std::string RecvRequest(int fd) {
    std::string out;
    while (out.find("\r\n\r\n") == std::string::npos) {
        std::string b = RecvBytes(fd, 1);
        if (b.empty()) return out;
        out += b;
    }
    size_t at = out.find("Content-Length: ");
    if (at != std::string::npos) out += RecvBytes(fd, size_t(atoi(out.c_str() + at + 16)));
    return out;
}

inline void CloseWithReset(int fd) {
    linger l = {1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close(fd);
}

// Lets the test and the peer take turns: each side waits for the other's step.
class Turns {
public:
    void Signal(int step) {
        std::lock_guard<std::mutex> lock(m_);
        step_ = step;
        cv_.notify_all();
    }
    bool Wait(int step) {
        std::unique_lock<std::mutex> lock(m_);
        return cv_.wait_for(lock, std::chrono::milliseconds(kHangBoundMs), [&] { return step_ >= step; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    int step_ = 0;
};

// A peer on 127.0.0.1 with a port of its own: it accepts one connection and
// runs the script on it, then closes it.
class ScriptedPeer {
public:
    explicit ScriptedPeer(std::function<void(int fd)> script) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = Loopback(0);
        socklen_t size = sizeof a;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(listener_, 4) == 0 &&
            getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size) == 0)
            port_ = ntohs(a.sin_port);
        thread_ = std::thread([this, script] {
            pollfd p = {listener_, POLLIN, 0};
            if (poll(&p, 1, kHangBoundMs) <= 0) return;
            int fd = accept(listener_, nullptr, nullptr);
            if (fd < 0) return;
            script(fd);
            close(fd);
        });
    }
    ~ScriptedPeer() {
        thread_.join();
        close(listener_);
    }
    int port() const { return port_; }

private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// A port on 127.0.0.1 that refuses connections: a peer's that has gone.
inline int RefusingPort() {
    ScriptedPeer gone([](int) {});
    int fd = socket(AF_INET, SOCK_STREAM, 0);   // lets the peer's thread finish
    const sockaddr_in a = Loopback(gone.port());
    connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    close(fd);
    return gone.port();
}

// How many bytes a loopback connection takes before its peer reads any:
// what the sender's and the receiver's buffers hold together.
inline size_t BytesALoopbackConnectionTakesAtOnce() {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(0);
    socklen_t size = sizeof a;
    size_t total = 0;
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(listener, 1) == 0 &&
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size) == 0) {
        int sender = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(sender, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
            int receiver = accept(listener, nullptr, nullptr);
            static char chunk[1 << 16];
            ssize_t n;
            while ((n = send(sender, chunk, sizeof chunk, MSG_NOSIGNAL | MSG_DONTWAIT)) > 0) total += size_t(n);
            close(receiver);
        }
        close(sender);
    }
    close(listener);
    return total;
}

// The length prefix of a packet of n bytes.
inline std::string Prefix(uint32_t n) {
    return std::string{char(n & 0xFF), char(n >> 8 & 0xFF), char(n >> 16 & 0xFF), char(n >> 24 & 0xFF)};
}

}  // namespace nettest
