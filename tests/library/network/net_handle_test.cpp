// Network handles against a scripted peer on 127.0.0.1: the layer before it
// starts, packets on the wire, prefixes and payloads that arrive in pieces,
// hostile prefixes, lost connections, accepting, and sends into a reset.
#include <gtest/gtest.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>

#include <optional>
#include <string>
#include <vector>

#include "loopback.h"
#include "core/lock.h"
#include "core/window.h"
#include "network/net_handle.h"
#include "network/network.h"
#include "platform/window_messages.h"

using nettest::LibraryFixture;
using nettest::Prefix;
using nettest::ScriptedPeer;
using nettest::Turns;

namespace {
class NetHandle : public LibraryFixture {
protected:
    // Connects and pumps until the connection is made.
    int Connect(int port) {
        int h = ConnectNetWork("127.0.0.1", port);
        EXPECT_NE(h, -1);
        // The connected flag is not checked here: the message thread's periodic
        // work may already have taken the connect event on loopback.
        EXPECT_TRUE(PumpUntil([&] { return GetNetWorkAcceptState(h) == 1; }));
        return h;
    }
    std::string Recv(int h, int n) {
        std::string out(size_t(n), '\0');
        return NetWorkRecv(h, out.data(), n) == 0 ? out : "<none>";
    }
    // A copy of the handle's record, taken under the library lock because the
    // message thread works on it too; empty once the handle is closed.
    static std::optional<NetWorkData> Record(int h) {
        return WithLibraryLock([&]() -> std::optional<NetWorkData> {
            const NetWorkData* r = GetNetWorkData(h);
            return r ? std::optional<NetWorkData>(*r) : std::nullopt;
        });
    }
};

// Waits until the kernel holds none of the socket's outgoing bytes: all
// were taken by the peer's side and acknowledged.
bool SendQueueEmpties(int socket) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nettest::kHangBoundMs);
    int queued = 0;
    while (ioctl(socket, SIOCOUTQ, &queued) == 0 && queued > 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return queued == 0;
}

const char kDroppedLine[] = "送信できなかったデータ ";
}  // namespace

TEST_F(NetHandle, BeforeTheLayerStartsEveryCallFailsQuietly) {
    const int made = 0x48000000 | 5;
    char buf[4] = {};
    EXPECT_EQ(GetNetWorkAcceptState(made), -1);
    EXPECT_EQ(GetNetWorkDataLength(made), -1);
    EXPECT_EQ(NetWorkRecv(made, buf, 1), -1);
    EXPECT_EQ(NetWorkRecvToPeek(made, buf, 1), -1);
    EXPECT_EQ(NetWorkSend(made, buf, 1), -1);
    EXPECT_EQ(CloseNetWork(made), -1);
    EXPECT_EQ(GetNewAcceptNetWork(), -1);
    EXPECT_EQ(GetListenNetWorkPort(), -1);
    EXPECT_EQ(StopListenNetWork(), -1);
    EXPECT_EQ(WithLibraryLock(AcceptNetWork), -1);
    Pump(3);
    EXPECT_EQ(GetNetWorkStarted(), 0);
    ZoVav_End();
    const std::string log = Log();
    EXPECT_EQ(log.find("ネットワーク"), std::string::npos) << log;
    EXPECT_EQ(log.find(" in "), std::string::npos) << log;
    ASSERT_EQ(ZoVav_Init(), 0);
}

TEST_F(NetHandle, SendPutsALengthPrefixedPacketOnTheWire) {
    std::string seen;
    int h;
    {
        ScriptedPeer peer([&](int fd) { seen = nettest::RecvBytes(fd, 7); });
        h = Connect(peer.port());
        EXPECT_EQ(NetWorkSend(h, "abc", 3), 0);
        EXPECT_TRUE(PumpUntil([&] { return Record(h)->sendBuffer.length == 0; }));
    }
    EXPECT_EQ(seen, std::string("\x03\x00\x00\x00" "abc", 7));
    ZoVav_End();
    zvtest::ExpectInOrder(Log(), {"ネットワーク関連の終了処理を行います \r\n", "ネットワーク関連の終了処理は完了しました\r\n"});
    ASSERT_EQ(ZoVav_Init(), 0);
}

