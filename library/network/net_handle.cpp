// Network handles over the platform's sockets: records and their checks,
// accept and connect, packet-framed receive and send through the ring
// buffers, the pass that turns socket readiness into socket messages, and the
// end of the layer.
#include "network/net_handle.h"

#include <cstdarg>
#include <vector>

#include "core/alloc.h"
#include "core/log.h"
#include "core/routines.h"
#include "network/network.h"
#include "platform/sockets_posix.h"
#include "platform/system_posix.h"
#include "platform/window_messages.h"

namespace {
constexpr int kRecordSlots = NETWORK_CONNECTION_SLOTS + 1;
constexpr uint32_t kCloseWaitMs = 1000;

struct SocketEvent {
    int socket;
    uint32_t event;
    int error;
};

struct NetWorkState {
    NetWorkData* records[kRecordSlots];
    HandleList head, tail;     // newest record first
    int checkCounter;          // 0 .. 2047; kept when the layer ends so stale handles stay refused
    int initialised;
    int listenPort;
    int recvBusy, sendBusy;
    int pumping;               // a readiness pass is dispatching
    std::vector<PlatformSocketPoll> polls;   // reused by every pass
    std::vector<SocketEvent> events;
};
NetWorkState g_net = {};

NetWorkData* RecordOf(int handle) {
    if (handle < 0 || (handle & HANDLE_KIND_MASK) != (ZV_HANDLE_NETWORK << 16)) return nullptr;
    const int slot = HandleSlot(handle);
    if (slot >= kRecordSlots) return nullptr;
    NetWorkData* r = g_net.records[slot];
    if (!r || (r->checkValue << 16) != (handle & HANDLE_CHECK_MASK)) return nullptr;
    return r;
}

// A live record that failed refuses every operation with the operation's own
// line (a closed one is gone and fails the handle test without a line).
bool RecordUsable(const NetWorkData* r, const char* name) {
    if (!r->error) return true;
    ErrorLogFmtAdd("このネットワークハンドルにはエラーが発生しています in %s", name);
    return false;
}

bool ReceiveWaiting(const NetWorkData* r) {
    if (r->ringMode) return r->recvBuffer.length > 0;
    return r->socket != PLATFORM_NO_SOCKET && PlatformSocketReadable(r->socket) > 0;
}

bool SendWaiting(const NetWorkData* r) {
    return r->ringMode && (r->sendBuffer.length > 0 || r->prefixRemaining > 0);
}

int LowestFreeSlot() {
    int slot = 0;
    while (slot < NETWORK_CONNECTION_SLOTS && g_net.records[slot]) ++slot;
    return slot < NETWORK_CONNECTION_SLOTS ? slot : -1;
}

// A zeroed record in the slot, linked in front; its check value is taken
// only when the caller keeps it (CommitRecord). The handle or -1.
int NewRecord(int slot, int ringMode, NetWorkData** out) {
    auto* r = static_cast<NetWorkData*>(ZvAlloc(sizeof(NetWorkData), "", 0));
    if (!r) return ErrorLogAdd("ソケット用のメモリの確保に失敗しました\n");
    MemSet(r, 0, sizeof *r);
    g_net.records[slot] = r;
    r->ringMode = ringMode;
    r->socket = PLATFORM_NO_SOCKET;
    r->checkValue = g_net.checkCounter;
    const int handle = MakeHandle(ZV_HANDLE_NETWORK, r->checkValue, slot);
    AddHandleList(&g_net.head, &r->node, handle, r);
    *out = r;
    return handle;
}

void FreeRecord(NetWorkData* r) {
    const int slot = HandleSlot(r->node.handle);
    SubHandleList(&r->node);
    PlatformSocketClose(r->socket);
    TerminateRingBuffer(&r->recvBuffer);
    TerminateRingBuffer(&r->sendBuffer);
    g_net.records[slot] = nullptr;
    ZvFree(r);
}

void CommitRecord() { g_net.checkCounter = (g_net.checkCounter + 1) % HANDLE_CHECK_MAX; }

NetWorkData* FindBySocket(int socket) {
    if (!g_net.initialised) return nullptr;
    for (HandleList* n = g_net.head.next; n && n->next; n = n->next) {
        auto* r = static_cast<NetWorkData*>(n->data);
        if (r->socket == socket && socket != PLATFORM_NO_SOCKET) return r;
    }
    return nullptr;
}

// Which notifications each socket wants this pass. Connects that connect()
// settled at once are reported without asking the socket.
void CollectEvents(std::vector<PlatformSocketPoll>& polls, std::vector<SocketEvent>& events) {
    for (HandleList* n = g_net.head.next; n && n->next; n = n->next) {
        auto* r = static_cast<NetWorkData*>(n->data);
        if (r->socket == PLATFORM_NO_SOCKET || r->error) continue;
        uint32_t wanted = 0;
        if (HandleSlot(n->handle) == NETWORK_LISTEN_SLOT) {
            wanted = PLATFORM_SOCKET_ACCEPT;
        } else if (r->connecting) {
            if (r->connectStatus != PLATFORM_CONNECT_PENDING) {
                events.push_back({r->socket, PLATFORM_SOCKET_CONNECT, r->connectStatus});
                continue;
            }
            wanted = PLATFORM_SOCKET_CONNECT;
        } else {
            if (r->ringMode) wanted |= PLATFORM_SOCKET_READ;
            if (SendWaiting(r)) wanted |= PLATFORM_SOCKET_WRITE;
            if (!r->closeReported) wanted |= PLATFORM_SOCKET_CLOSE;
        }
        if (wanted) polls.push_back({r->socket, wanted, 0, 0});
    }
    if (polls.empty() || PlatformSocketPollSet(polls.data(), int(polls.size()), 0) <= 0) return;
    // Per socket: the outcome of a connect or an accept, then data in, data
    // out, and the close last, so that bytes that came before it are taken.
    static const uint32_t kOrder[] = {PLATFORM_SOCKET_CONNECT, PLATFORM_SOCKET_ACCEPT, PLATFORM_SOCKET_READ,
                                      PLATFORM_SOCKET_WRITE, PLATFORM_SOCKET_CLOSE};
    for (const PlatformSocketPoll& p : polls)
        for (uint32_t e : kOrder)
            if (p.ready & e) events.push_back({p.socket, e, e == PLATFORM_SOCKET_CONNECT ? p.connectError : 0});
}

// One readiness pass: every live socket is looked at once, without waiting,
// and what happened goes to NetWorkMessageProc as socket messages.
void PumpSocketEvents() {
    if (g_net.pumping) return;
    g_net.pumping = 1;
    std::vector<PlatformSocketPoll>& polls = g_net.polls;
    std::vector<SocketEvent>& events = g_net.events;
    polls.clear();
    events.clear();
    CollectEvents(polls, events);
    for (const SocketEvent& e : events) {
        NetWorkData* r = FindBySocket(e.socket);
        if (!r) continue;
        if (e.event == PLATFORM_SOCKET_CLOSE) r->closeReported = 1;
        const intptr_t lParam = intptr_t(uint32_t(e.event) | (uint32_t(e.error & 0xFFFF) << 16));
        NetWorkMessageProc(WM_SOCKET_NOTIFY, uintptr_t(e.socket), lParam);
    }
    g_net.pumping = 0;
}

int RecvSocket(int netHandle);
int SendSocket(int netHandle);

// A line about a failed socket call, with the call's error code.
__attribute__((format(printf, 1, 2))) int NetWorkErrorLogFmtAdd(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    FormatStringV(text, sizeof text, format, args);
    va_end(args);
    return ErrorLogFmtAdd("ネットワークログ。%.900s[%d]", text, PlatformSocketLastError());
}

// Waits until the socket can move bytes the given way or the time is up.
bool WaitSocket(int socket, uint32_t kind, uint32_t startMs) {
    const uint32_t spent = PlatformTimeMs() - startMs;
    if (spent >= kCloseWaitMs) return false;
    PlatformSocketPoll p = {socket, kind, 0, 0};
    return PlatformSocketPollSet(&p, 1, int(kCloseWaitMs - spent)) > 0 && p.ready;
}

int RecvSocketBody(NetWorkData* r) {
    if (!r->ringMode) return 0;
    RingBuffer& ring = r->recvBuffer;
    for (;;) {
        if (r->recvRemaining == 0) {
            // The prefix is taken only once all four bytes are there.
            unsigned char prefix[4];
            if (PlatformSocketRecv(r->socket, prefix, 4, true) < 4) break;
            const uint32_t size = uint32_t(prefix[0]) | uint32_t(prefix[1]) << 8 | uint32_t(prefix[2]) << 16 |
                                  uint32_t(prefix[3]) << 24;
            if (size > uint32_t(NETWORK_MAX_PACKET) || ReserveRingBuffer(&ring, int(size)) != 0) {
                ErrorLogFmtAdd("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %u byte)", size);
                r->error = 1;
                return -1;
            }
            if (PlatformSocketRecv(r->socket, prefix, 4, false) < 4) break;
            r->recvRemaining = int(size);
            if (size == 0) continue;
        }
        NormalizeRingBuffer(&ring);
        int total;
        if (int64_t(ring.end) + r->recvRemaining > ring.capacity) {
            const int toEnd = ring.capacity - ring.end;
            const int n = PlatformSocketRecv(r->socket, ring.data + ring.end, toEnd, false);
            if (n < 0) break;
            if (n == toEnd) {
                const int m = PlatformSocketRecv(r->socket, ring.data, r->recvRemaining - n, false);
                ring.end = m < 0 ? 0 : m;
                total = n + (m < 0 ? 0 : m);
            } else {
                ring.end += n;
                total = n;
            }
        } else {
            const int n = PlatformSocketRecv(r->socket, ring.data + ring.end, r->recvRemaining, false);
            if (n < 0) break;
            ring.end += n;
            total = n;
        }
        ring.length += total;
        r->recvRemaining -= total;
        ProcessNetWorkMessage(0);
        if (total <= 0 || r->recvRemaining != 0) break;
    }
    return 0;
}

void SendSocketBody(NetWorkData* r) {
    RingBuffer& ring = r->sendBuffer;
    if (!r->ringMode || ring.length == 0) return;
    for (;;) {
        unsigned char prefix[4];
        if (r->prefixRemaining != 0) {
            for (int i = 0; i < 4; ++i) prefix[i] = uint8_t(r->sendRemaining >> (8 * i));
            const int n = PlatformSocketSend(r->socket, prefix + 4 - r->prefixRemaining, r->prefixRemaining);
            if (n < 0) return;
            r->prefixRemaining -= n;
            if (r->prefixRemaining != 0) return;
        }
        if (r->sendRemaining == 0) {
            // One packet carries what is queued now, up to what a receiver takes.
            r->sendRemaining = uint32_t(ring.length < NETWORK_MAX_PACKET ? ring.length : NETWORK_MAX_PACKET);
            for (int i = 0; i < 4; ++i) prefix[i] = uint8_t(r->sendRemaining >> (8 * i));
            const int n = PlatformSocketSend(r->socket, prefix, 4);
            if (n < 0) {
                r->sendRemaining = 0;
                return;
            }
            if (n < 4) {
                r->prefixRemaining = 4 - n;
                return;
            }
        }
        NormalizeRingBuffer(&ring);
        const int remaining = int(r->sendRemaining);
        int total;
        if (int64_t(ring.start) + remaining > ring.capacity) {
            const int toEnd = ring.capacity - ring.start;
            const int n = PlatformSocketSend(r->socket, ring.data + ring.start, toEnd);
            if (n < 0) return;
            if (n == toEnd) {
                const int m = PlatformSocketSend(r->socket, ring.data, remaining - n);
                ring.start = m < 0 ? 0 : m;
                total = n + (m < 0 ? 0 : m);
            } else {
                ring.start += n;
                total = n;
            }
        } else {
            const int n = PlatformSocketSend(r->socket, ring.data + ring.start, remaining);
            if (n < 0) return;
            ring.start += n;
            total = n;
        }
        ring.length -= total;
        r->sendRemaining -= uint32_t(total);
        ProcessNetWorkMessage(0);
        if (total <= 0 || r->sendRemaining != 0 || ring.length == 0) return;
    }
}

// The common start of the handle operations: layer, handle, pending events.
NetWorkData* Prologue(int handle) {
    if (!g_net.initialised || !RecordOf(handle)) return nullptr;
    ProcessNetWorkMessage(0);
    return RecordOf(handle);
}

int ReceiveTo(int handle, void* buffer, int length, bool peek, const char* name) {
    if (length < 0) return -1;
    NetWorkData* r = Prologue(handle);
    if (!r || !RecordUsable(r, name)) return -1;
    if (RecvSocket(handle) < 0) return -1;
    if (!r->ringMode) return PlatformSocketRecv(r->socket, buffer, length, peek);
    if (GetRingBufferData(&r->recvBuffer, buffer, length, peek) != 0) return -1;
    if (!peek) RecvSocket(handle);
    return 0;
}

// The layer starts at the first listen or connect.
void StartNetWork() {
    if (g_net.initialised) return;
    const int keptCheck = g_net.checkCounter;
    g_net = NetWorkState{};
    g_net.checkCounter = keptCheck;
    InitializeHandleList(&g_net.head, &g_net.tail);
    g_net.initialised = 1;
}

// Takes whole packets while they arrive; -1 when the handle failed.
int RecvSocket(int netHandle) {
    if (!g_net.initialised || !RecordOf(netHandle) || g_net.recvBusy) return -1;
    g_net.recvBusy = 1;
    ProcessNetWorkMessage(0);
    NetWorkData* r = RecordOf(netHandle);
    const int result = r && RecordUsable(r, "RecvSocket") ? RecvSocketBody(r) : -1;
    g_net.recvBusy = 0;
    return result;
}

// Sends queued bytes while the socket takes them.
int SendSocket(int netHandle) {
    if (!g_net.initialised || !RecordOf(netHandle) || g_net.sendBusy) return -1;
    g_net.sendBusy = 1;
    ProcessNetWorkMessage(0);
    NetWorkData* r = RecordOf(netHandle);
    int result = -1;
    if (r && RecordUsable(r, "SendSocket")) {
        SendSocketBody(r);
        result = 0;
    }
    g_net.sendBusy = 0;
    return result;
}
}  // namespace

