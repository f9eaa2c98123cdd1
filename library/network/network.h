// What the library core asks of the network: HTTP tasks, the end of the
// socket layer, and the pump of socket notifications. Until the socket layer
// starts, each costs one flag test.
#pragma once
#include <cstdint>

int InitializeHTTP();
int TerminateHTTP();
int TerminateNetWork();
int ProcessNetWorkMessage(int closeFinished);
int ProcessHTTPTasks();
intptr_t NetWorkMessageProc(uint32_t message, uintptr_t wParam, intptr_t lParam);
