// The network's start and end as the core sees them. Nothing opens a
// connection yet, so the socket layer is never started and every call is a
// flag test.
#include "network/network.h"

#include "core/log.h"
#include "core/subsystem.h"
#include "platform/window_messages.h"

namespace {
struct NetworkState {
    int started = 0;         // the socket layer is up
    int httpTaskCount = 0;   // HTTP tasks in use
};
NetworkState g_network;
}  // namespace

int InitializeHTTP() {
    g_network.httpTaskCount = 0;
    return 0;
}

int TerminateHTTP() {
    g_network.httpTaskCount = 0;
    return 0;
}

int TerminateNetWork() {
    if (!g_network.started) return 0;
    ErrorLogAdd("ネットワーク関連の終了処理を行います \n");
    g_network.started = 0;
    ErrorLogAdd("ネットワーク関連の終了処理は完了しました\n");
    return 0;
}

int ProcessNetWorkMessage(int) { return 0; }

int ProcessHTTPTasks() { return 0; }

intptr_t NetWorkMessageProc(uint32_t, uintptr_t, intptr_t) { return 0; }

namespace {
// The network ends silently while its socket layer was never started.
int EndNetwork() {
    TerminateHTTP();
    return TerminateNetWork();
}

void NetworkPeriodicWork(bool) {
    ProcessNetWorkMessage(1);
    ProcessHTTPTasks();
}

intptr_t NetworkWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, bool* handled) {
    if (message != WM_SOCKET_NOTIFY) return 0;
    *handled = true;
    return NetWorkMessageProc(message, wParam, lParam);
}
}  // namespace

void RegisterNetworkSubsystem() {
    RegisterSubsystem({"network", nullptr, InitializeHTTP, nullptr, nullptr, EndNetwork, NetworkPeriodicWork, nullptr,
                       nullptr, NetworkWindowMessage});
}
