// What the library core asks of input: start and end, device refresh on
// activation, pad vibration, and the window messages input listens to.
#pragma once

int InitializeInput();
int TerminateInput();
int RefreshInputDevices();
int ApplyJoypadVibrationActivity();
int UpdateJoypadVibration();
void SetInputMessageFlag1();
void ResetInputMessageFlag1();
void SetInputMessageFlag2();
void ResetInputMessageFlag2();

// Typed characters and key-input strings.
int InitializeCharBuffer();
int AddCharToCharBuffer(int ch);      // 0, or -1 when the buffer is full
int CharBufferHasRoom();
int ProcessKeyInputStrings();
int DeleteAllKeyInputStrings();
// Input-method messages; returns the window procedure's result.
long ImeWindowMessage(unsigned message, unsigned long wParam, long lParam);