int GetNetWorkStarted() { return g_net.initialised; }

NetWorkData* GetNetWorkData(int netHandle) { return g_net.initialised ? RecordOf(netHandle) : nullptr; }

int ProcessNetWorkMessage(int closeFlag) {
    if (!g_net.initialised) return 0;
    if (closeFlag == 1) {
        // Lost connections close once their loss was reported and everything
        // they received has been read; a failed one closes at once.
        for (HandleList *n = g_net.head.next, *next; n && n->next; n = next) {
            next = n->next;
            auto* r = static_cast<NetWorkData*>(n->data);
            if (HandleSlot(n->handle) == NETWORK_LISTEN_SLOT) continue;
            if (r->error || (!r->connected && !r->connecting && r->lossSeen && !ReceiveWaiting(r)))
                CloseNetWorkImpl(n->handle);
        }
    }
    PumpSocketEvents();
    return 0;
}

intptr_t NetWorkMessageProc(uint32_t, uintptr_t wParam, intptr_t lParam) {
    NetWorkData* r = FindBySocket(int(wParam));
    if (!r) {
        ErrorLogAdd("通信エラー No.1\n");
        return 0;
    }
    const int handle = r->node.handle;
    const int error = int((uintptr_t(lParam) >> 16) & 0xFFFF);
    switch (uintptr_t(lParam) & 0xFFFF) {
        case PLATFORM_SOCKET_READ:
            RecvSocket(handle);
            return 1;
        case PLATFORM_SOCKET_WRITE:
            SendSocket(handle);
            return 1;
        case PLATFORM_SOCKET_ACCEPT:
            return AcceptNetWork();
        case PLATFORM_SOCKET_CONNECT:
            // A refused connection is lost from the start and has nothing to close.
            r->connecting = 0;
            if (error == 0) r->connected = 1;
            else r->closeReported = 1;
            return 1;
        case PLATFORM_SOCKET_CLOSE:
            r->connected = 0;
            r->lossSeen = 0;
            return 1;
        default:
            return 1;
    }
}

