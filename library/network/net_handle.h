// Network handles inside the library: the records behind them and the
// operations the HTTP tasks and the public layer share. None takes the lock.
#pragma once
#include <cstdint>

#include "core/handle.h"
#include "network/ring_buffer.h"

constexpr int NETWORK_CONNECTION_SLOTS = 4096;
constexpr int NETWORK_LISTEN_SLOT = 4096;
// Received packets above this size are refused: a length prefix is not
// trusted with more memory than this.
constexpr int NETWORK_MAX_PACKET = 64 * 1024 * 1024;

struct NetWorkData {
    int error;            // the receive buffer could not grow; closed at the next pass
    int connected;
    int lossSeen;         // the loss was reported by GetNetWorkAcceptState
    int ringMode;         // 1: length-prefixed packets through the ring buffers
    int checkValue;
    int socket;           // PLATFORM_NO_SOCKET when none
    int recvRemaining;    // payload bytes of the incoming packet still to come
    RingBuffer recvBuffer;
    RingBuffer sendBuffer;
    uint32_t sendRemaining;   // payload bytes of the outgoing packet still to go
    int prefixRemaining;      // bytes of its length prefix not yet sent
    uint8_t peerAddress[4];
    int peerPort;
    int connecting;       // an outgoing connection waits for its connect event
    int connectStatus;    // connect()'s own outcome, reported by the next pass
    int closeReported;    // the close event went out (once per handle)
    int accepted;         // made by accept; 2 once handed out by GetNewAcceptNetWork
    HandleList node;
};

// 1 once the first listen or connect has started the layer (for tests).
int GetNetWorkStarted();

int ListenNetWorkImpl(int port);
int StopListenNetWorkImpl();
int GetListenNetWorkPortImpl();
// Resolves the address (blocking) and starts a connection; the handle is
// connected once its connect event arrives.
int ConnectNetWorkImpl(const char* address, int port, int ringMode);
int GetNewAcceptNetWorkImpl();
int GetNetWorkPeerAddressImpl(int netHandle, unsigned char address[4], int* port);
// 1 while an outgoing connection waits for its connect event, 0 otherwise,
// -1 for a handle that is not valid.
int GetNetWorkConnectingState(int netHandle);

int AcceptNetWork();
int CloseNetWorkImpl(int netHandle);
int GetNetWorkAcceptStateImpl(int netHandle);
int GetNetWorkDataLengthImpl(int netHandle);
int NetWorkRecvImpl(int netHandle, void* buffer, int length);
int NetWorkRecvToPeekImpl(int netHandle, void* buffer, int length);
int NetWorkSendImpl(int netHandle, const void* buffer, int length);

// The record of a valid handle, or null (for tests and the HTTP tasks).
NetWorkData* GetNetWorkData(int netHandle);
