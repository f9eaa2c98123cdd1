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
