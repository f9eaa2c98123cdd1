// IPv4 stream sockets over POSIX: non-blocking sockets, getaddrinfo, and one
// poll() pass translated into the library's socket notifications.
#include "platform/sockets_posix.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {
thread_local int t_lastError = 0;

int Fail() {
    t_lastError = errno;
    return -1;
}

int NewStreamSocket() {
    int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    return s < 0 ? Fail() : s;
}

sockaddr_in MakeAddress(const uint8_t address[4], int port) {
    sockaddr_in a;
    memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    memcpy(&a.sin_addr, address, 4);
    return a;
}

int SocketError(int socket) {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
    return error;
}
}  // namespace

bool PlatformResolveIPv4(const char* host, uint8_t address[4]) {
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (!host || getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
    const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    memcpy(address, &in->sin_addr, 4);
    freeaddrinfo(found);
    return true;
}

int PlatformSocketListen(int port, int* boundPort) {
    int s = NewStreamSocket();
    if (s < 0) return PLATFORM_NO_SOCKET;
    int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const uint8_t any[4] = {0, 0, 0, 0};
    sockaddr_in a = MakeAddress(any, port);
    socklen_t size = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, SOMAXCONN) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
        Fail();
        close(s);
        return PLATFORM_NO_SOCKET;
    }
    if (boundPort) *boundPort = ntohs(a.sin_port);
    return s;
}

int PlatformSocketAccept(int listener, uint8_t peerAddress[4], int* peerPort) {
    sockaddr_in a;
    socklen_t size = sizeof a;
    int s = accept4(listener, reinterpret_cast<sockaddr*>(&a), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (s < 0) return Fail();
    memcpy(peerAddress, &a.sin_addr, 4);
    *peerPort = ntohs(a.sin_port);
    return s;
}

int PlatformSocketConnect(const uint8_t address[4], int port, int* status) {
    int s = NewStreamSocket();
    if (s < 0) return PLATFORM_NO_SOCKET;
    sockaddr_in a = MakeAddress(address, port);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        *status = 0;
    } else if (errno == EINPROGRESS || errno == EINTR) {
        *status = PLATFORM_CONNECT_PENDING;
    } else {
        *status = errno;
        t_lastError = errno;
    }
    return s;
}

int PlatformSocketRecv(int socket, void* buffer, int length, bool peek) {
    if (length <= 0) return 0;
    ssize_t n = recv(socket, buffer, size_t(length), peek ? MSG_PEEK : 0);
    return n < 0 ? Fail() : int(n);
}

int PlatformSocketSend(int socket, const void* buffer, int length) {
    if (length <= 0) return 0;
    ssize_t n = send(socket, buffer, size_t(length), MSG_NOSIGNAL);
    return n < 0 ? Fail() : int(n);
}

int PlatformSocketReadable(int socket) {
    int n = 0;
    return ioctl(socket, FIONREAD, &n) != 0 ? Fail() : n;
}

void PlatformSocketClose(int socket) {
    if (socket >= 0) close(socket);
}

int PlatformSocketLastError() { return t_lastError; }

int PlatformSocketPollSet(PlatformSocketPoll* set, int count, int timeoutMs) {
    thread_local std::vector<pollfd> fds;
    fds.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        short events = 0;
        uint32_t w = set[i].wanted;
        if (w & (PLATFORM_SOCKET_READ | PLATFORM_SOCKET_ACCEPT)) events |= POLLIN;
        if (w & (PLATFORM_SOCKET_WRITE | PLATFORM_SOCKET_CONNECT)) events |= POLLOUT;
        if (w & PLATFORM_SOCKET_CLOSE) events |= POLLRDHUP;
        fds[size_t(i)] = {set[i].socket, events, 0};
        set[i].ready = 0;
        set[i].connectError = 0;
    }
    int n = poll(fds.data(), nfds_t(count), timeoutMs);
    if (n < 0) return Fail();
    int readyCount = 0;
    for (int i = 0; i < count; ++i) {
        short r = fds[size_t(i)].revents;
        uint32_t w = set[i].wanted, ready = 0;
        const bool broken = (r & (POLLHUP | POLLERR)) != 0;
        if (w & PLATFORM_SOCKET_CONNECT) {
            // A connection under way reports only its outcome.
            if (r & (POLLOUT | POLLHUP | POLLERR)) {
                ready = PLATFORM_SOCKET_CONNECT;
                set[i].connectError = SocketError(set[i].socket);
                if (set[i].connectError == 0 && broken) set[i].connectError = ECONNREFUSED;
            }
        } else {
            if ((w & PLATFORM_SOCKET_ACCEPT) && (r & POLLIN)) ready |= PLATFORM_SOCKET_ACCEPT;
            if ((w & PLATFORM_SOCKET_READ) && (r & POLLIN)) ready |= PLATFORM_SOCKET_READ;
            if ((w & PLATFORM_SOCKET_WRITE) && (r & POLLOUT)) ready |= PLATFORM_SOCKET_WRITE;
            if ((w & PLATFORM_SOCKET_CLOSE) && (r & (POLLRDHUP | POLLHUP | POLLERR))) ready |= PLATFORM_SOCKET_CLOSE;
        }
        set[i].ready = ready;
        if (ready) ++readyCount;
    }
    return readyCount;
}