TEST_F(NetHandle, PrefixAndPayloadArrivingInPiecesAreTakenWhenWhole) {
    Turns turns;
    ScriptedPeer peer([&](int fd) {
        const std::string packet = Prefix(5) + "hello";
        const std::vector<std::string> pieces = {packet.substr(0, 2), packet.substr(2, 2) + "hel", "lo"};
        for (size_t i = 0; i < pieces.size(); ++i) {
            turns.Wait(int(2 * i + 1));
            nettest::SendAll(fd, pieces[i]);
            turns.Signal(int(2 * i + 2));
        }
        turns.Wait(100);
    });
    const int h = Connect(peer.port());
    char buf[8];
    // Half a prefix: nothing is taken from the socket.
    turns.Signal(1);
    ASSERT_TRUE(turns.Wait(2));
    Pump(5);
    EXPECT_EQ(GetNetWorkDataLength(h), 0);
    EXPECT_EQ(Record(h)->recvRemaining, 0);
    // The prefix completes and three payload bytes come: they count.
    turns.Signal(3);
    ASSERT_TRUE(turns.Wait(4));
    EXPECT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(h) == 3; }));
    EXPECT_EQ(NetWorkRecv(h, buf, 5), -1);          // more than is waiting: nothing taken
    EXPECT_EQ(NetWorkRecvToPeek(h, buf, 3), 0);
    EXPECT_EQ(std::string(buf, 3), "hel");
    turns.Signal(5);
    ASSERT_TRUE(turns.Wait(6));
    EXPECT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(h) == 5; }));
    EXPECT_EQ(Recv(h, 5), "hello");
    EXPECT_EQ(GetNetWorkDataLength(h), 0);
    turns.Signal(100);
}

TEST_F(NetHandle, HostilePrefixSetsTheErrorFlagAndTheHandleCloses) {
    for (uint32_t size : {0x80000000u, uint32_t(NETWORK_MAX_PACKET) + 1}) {
        SCOPED_TRACE(size);
        // The prefix comes only once the connection was seen made: a handle
        // that fails first is never reported connected.
        Turns turns;
        ScriptedPeer peer([&](int fd) {
            turns.Wait(1);
            nettest::SendAll(fd, Prefix(size) + "xyz");
            turns.Wait(2);
        });
        const int h = Connect(peer.port());
        turns.Signal(1);
        EXPECT_TRUE(PumpUntil([&] {
            const std::optional<NetWorkData> r = Record(h);
            return !r || r->error == 1;
        }));
        EXPECT_EQ(GetNetWorkDataLength(h), -1);      // failed or already closed
        ProcessMessage();
        EXPECT_FALSE(Record(h));
        EXPECT_EQ(GetNetWorkAcceptState(h), -1);
        const std::string line = "受信データを保存するリングバッファのリサイズに失敗しました(データサイズ " +
                                 std::to_string(size) + " byte)";
        EXPECT_NE(Log().find(line), std::string::npos) << Log();
        turns.Signal(2);
    }
}

TEST_F(NetHandle, LostConnectionReportsOnceThenClosesAfterItsBytesAreRead) {
    // The peer closes only once the connection was seen made: on loopback
    // the connect and the close could otherwise come in one pass.
    // Nothing waiting: reported lost once, closed by the next pass.
    {
        Turns turns;
        ScriptedPeer peer([&](int) { turns.Wait(1); });
        const int h = Connect(peer.port());
        turns.Signal(1);
        EXPECT_TRUE(PumpUntil([&] { return GetNetWorkAcceptState(h) == 0; }));
        ProcessMessage();
        const size_t logSize = Log().size();
        EXPECT_EQ(GetNetWorkAcceptState(h), -1);
        EXPECT_EQ(CloseNetWork(h), -1);
        EXPECT_EQ(Log().size(), logSize);       // a closed handle fails without a line
    }
    // A packet waiting: the handle stays until it has been read.
    {
        Turns turns;
        ScriptedPeer peer([&](int fd) {
            turns.Wait(1);
            nettest::SendAll(fd, Prefix(4) + "last");
        });
        const int h = Connect(peer.port());
        turns.Signal(1);
        EXPECT_TRUE(PumpUntil([&] { return GetNetWorkAcceptState(h) == 0; }));
        Pump(5);
        EXPECT_EQ(GetNetWorkDataLength(h), 4);
        EXPECT_EQ(Recv(h, 4), "last");
        ProcessMessage();
        EXPECT_FALSE(Record(h));
    }
}

