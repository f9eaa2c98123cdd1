// The network's part of the library: HTTP tasks, the end of the socket
// layer, and the pump of socket notifications, registered as one subsystem
// row. Until the socket layer starts, each costs one flag test.
#pragma once
#include <cstdint>

int InitializeHTTP();
int TerminateHTTP();
int TerminateNetWork();
int ProcessNetWorkMessage(int closeFinished);
int ProcessHTTPTasks();
intptr_t NetWorkMessageProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

// Registers the network's row in the library's subsystem table.
void RegisterNetworkSubsystem();