int AcceptNetWork() {
    if (!g_net.initialised) return -1;
    ProcessNetWorkMessage(0);
    NetWorkData* listener = g_net.records[NETWORK_LISTEN_SLOT];
    if (!listener) return -1;
    const int slot = LowestFreeSlot();
    NetWorkData* r = nullptr;
    if (slot < 0) ErrorLogAdd("空きソケットデータがなかったので accept を拒否しました \n");
    if (slot < 0 || NewRecord(slot, 1, &r) < 0) {
        // Refused: taken off the queue and closed, or it would be offered again at every pass.
        uint8_t address[4];
        int port;
        PlatformSocketClose(PlatformSocketAccept(listener->socket, address, &port));
        return -1;
    }
    r->connected = 1;
    r->accepted = 1;
    r->socket = PlatformSocketAccept(listener->socket, r->peerAddress, &r->peerPort);
    if (r->socket == PLATFORM_NO_SOCKET) {
        FreeRecord(r);
        return NetWorkErrorLogFmtAdd("acceptに失敗しました");
    }
    CommitRecord();
    return 1;
}

int ListenNetWorkImpl(int port) {
    if (port < 0 || port > 65535) return ErrorLogFmtAdd("待ち受けるポート番号 %d が正しくありません in ListenNetWork", port);
    StartNetWork();
    if (g_net.records[NETWORK_LISTEN_SLOT]) return ErrorLogAdd("既に接続を待ち受けています in ListenNetWork\n");
    int bound = 0;
    const int socket = PlatformSocketListen(port, &bound);
    if (socket == PLATFORM_NO_SOCKET) return NetWorkErrorLogFmtAdd("listenに失敗しました in ListenNetWork");
    NetWorkData* r = nullptr;
    if (NewRecord(NETWORK_LISTEN_SLOT, 0, &r) < 0) {
        PlatformSocketClose(socket);
        return -1;
    }
    r->socket = socket;
    CommitRecord();
    g_net.listenPort = bound;
    return 0;
}