TEST_F(NetHandle, ListeningAcceptsConnectionsAsNewHandles) {
    ASSERT_EQ(ListenNetWork(0), 0);
    const int port = GetListenNetWorkPort();
    ASSERT_GT(port, 0);
    EXPECT_EQ(ListenNetWork(0), -1);                // one listening socket at a time
    int client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = nettest::Loopback(port);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t size = sizeof a;
    getsockname(client, reinterpret_cast<sockaddr*>(&a), &size);
    nettest::SendAll(client, Prefix(2) + "hi");

    int h = -1;
    EXPECT_TRUE(PumpUntil([&] { return (h = GetNewAcceptNetWork()) != -1; }));
    EXPECT_EQ(GetNewAcceptNetWork(), -1);           // each handle is handed out once
    EXPECT_EQ(GetNetWorkAcceptState(h), 1);
    unsigned char address[4] = {};
    int peerPort = 0;
    EXPECT_EQ(GetNetWorkPeerAddress(h, address, &peerPort), 0);
    EXPECT_EQ(std::vector<int>(address, address + 4), (std::vector<int>{127, 0, 0, 1}));
    EXPECT_EQ(peerPort, ntohs(a.sin_port));
    EXPECT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(h) == 2; }));
    EXPECT_EQ(Recv(h, 2), "hi");
    EXPECT_EQ(NetWorkSend(h, "ok", 2), 0);
    EXPECT_EQ(nettest::RecvBytes(client, 6), Prefix(2) + "ok");
    EXPECT_EQ(CloseNetWork(h), 0);
    EXPECT_EQ(StopListenNetWork(), 0);
    EXPECT_EQ(GetListenNetWorkPort(), -1);
    close(client);
}

TEST_F(NetHandle, BytesQueuedDuringAPacketFormTheNextAndLeaveBeforeTheClose) {
    // Half again what the socket takes at once: the first packet is still
    // going out when the second is queued, and once the peer has emptied the
    // socket, what is left of both fits into it without the peer's help.
    const size_t atOnce = nettest::BytesALoopbackConnectionTakesAtOnce();
    ASSERT_GT(atOnce, 0u);
    const std::string big(atOnce + atOnce / 2, 'q');
    const size_t total = 4 + big.size() + 8;
    Turns turns;
    size_t takenBeforeTheClose = 0;
    std::string seen;
    {
        ScriptedPeer peer([&](int fd) {
            turns.Wait(1);
            seen = nettest::RecvBytes(fd, takenBeforeTheClose);
            turns.Signal(2);
            seen += nettest::RecvBytes(fd, total - seen.size());
        });
        const int h = Connect(peer.port());
        // Held throughout, so that the message thread sends nothing between
        // the steps: the queued bytes are still queued when the close comes.
        WithLibraryLock([&] {
            ASSERT_EQ(NetWorkSendImpl(h, big.data(), int(big.size())), 0);
            const NetWorkData* r = GetNetWorkData(h);
            ASSERT_GT(r->sendRemaining, 0u);        // the first packet is still going out
            ASSERT_EQ(NetWorkSendImpl(h, "tail", 4), 0);
            takenBeforeTheClose = 4 + big.size() - r->sendRemaining;
            const int socket = r->socket;
            turns.Signal(1);
            ASSERT_TRUE(turns.Wait(2));
            ASSERT_TRUE(SendQueueEmpties(socket));
            EXPECT_GT(GetNetWorkData(h)->sendBuffer.length, 0);
            EXPECT_EQ(CloseNetWorkImpl(h), 0);
        });
        turns.Signal(2);       // lets the peer go on should a step above have failed
    }
    ASSERT_EQ(seen.size(), total);
    EXPECT_EQ(seen.substr(0, 4), Prefix(uint32_t(big.size())));
    EXPECT_EQ(seen.substr(4 + big.size()), Prefix(4) + "tail");
    EXPECT_EQ(Log().find(kDroppedLine), std::string::npos) << Log();
}

