// The input subsystem's one state record, shared by the device code and the
// key tests, and the functions each half offers the other.
#pragma once
#include <cstdint>

#include "platform/input_sdl.h"

constexpr int kMaxJoypads = 8;

// A pad's state as the library keeps it: axes in -1000..1000 after the dead
// zone, four direction pads (unused, centred), and 32 button bytes (0x80 down).
struct JoypadState {
    int32_t lX, lY, lZ, lRx, lRy, lRz;
    int32_t rglSlider[2];
    uint32_t rgdwPOV[4];
    uint8_t rgbButtons[32];
};
static_assert(sizeof(JoypadState) == 80, "the pad record keeps its 80 bytes");

struct JoypadData {
    int device;                     // 1 while the source slot is open
    int constantForceEffect;        // 1 when the pad has the steady motor
    int sineEffect;                 // 1 when the pad has the periodic motor
    JoypadState state;
    int zAndR;                      // joystick-function mode: Z and R axes are reported
    uint32_t lastReadTime;
    int vibrationOn;
    int vibrationPower;             // 0 .. 10000
    int vibrationDuration;          // ms, negative: until stopped
    int vibrationElapsed;
    uint32_t vibrationLastTime;
    int constantForceRunning;
    int sineRunning;
    char instanceName[kPlatformPadNameSize];
    char productName[kPlatformPadNameSize];
};

enum class InputMode {
    NotStarted,
    Device,         // key-code bytes and pad records from the device layer
    JoystickFunctions,  // no device layer: keys through the key table, pads read raw
};

struct InputState {
    int deviceLayerMissing;         // a start found no device layer; survives later starts
    InputMode mode;
    int mouse;                      // devices made (1) or not (0)
    int keyboard;
    int keyboardNotification;       // the keyboard signals its changes
    uint32_t lastKeyboardRead;
    int keyboardRead;               // the keys were read since the start
    uint8_t KeyState[256];
    int padCount;
    JoypadData pads[kMaxJoypads];
    int messageFlag1, messageFlag2;
};
extern InputState g_Input;

inline const PlatformInputSource& Source() { return *PlatformGetInputSource(); }

// Starts the input on first use unless the window is closing; true when the
// input runs afterwards.
bool EnsureInputStarted();
int SetupJoypads();
int ReleaseJoypads();
int EnumJoypadCallback(int device);
int UpdateJoypadState(int padIndex);
int CancelJoypadVibration(int padNumber);

int UpdateKeyboardState();
int CheckHitKeyImpl(int keyCode);
int GetJoypadInputStateImpl(int inputType);

// Axis conversions: the device layer's -32768..32767 to -1000..1000 with the
// dead zone, and the joystick-function mode's 0..65535 with its dead band.
int DeviceAxisToRange(int raw, bool deadZone);
int JoystickAxisToRange(int raw);
