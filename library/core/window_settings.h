// Window mode, title, icon and cursor settings, kept in the state record so
// that a call before start-up shapes the first window.
#pragma once
#include "core/library_state.h"

int ChangeWindowModeImpl(int flag);
int SetWindowModeFlag(int flag);
void SetWindowStyle();
int SetMainWindowTextImpl(const char* text);
int SetWindowIconIDImpl(int id);
// Puts the stored identifier's picture on the main window. Without a picture
// (identifier 0 among them) the window keeps the icon it has: at first the
// window system's default; one shown before stays, as the window layer
// cannot take an icon back.
void ShowWindowIcon();
int SetMouseDisplayFlag(int flag);
int GetMouseDisplayFlag();
int UpdateMouseCursor();
int GetMousePosition(int* x, int* y);
const SystemInfoRecord* GetSystemInfoRecord();