TEST_F(NetHandle, CloseThatDropsQueuedBytesLogsThemAndFails) {
    // Twice what the socket takes at once, and a peer that reads nothing
    // until the close has spent its time: about half cannot leave.
    const size_t atOnce = nettest::BytesALoopbackConnectionTakesAtOnce();
    ASSERT_GT(atOnce, 0u);
    const std::string big(2 * atOnce, 'd');
    Turns turns;
    std::string seen;
    {
        ScriptedPeer peer([&](int fd) {
            turns.Wait(1);
            seen = nettest::RecvBytes(fd, 4 + big.size());
        });
        const int h = Connect(peer.port());
        ASSERT_EQ(NetWorkSend(h, big.data(), int(big.size())), 0);
        EXPECT_EQ(CloseNetWork(h), -1);  // the drop is a failure...
        EXPECT_FALSE(Record(h));         // ...and the handle is closed all the same
        EXPECT_EQ(CloseNetWork(h), -1);
        turns.Signal(1);
    }
    // The peer got the prefix and the payload up to the drop, then the end.
    ASSERT_GT(seen.size(), 4u);
    const size_t dropped = 4 + big.size() - seen.size();
    ASSERT_GT(dropped, 0u);
    const std::string line = kDroppedLine + std::to_string(dropped) + " byte を破棄しました in CloseNetWork";
    EXPECT_NE(Log().find(line), std::string::npos) << Log();
}

// Plain mode, the HTTP tasks' connections: bytes go out and come in as the
// socket moves them, without packets; reads give the socket's count, a read
// that finds nothing yet fails, and the end of the stream reads 0. The data
// length only says whether a byte waits: 1, the peek's failure while nothing
// has come, 0 at the end of the stream. A lost connection stays until the
// bytes it left have been read.
TEST_F(NetHandle, PlainModeMovesRawBytesAndCountsWhatTheSocketGives) {
    std::string seen;
    Turns turns;
    char buf[16];
    {
        ScriptedPeer peer([&](int fd) {
            seen = nettest::RecvBytes(fd, 5);
            nettest::SendAll(fd, "world!");
            turns.Wait(1);
            nettest::SendAll(fd, "bye");
        });
        const int h = WithLibraryLock([&] { return ConnectNetWorkImpl("127.0.0.1", peer.port(), 0); });
        ASSERT_NE(h, -1);
        EXPECT_TRUE(PumpUntil([&] { return GetNetWorkAcceptState(h) == 1; }));
        EXPECT_EQ(NetWorkSend(h, "hello", 5), 5);   // sent at once: nothing queued
        EXPECT_EQ(Record(h)->sendBuffer.length, 0);
        EXPECT_TRUE(PumpUntil([&] { return NetWorkRecvToPeek(h, buf, sizeof buf) == 6; }));
        EXPECT_EQ(GetNetWorkDataLength(h), 1);
        EXPECT_EQ(NetWorkRecvToPeek(h, buf, 3), 3);
        EXPECT_EQ(NetWorkRecv(h, buf, sizeof buf), 6);   // fewer than asked for: what there is
        EXPECT_EQ(std::string(buf, 6), "world!");
        EXPECT_EQ(GetNetWorkDataLength(h), -1);          // nothing has come yet
        EXPECT_EQ(NetWorkRecv(h, buf, sizeof buf), -1);
        turns.Signal(1);

        EXPECT_TRUE(PumpUntil([&] { return GetNetWorkAcceptState(h) == 0; }));
        Pump(5);
        ASSERT_TRUE(Record(h));                          // its last bytes still wait
        EXPECT_TRUE(PumpUntil([&] { return NetWorkRecvToPeek(h, buf, sizeof buf) == 3; }));
        EXPECT_EQ(GetNetWorkDataLength(h), 1);
        // Under the lock: once the bytes are read the message thread may close it.
        WithLibraryLock([&] {
            EXPECT_EQ(NetWorkRecvImpl(h, buf, sizeof buf), 3);
            EXPECT_EQ(std::string(buf, 3), "bye");
            EXPECT_EQ(GetNetWorkDataLengthImpl(h), 0);
            EXPECT_EQ(NetWorkRecvImpl(h, buf, sizeof buf), 0);   // the end of the stream
        });
        ProcessMessage();
        EXPECT_FALSE(Record(h));
    }
    EXPECT_EQ(seen, "hello");                        // no length prefix on the wire
}

