// The network's row in the library's subsystem table: HTTP tasks start with
// the library, sockets and tasks are served by the periodic work, and the
// end is silent while the socket layer never started.
#include "network/network.h"

#include "core/subsystem.h"

namespace {
int EndNetwork() {
    TerminateHTTP();
    return TerminateNetWork();
}

void NetworkPeriodicWork(bool) {
    ProcessNetWorkMessage(1);
    ProcessHTTPTasks();
}
}  // namespace

void RegisterNetworkSubsystem() {
    RegisterSubsystem({"network", nullptr, InitializeHTTP, nullptr, nullptr, EndNetwork, NetworkPeriodicWork, nullptr,
                       nullptr, nullptr});
}
