// Window mode, title, icon and cursor settings, kept in the state record so
// that a call before start-up shapes the first window.
#pragma once
#include "core/library_state.h"

int ChangeWindowModeImpl(int flag);
int SetWindowModeFlag(int flag);
void SetWindowStyle();
int SetMainWindowTextImpl(const char* text);
int SetWindowIconIDImpl(int id);
int SetMouseDisplayFlag(int flag);
int GetMouseDisplayFlag();
int UpdateMouseCursor();
int GetMousePosition(int* x, int* y);
const SystemInfoRecord* GetSystemInfoRecord();
int GetMenuUseFlag();