int StopListenNetWorkImpl() {
    NetWorkData* r = g_net.initialised ? g_net.records[NETWORK_LISTEN_SLOT] : nullptr;
    if (!r) return -1;
    g_net.listenPort = 0;
    return CloseNetWorkImpl(r->node.handle);
}

int GetListenNetWorkPortImpl() {
    return g_net.initialised && g_net.records[NETWORK_LISTEN_SLOT] ? g_net.listenPort : -1;
}

int ConnectNetWorkImpl(const char* address, int port, int ringMode) {
    if (!address || port <= 0 || port > 65535)
        return ErrorLogFmtAdd("接続先のアドレスかポート番号 %d が正しくありません in ConnectNetWork", port);
    StartNetWork();
    uint8_t ip[4];
    if (!PlatformResolveIPv4(address, ip))
        return ErrorLogFmtAdd("接続先 %.200s のアドレスが見つかりませんでした in ConnectNetWork", address);
    const int slot = LowestFreeSlot();
    if (slot < 0) return ErrorLogAdd("空きソケットデータがなかったので接続できませんでした in ConnectNetWork\n");
    NetWorkData* r = nullptr;
    const int handle = NewRecord(slot, ringMode, &r);
    if (handle < 0) return -1;
    r->socket = PlatformSocketConnect(ip, port, &r->connectStatus);
    if (r->socket == PLATFORM_NO_SOCKET) {
        FreeRecord(r);
        return NetWorkErrorLogFmtAdd("socketの作成に失敗しました in ConnectNetWork");
    }
    r->connecting = 1;
    MemCopy(r->peerAddress, ip, 4);
    r->peerPort = port;
    CommitRecord();
    return handle;
}

