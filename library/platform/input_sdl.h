// Keyboard, mouse and pads over SDL2, seen by the library as one table of
// operations (an input source) that a test can replace; and the text
// editing state that SDL's text input hands to the character buffer.
#pragma once
#include <cstdint>
#include <string>

constexpr int kPlatformMaxPads = 8;
constexpr int kPlatformPadNameSize = 260;

// Pad axes in the order of the library's pad record.
enum PlatformPadAxis { PAD_AXIS_X, PAD_AXIS_Y, PAD_AXIS_Z, PAD_AXIS_RX, PAD_AXIS_RY, PAD_AXIS_RZ, PAD_AXIS_COUNT };

// D-pad directions in PlatformPadState::dpad.
enum PlatformPadDirection : uint8_t { PAD_DPAD_UP = 1, PAD_DPAD_DOWN = 2, PAD_DPAD_LEFT = 4, PAD_DPAD_RIGHT = 8 };

// One pad as the device reports it: axes in -32768..32767 (no dead zone),
// buttons 0x80 when down, numbered as the README's button table says.
struct PlatformPadState {
    int axes[PAD_AXIS_COUNT];
    uint8_t buttons[32];
    uint8_t dpad;
};

// Names are Shift-JIS, cut to fit.
struct PlatformPadInfo {
    char instanceName[kPlatformPadNameSize];
    char productName[kPlatformPadNameSize];
    bool rumbles;          // the pad has motors for the two effects
};

// Every operation returns 0 for success and -1 for failure unless it says
// otherwise. Keyboard bytes are indexed by the library's key codes.
struct PlatformInputSource {
    // -1 when there is no device layer: the library then reads the keyboard
    // through its key table only and has no pads.
    int (*Start)();
    void (*End)();
    uint32_t (*TimeMs)();                       // the clock the reads are timed by

    int (*OpenMouse)();
    void (*CloseMouse)();

    int (*OpenKeyboard)();
    void (*CloseKeyboard)();
    int (*SetKeyboardNotification)(int on);     // change signalling
    int (*AcquireKeyboard)();
    int (*ReadKeyboard)(uint8_t keys[256]);     // -1 when the keyboard is lost
    int (*KeyboardSignalled)();                 // 1 when the keys changed since the last read
    void (*ResetKeyboardSignal)();

    int (*PadCount)();                          // attached pads, in enumeration order
    // Opens attached pad number device into slot (0..7) and describes it.
    int (*OpenPad)(int device, int slot, PlatformPadInfo* info);
    void (*ClosePad)(int slot);
    int (*ReadPad)(int slot, PlatformPadState* state);    // -1 when the pad is gone
    // Runs (1) or stops (0) a pad's two motors: the steady one and the
    // periodic one.
    int (*SetPadEffects)(int slot, int steady, int periodic);
};

// The source in use: SDL unless a test installed its own. Installing null
// goes back to SDL. Change it only while the input is not started.
const PlatformInputSource* PlatformGetInputSource();
void PlatformSetInputSource(const PlatformInputSource* source);
const PlatformInputSource* PlatformSdlInputSource();

// SDL's name of the key behind a library key code, or null when the code
// has no key.
const char* PlatformKeyCodeName(int keyCode);

// Text input. SDL turns typed text into WM_CHAR messages itself; what is
// still being composed is kept here (Shift-JIS) with the cursor in characters.
void PlatformTextEditing(const char* utf8, int cursor);
void PlatformGetComposition(std::string* text, int* cursor);
void PlatformSetTextInput(bool on);
bool PlatformTextInputOn();
