// The input's start and end, device refresh on activation and pad vibration,
// and the registration of its subsystem row.
#pragma once

int InitializeInput();
int TerminateInput();
int RefreshInputDevices();
int ApplyJoypadVibrationActivity();
int UpdateJoypadVibration();
// Registers the input's row in the library's subsystem table.
void RegisterInputSubsystem();