int GetNewAcceptNetWorkImpl() {
    if (!g_net.initialised) return -1;
    ProcessNetWorkMessage(0);
    // Oldest first: the list holds the newest record in front.
    for (HandleList* n = g_net.tail.prev; n && n->prev; n = n->prev) {
        auto* r = static_cast<NetWorkData*>(n->data);
        if (r->accepted == 1) {
            r->accepted = 2;
            return n->handle;
        }
    }
    return -1;
}

int GetNetWorkPeerAddressImpl(int netHandle, unsigned char address[4], int* port) {
    NetWorkData* r = Prologue(netHandle);
    if (!r || !RecordUsable(r, "GetNetWorkPeerAddress")) return -1;
    if (address) MemCopy(address, r->peerAddress, 4);
    if (port) *port = r->peerPort;
    return 0;
}

int GetNetWorkConnectingState(int netHandle) {
    NetWorkData* r = GetNetWorkData(netHandle);
    return r ? r->connecting : -1;
}

int CloseNetWorkImpl(int netHandle) {
    NetWorkData* r = g_net.initialised ? RecordOf(netHandle) : nullptr;
    if (!r) return -1;
    ProcessNetWorkMessage(0);
    // A packet half received and bytes still queued get a little time, spent
    // waiting on the socket; a socket that stops moving ends the wait early.
    if (!r->error) {
        uint32_t start = PlatformTimeMs();
        while (r->recvRemaining != 0 && WaitSocket(r->socket, PLATFORM_SOCKET_READ, start)) {
            const int before = r->recvRemaining;
            if (RecvSocket(netHandle) < 0 || r->recvRemaining == before) break;
        }
        start = PlatformTimeMs();
        while (SendWaiting(r) && WaitSocket(r->socket, PLATFORM_SOCKET_WRITE, start)) {
            const int before = r->sendBuffer.length + r->prefixRemaining;
            SendSocket(netHandle);
            if (r->sendBuffer.length + r->prefixRemaining == before) break;
        }
    }
    // What a slow or silent peer did not take in time is lost: the log says
    // how much and the caller hears of it, though the handle closes all the same.
    const int dropped = r->sendBuffer.length;
    if (dropped > 0) ErrorLogFmtAdd("送信できなかったデータ %d byte を破棄しました in CloseNetWork", dropped);
    if (HandleSlot(netHandle) == NETWORK_LISTEN_SLOT) g_net.listenPort = 0;
    FreeRecord(r);
    return dropped > 0 ? -1 : 0;
}

