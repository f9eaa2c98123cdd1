// IPv4 stream sockets over POSIX: non-blocking sockets named by small
// integers, name lookup, and one readiness pass that reports what happened in
// the library's socket-notification terms.
#pragma once
#include <cstdint>

constexpr int PLATFORM_NO_SOCKET = -1;

// Notification kinds; the values are those the library's socket message uses.
enum : uint32_t {
    PLATFORM_SOCKET_READ = 1,      // bytes can be read
    PLATFORM_SOCKET_WRITE = 2,     // bytes can be sent
    PLATFORM_SOCKET_ACCEPT = 8,    // a connection waits on a listening socket
    PLATFORM_SOCKET_CONNECT = 16,  // an outgoing connection was made or refused
    PLATFORM_SOCKET_CLOSE = 32,    // the peer ended or reset the connection
};

// A connection that connect() has started but not finished.
constexpr int PLATFORM_CONNECT_PENDING = -1;

// Resolves a name or a dotted quad to an IPv4 address; blocks while the
// resolver works. False when the name has no IPv4 address.
bool PlatformResolveIPv4(const char* host, uint8_t address[4]);

// A listening socket on every local address; port 0 takes a free port,
// reported in *boundPort. PLATFORM_NO_SOCKET on failure.
int PlatformSocketListen(int port, int* boundPort);
// Takes one waiting connection; PLATFORM_NO_SOCKET when none or on failure.
int PlatformSocketAccept(int listener, uint8_t peerAddress[4], int* peerPort);
// Starts a connection. The socket, or PLATFORM_NO_SOCKET when none could be
// made; *status is 0 when already connected, PLATFORM_CONNECT_PENDING while
// under way, or the error code of a connection refused at once (the socket
// still exists then, so the refusal can be reported like a late one).
int PlatformSocketConnect(const uint8_t address[4], int port, int* status);

// Byte counts; 0 when the peer has ended the stream (or length is 0); -1 on
// an error or when nothing can move now. Sends never raise SIGPIPE.
int PlatformSocketRecv(int socket, void* buffer, int length, bool peek);
int PlatformSocketSend(int socket, const void* buffer, int length);
// Bytes that a receive would take now without waiting; -1 on error.
int PlatformSocketReadable(int socket);
void PlatformSocketClose(int socket);
// Error code of the calling thread's last failed socket call.
int PlatformSocketLastError();

// One entry of a readiness pass: the caller names the kinds it wants; the
// pass fills in those that happened, with the error of a refused connection.
struct PlatformSocketPoll {
    int socket;
    uint32_t wanted;
    uint32_t ready;
    int connectError;
};
// Waits up to timeoutMs (0: only looks) and fills in ready; the number of
// entries with something ready, or -1.
int PlatformSocketPollSet(PlatformSocketPoll* set, int count, int timeoutMs);
