// Public network functions: each takes the library lock and runs its inner
// function, since the message thread drives the network too.
#include "core/alloc.h"
#include "core/lock.h"
#include "network/http_task.h"
#include "network/net_handle.h"
#include "zovav.h"

int ListenNetWork(int port) {
    return WithLibraryLock([=] { return ListenNetWorkImpl(port); });
}

int StopListenNetWork() {
    return WithLibraryLock([] { return StopListenNetWorkImpl(); });
}

int GetListenNetWorkPort() {
    return WithLibraryLock([] { return GetListenNetWorkPortImpl(); });
}

int ConnectNetWork(const char* address, int port) {
    return WithLibraryLock([=] { return ConnectNetWorkImpl(address, port, 1); });
}

int GetNewAcceptNetWork() {
    return WithLibraryLock([] { return GetNewAcceptNetWorkImpl(); });
}

int GetNetWorkPeerAddress(int netHandle, unsigned char address[4], int* port) {
    return WithLibraryLock([=] { return GetNetWorkPeerAddressImpl(netHandle, address, port); });
}

int CloseNetWork(int netHandle) {
    return WithLibraryLock([=] { return CloseNetWorkImpl(netHandle); });
}

int GetNetWorkAcceptState(int netHandle) {
    return WithLibraryLock([=] { return GetNetWorkAcceptStateImpl(netHandle); });
}

int GetNetWorkDataLength(int netHandle) {
    return WithLibraryLock([=] { return GetNetWorkDataLengthImpl(netHandle); });
}

int NetWorkRecv(int netHandle, void* buffer, int length) {
    return WithLibraryLock([=] { return NetWorkRecvImpl(netHandle, buffer, length); });
}

int NetWorkRecvToPeek(int netHandle, void* buffer, int length) {
    return WithLibraryLock([=] { return NetWorkRecvToPeekImpl(netHandle, buffer, length); });
}

int NetWorkSend(int netHandle, const void* buffer, int length) {
    return WithLibraryLock([=] { return NetWorkSendImpl(netHandle, buffer, length); });
}

int StartHTTPGetFile(const char* host, int port, const char* path, const char* fileName) {
    HTTPTaskRequest q = {HTTP_GET, host, port, path, nullptr, 0, HTTP_OUTPUT_FILE, fileName, nullptr};
    return WithLibraryLock([&] { return StartHTTPTaskImpl(q); });
}

int StartHTTPGetMem(const char* host, int port, const char* path, void** body) {
    HTTPTaskRequest q = {HTTP_GET, host, port, path, nullptr, 0, HTTP_OUTPUT_MEMORY, nullptr, body};
    return WithLibraryLock([&] { return StartHTTPTaskImpl(q); });
}

int StartHTTPPost(const char* host, int port, const char* path, const void* data, int size, void** body) {
    HTTPTaskRequest q = {HTTP_POST, host, port, path, data, size, HTTP_OUTPUT_MEMORY, nullptr, body};
    return WithLibraryLock([&] { return StartHTTPTaskImpl(q); });
}

int StartHTTPHead(const char* host, int port, const char* path) {
    HTTPTaskRequest q = {HTTP_HEAD, host, port, path, nullptr, 0, HTTP_OUTPUT_MEMORY, nullptr, nullptr};
    return WithLibraryLock([&] { return StartHTTPTaskImpl(q); });
}

int GetHTTPTaskStatus(int task, int* state, int* result, int* contentLength, int* received) {
    return WithLibraryLock([=] { return GetHTTPTaskStatusImpl(task, state, result, contentLength, received); });
}

int DeleteHTTPTask(int task) {
    return WithLibraryLock([=] { return DeleteHTTPTaskImpl(task); });
}

int FreeHTTPBody(void* body) {
    return WithLibraryLock([=] { return ZvFree(body); });
}
