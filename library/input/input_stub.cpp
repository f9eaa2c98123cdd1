// Stand-in for input until the devices exist: no devices, no typed text.
#include "input/input_core.h"

int InitializeInput() { return 0; }
int TerminateInput() { return 0; }
int RefreshInputDevices() { return 0; }
int ApplyJoypadVibrationActivity() { return 0; }
int UpdateJoypadVibration() { return 0; }
void SetInputMessageFlag1() {}
void ResetInputMessageFlag1() {}
void SetInputMessageFlag2() {}
void ResetInputMessageFlag2() {}
int InitializeCharBuffer() { return 0; }
int AddCharToCharBuffer(int) { return -1; }
int CharBufferHasRoom() { return 0; }
int ProcessKeyInputStrings() { return 0; }
int DeleteAllKeyInputStrings() { return 0; }
long ImeWindowMessage(unsigned, unsigned long, long) { return 0; }
