// The main window's procedure, the message loop and the message thread.
#pragma once
#include <cstdint>

#include "platform/window_messages.h"

int ProcessMessageImpl();
// Drawing and input calls on the main thread wait here while the window is
// inactive; nothing while it is active or there is no window to wait for.
void ProcessMessageWhileInactive();
intptr_t WndProc(uint32_t message, uintptr_t wParam, intptr_t lParam);
void MessageThreadProc();
int FitMainWindowToClientSize();
int UpdateWindowClientRect(intptr_t position);
// Posts WM_CLOSE once; later requests are dropped.
void RequestWindowClose();
// Sends WM_DESTROY to the procedure and takes the window down.
void DestroyMainWindow();

int GetQuitFlag();
void* GetMainWindowHandle();
int GetWindowModeFlag();
int GetActiveFlag();
int GetMMXUseFlag();
int GetWindowCloseFlag();
int GetUseWindowRgnFlag();
PlatformRect GetWindowClientRect();
int GetDisplaySettings(int* width, int* height, int* colorBits);
double GetWindowSizeExtendRate();
// The client size in window mode: the screen size times the window scale.
void GetWindowModeClientSize(int* width, int* height);
int GetMouseWheelCount();
int GetDroppedFileCount();
const char* GetDroppedFileName(int index);
void FreeDroppedFiles();