int GetNetWorkAcceptStateImpl(int netHandle) {
    NetWorkData* r = Prologue(netHandle);
    // This operation's line has always been spelt so; log readers match it.
    if (!r || !RecordUsable(r, "GetNetWorkAcceptStateh")) return -1;
    // A connection still being made has not been lost.
    if (!r->connected && !r->connecting && !r->lossSeen) r->lossSeen = 1;
    return r->connected ? 1 : 0;
}

int GetNetWorkDataLengthImpl(int netHandle) {
    if (!g_net.initialised) return -1;
    ProcessNetWorkMessage(0);
    RecvSocket(netHandle);
    SendSocket(netHandle);
    NetWorkData* r = RecordOf(netHandle);
    if (!r || !RecordUsable(r, "GetNetWorkDataLength")) return -1;
    if (r->ringMode) return GetRingBufferDataLength(&r->recvBuffer);
    // Plain mode peeks one byte: 1 when one waits, 0 at the end of the stream,
    // and the peek's failure (nothing yet, a reset) passed on as it is.
    char byte;
    return NetWorkRecvToPeekImpl(netHandle, &byte, 1);
}

int NetWorkRecvImpl(int netHandle, void* buffer, int length) {
    return ReceiveTo(netHandle, buffer, length, false, "NetWorkRecv");
}

int NetWorkRecvToPeekImpl(int netHandle, void* buffer, int length) {
    return ReceiveTo(netHandle, buffer, length, true, "NetWorkRecvToPeek");
}

int NetWorkSendImpl(int netHandle, const void* buffer, int length) {
    if (length < 0) return -1;
    NetWorkData* r = Prologue(netHandle);
    if (!r || !RecordUsable(r, "NetWorkSend")) return -1;
    if (!r->connected) return -1;
    SendSocket(netHandle);
    if (!r->ringMode) return PlatformSocketSend(r->socket, buffer, length);
    if (AddRingBufferData(&r->sendBuffer, buffer, length) != 0)
        return ErrorLogFmtAdd("送信データ %d byte の追加に失敗しました in NewWorkSend", length);
    SendSocket(netHandle);
    return 0;
}

int TerminateNetWork() {
    if (!g_net.initialised) return 0;
    ErrorLogAdd("ネットワーク関連の終了処理を行います \n");
    // The listening socket goes first so that nothing is accepted meanwhile.
    for (int slot = kRecordSlots - 1; slot >= 0; --slot)
        if (NetWorkData* r = g_net.records[slot]) CloseNetWorkImpl(r->node.handle);
    const int keptCheck = g_net.checkCounter;
    g_net = NetWorkState{};
    g_net.checkCounter = keptCheck;
    ErrorLogAdd("ネットワーク関連の終了処理は完了しました\n");
    return 0;
}