TEST_F(NetHandle, SocketMessagesForUnknownSocketsAndEvents) {
    nettest::Turns turns;
    ScriptedPeer peer([&](int) { turns.Wait(1); });
    const int h = Connect(peer.port());
    const uintptr_t socket = uintptr_t(Record(h)->socket);
    // Delivered as the message pump delivers them: under the library lock.
    auto deliver = [](uintptr_t s, intptr_t lParam) {
        return WithLibraryLock([&] { return WndProc(WM_SOCKET_NOTIFY, s, lParam); });
    };
    EXPECT_EQ(deliver(socket + 1000, 1), 0);
    EXPECT_NE(Log().find("通信エラー No.1"), std::string::npos);
    EXPECT_EQ(deliver(socket, 64), 1);
    EXPECT_EQ(deliver(socket, 16 | (111 << 16)), 1);
    EXPECT_EQ(GetNetWorkAcceptState(h), 1);                 // neither changed the connection
    EXPECT_EQ(deliver(socket, 32), 1);
    EXPECT_EQ(GetNetWorkAcceptState(h), 0);
    turns.Signal(1);
}

TEST_F(NetHandle, SendingIntoAResetConnectionDoesNotEndTheProcess) {
    Turns turns;
    ScriptedPeer peer([&](int fd) {
        turns.Wait(1);
        nettest::CloseWithReset(fd);
        turns.Signal(2);
    });
    const int h = Connect(peer.port());
    turns.Signal(1);
    ASSERT_TRUE(turns.Wait(2));
    const std::string block(64 << 10, 's');
    for (int i = 0; i < 20 && Record(h); ++i) {
        NetWorkSend(h, block.data(), int(block.size()));
        ProcessMessage();
    }
    EXPECT_TRUE(PumpUntil([&] { return GetNetWorkAcceptState(h) != 1; }));
}

TEST_F(NetHandle, RefusedConnectionIsLostAndCloses) {
    const int port = nettest::RefusingPort();
    const int h = ConnectNetWork("127.0.0.1", port);
    ASSERT_NE(h, -1);
    EXPECT_TRUE(PumpUntil([&] {
        const std::optional<NetWorkData> r = Record(h);
        return r && !r->connecting;
    }));
    EXPECT_EQ(GetNetWorkAcceptState(h), 0);
    ProcessMessage();
    EXPECT_FALSE(Record(h));
}

TEST_F(NetHandle, BadAddressesAndPortsAreRefusedWithALine) {
    EXPECT_EQ(ConnectNetWork("no-such-host.invalid", 80), -1);
    EXPECT_EQ(ConnectNetWork("127.0.0.1", 0), -1);
    EXPECT_EQ(ConnectNetWork(nullptr, 80), -1);
    EXPECT_EQ(ListenNetWork(70000), -1);
    const std::string log = Log();
    EXPECT_NE(log.find("接続先 no-such-host.invalid のアドレスが見つかりませんでした in ConnectNetWork"), std::string::npos) << log;
    EXPECT_NE(log.find("in ListenNetWork"), std::string::npos) << log;
}
