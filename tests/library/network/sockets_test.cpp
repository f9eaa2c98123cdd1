// The socket layer under the network handles: what one readiness pass
// reports for connects, data and closes, and sends into a reset connection.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "loopback.h"
#include "platform/sockets_posix.h"

using nettest::ScriptedPeer;
using nettest::Turns;

namespace {
const uint8_t kLoopback[4] = {127, 0, 0, 1};

// Polls one socket for what it wants until something is ready.
PlatformSocketPoll WaitFor(int socket, uint32_t wanted) {
    PlatformSocketPoll p = {socket, wanted, 0, 0};
    PlatformSocketPollSet(&p, 1, nettest::kHangBoundMs);
    return p;
}

int ConnectTo(int port) {
    int status = 0;
    const int s = PlatformSocketConnect(kLoopback, port, &status);
    EXPECT_NE(s, PLATFORM_NO_SOCKET);
    if (status == PLATFORM_CONNECT_PENDING) {
        PlatformSocketPoll p = WaitFor(s, PLATFORM_SOCKET_CONNECT);
        EXPECT_EQ(p.ready, PLATFORM_SOCKET_CONNECT);
        EXPECT_EQ(p.connectError, 0);
    } else {
        EXPECT_EQ(status, 0);
    }
    return s;
}
}  // namespace

TEST(Sockets, DataComesBeforeTheCloseIsReported) {
    ScriptedPeer peer([](int fd) { nettest::SendAll(fd, "bye"); });
    const int s = ConnectTo(peer.port());
    PlatformSocketPoll p = {s, PLATFORM_SOCKET_READ | PLATFORM_SOCKET_CLOSE, 0, 0};
    // The data alone already wakes the poll, so wait by the clock for the close.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nettest::kHangBoundMs);
    while (p.ready != (PLATFORM_SOCKET_READ | PLATFORM_SOCKET_CLOSE) && std::chrono::steady_clock::now() < deadline) {
        PlatformSocketPollSet(&p, 1, 10);
        if (p.ready != (PLATFORM_SOCKET_READ | PLATFORM_SOCKET_CLOSE)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(p.ready, PLATFORM_SOCKET_READ | PLATFORM_SOCKET_CLOSE);
    EXPECT_EQ(PlatformSocketReadable(s), 3);
    char buf[8];
    EXPECT_EQ(PlatformSocketRecv(s, buf, 8, true), 3);
    EXPECT_EQ(PlatformSocketRecv(s, buf, 8, false), 3);
    EXPECT_EQ(PlatformSocketRecv(s, buf, 8, false), 0);   // the end of the stream
    PlatformSocketClose(s);
}

TEST(Sockets, RefusedConnectReportsItsError) {
    int port;
    {
        ScriptedPeer gone([](int) {});
        port = gone.port();
        PlatformSocketClose(ConnectTo(port));
    }
    int status = 0;
    const int s = PlatformSocketConnect(kLoopback, port, &status);
    ASSERT_NE(s, PLATFORM_NO_SOCKET);
    if (status == PLATFORM_CONNECT_PENDING) {
        PlatformSocketPoll p = WaitFor(s, PLATFORM_SOCKET_CONNECT);
        EXPECT_EQ(p.ready, PLATFORM_SOCKET_CONNECT);
        status = p.connectError;
    }
    EXPECT_NE(status, 0);
    PlatformSocketClose(s);
}

TEST(Sockets, SendsIntoAResetConnectionFailWithoutASignal) {
    // The peer resets only once the connection has been seen made, so the
    // connect itself cannot be the call that meets the reset.
    Turns turns;
    ScriptedPeer peer([&](int fd) {
        turns.Wait(1);
        nettest::CloseWithReset(fd);
    });
    const int s = ConnectTo(peer.port());
    turns.Signal(1);
    EXPECT_EQ(WaitFor(s, PLATFORM_SOCKET_CLOSE).ready, PLATFORM_SOCKET_CLOSE);
    const std::string block(4096, 'x');
    int failures = 0;
    for (int i = 0; i < 4; ++i) failures += PlatformSocketSend(s, block.data(), int(block.size())) == -1;
    EXPECT_EQ(failures, 4);
    PlatformSocketClose(s);
}
