// The network's row in the library's subsystem table: HTTP tasks start with
// the library, sockets and tasks are served by the periodic work, and the
// end is silent while the socket layer never started.
#include "network/network.h"

#include "core/subsystem.h"
#include "platform/window_messages.h"

namespace {
int EndNetwork() {
    TerminateHTTP();
    return TerminateNetWork();
}

void NetworkPeriodicWork(bool) {
    ProcessNetWorkMessage(1);
    ProcessHTTPTasks();
}

// A socket notification that reaches the window procedure is the network's.
intptr_t NetworkWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, bool* handled) {
    if (message != WM_SOCKET_NOTIFY) return 0;
    *handled = true;
    return NetWorkMessageProc(message, wParam, lParam);
}
}  // namespace

void RegisterNetworkSubsystem() {
    SubsystemRow row("network");
    row.start = InitializeHTTP;
    row.end = EndNetwork;
    row.periodic = NetworkPeriodicWork;
    row.windowMessage = NetworkWindowMessage;
    RegisterSubsystem(row);
}
