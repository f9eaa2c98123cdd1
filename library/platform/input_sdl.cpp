// Keyboard, mouse and pads over SDL2 (game controllers, plain joysticks as
// the fallback), the replaceable input source, and the composition text of
// SDL's text input.
#include "platform/input_sdl.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

#include "platform/message_queue.h"
#include "platform/system_posix.h"
#include "platform/text_iconv.h"
#include "platform/window_messages.h"

namespace {
// Library key code -> SDL scancode. Codes below 0x59 are the keyboard's own
// scan codes, so they follow the key's place on the board; the codes of the
// Japanese keys name the key at that key's place.
struct KeyCodeScancode {
    uint8_t keyCode;
    SDL_Scancode scancode;
};
constexpr KeyCodeScancode kKeyCodeScancodes[] = {
    {0x01, SDL_SCANCODE_ESCAPE},    {0x02, SDL_SCANCODE_1},          {0x03, SDL_SCANCODE_2},
    {0x04, SDL_SCANCODE_3},         {0x05, SDL_SCANCODE_4},          {0x06, SDL_SCANCODE_5},
    {0x07, SDL_SCANCODE_6},         {0x08, SDL_SCANCODE_7},          {0x09, SDL_SCANCODE_8},
    {0x0A, SDL_SCANCODE_9},         {0x0B, SDL_SCANCODE_0},          {0x0C, SDL_SCANCODE_MINUS},
    {0x0D, SDL_SCANCODE_EQUALS},    {0x0E, SDL_SCANCODE_BACKSPACE},  {0x0F, SDL_SCANCODE_TAB},
    {0x10, SDL_SCANCODE_Q},         {0x11, SDL_SCANCODE_W},          {0x12, SDL_SCANCODE_E},
    {0x13, SDL_SCANCODE_R},         {0x14, SDL_SCANCODE_T},          {0x15, SDL_SCANCODE_Y},
    {0x16, SDL_SCANCODE_U},         {0x17, SDL_SCANCODE_I},          {0x18, SDL_SCANCODE_O},
    {0x19, SDL_SCANCODE_P},         {0x1A, SDL_SCANCODE_LEFTBRACKET},{0x1B, SDL_SCANCODE_RIGHTBRACKET},
    {0x1C, SDL_SCANCODE_RETURN},    {0x1D, SDL_SCANCODE_LCTRL},      {0x1E, SDL_SCANCODE_A},
    {0x1F, SDL_SCANCODE_S},         {0x20, SDL_SCANCODE_D},          {0x21, SDL_SCANCODE_F},
    {0x22, SDL_SCANCODE_G},         {0x23, SDL_SCANCODE_H},          {0x24, SDL_SCANCODE_J},
    {0x25, SDL_SCANCODE_K},         {0x26, SDL_SCANCODE_L},          {0x27, SDL_SCANCODE_SEMICOLON},
    {0x28, SDL_SCANCODE_APOSTROPHE},{0x29, SDL_SCANCODE_GRAVE},      {0x2A, SDL_SCANCODE_LSHIFT},
    {0x2B, SDL_SCANCODE_BACKSLASH}, {0x2C, SDL_SCANCODE_Z},          {0x2D, SDL_SCANCODE_X},
    {0x2E, SDL_SCANCODE_C},         {0x2F, SDL_SCANCODE_V},          {0x30, SDL_SCANCODE_B},
    {0x31, SDL_SCANCODE_N},         {0x32, SDL_SCANCODE_M},          {0x33, SDL_SCANCODE_COMMA},
    {0x34, SDL_SCANCODE_PERIOD},    {0x35, SDL_SCANCODE_SLASH},      {0x36, SDL_SCANCODE_RSHIFT},
    {0x37, SDL_SCANCODE_KP_MULTIPLY},{0x38, SDL_SCANCODE_LALT},      {0x39, SDL_SCANCODE_SPACE},
    {0x3A, SDL_SCANCODE_CAPSLOCK},  {0x3B, SDL_SCANCODE_F1},         {0x3C, SDL_SCANCODE_F2},
    {0x3D, SDL_SCANCODE_F3},        {0x3E, SDL_SCANCODE_F4},         {0x3F, SDL_SCANCODE_F5},
    {0x40, SDL_SCANCODE_F6},        {0x41, SDL_SCANCODE_F7},         {0x42, SDL_SCANCODE_F8},
    {0x43, SDL_SCANCODE_F9},        {0x44, SDL_SCANCODE_F10},        {0x45, SDL_SCANCODE_NUMLOCKCLEAR},
    {0x46, SDL_SCANCODE_SCROLLLOCK},{0x47, SDL_SCANCODE_KP_7},       {0x48, SDL_SCANCODE_KP_8},
    {0x49, SDL_SCANCODE_KP_9},      {0x4A, SDL_SCANCODE_KP_MINUS},   {0x4B, SDL_SCANCODE_KP_4},
    {0x4C, SDL_SCANCODE_KP_5},      {0x4D, SDL_SCANCODE_KP_6},       {0x4E, SDL_SCANCODE_KP_PLUS},
    {0x4F, SDL_SCANCODE_KP_1},      {0x50, SDL_SCANCODE_KP_2},       {0x51, SDL_SCANCODE_KP_3},
    {0x52, SDL_SCANCODE_KP_0},      {0x53, SDL_SCANCODE_KP_PERIOD},  {0x56, SDL_SCANCODE_NONUSBACKSLASH},
    {0x57, SDL_SCANCODE_F11},       {0x58, SDL_SCANCODE_F12},        {0x64, SDL_SCANCODE_F13},
    {0x65, SDL_SCANCODE_F14},       {0x66, SDL_SCANCODE_F15},        {0x70, SDL_SCANCODE_INTERNATIONAL2},
    {0x73, SDL_SCANCODE_INTERNATIONAL1},{0x79, SDL_SCANCODE_INTERNATIONAL4},{0x7B, SDL_SCANCODE_INTERNATIONAL5},
    {0x7D, SDL_SCANCODE_INTERNATIONAL3},{0x8D, SDL_SCANCODE_KP_EQUALS},
    // Japanese keys: circumflex, at sign, colon.
    {0x90, SDL_SCANCODE_EQUALS},    {0x91, SDL_SCANCODE_LEFTBRACKET},{0x92, SDL_SCANCODE_APOSTROPHE},
    {0x9C, SDL_SCANCODE_KP_ENTER},  {0x9D, SDL_SCANCODE_RCTRL},      {0xB3, SDL_SCANCODE_KP_COMMA},
    {0xB5, SDL_SCANCODE_KP_DIVIDE}, {0xB7, SDL_SCANCODE_PRINTSCREEN},{0xB8, SDL_SCANCODE_RALT},
    {0xC5, SDL_SCANCODE_PAUSE},     {0xC7, SDL_SCANCODE_HOME},       {0xC8, SDL_SCANCODE_UP},
    {0xC9, SDL_SCANCODE_PAGEUP},    {0xCB, SDL_SCANCODE_LEFT},       {0xCD, SDL_SCANCODE_RIGHT},
    {0xCF, SDL_SCANCODE_END},       {0xD0, SDL_SCANCODE_DOWN},       {0xD1, SDL_SCANCODE_PAGEDOWN},
    {0xD2, SDL_SCANCODE_INSERT},    {0xD3, SDL_SCANCODE_DELETE},     {0xDB, SDL_SCANCODE_LGUI},
    {0xDC, SDL_SCANCODE_RGUI},      {0xDD, SDL_SCANCODE_APPLICATION},{0xDE, SDL_SCANCODE_POWER},
    {0xDF, SDL_SCANCODE_SLEEP},
};

struct SdlPad {
    SDL_GameController* controller = nullptr;
    SDL_Joystick* joystick = nullptr;   // the controller's own, or a plain joystick
};

struct SdlInputState {
    bool started = false;
    SdlPad pads[kPlatformMaxPads];
    uint8_t lastKeys[256] = {};
};
SdlInputState g_sdl;

struct TextEditState {
    std::string composition;   // Shift-JIS
    int cursor = 0;
    bool composing = false;
};
TextEditState g_text;

const PlatformInputSource* g_source = nullptr;

void CurrentKeys(uint8_t keys[256]) {
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    memset(keys, 0, 256);
    if (!state) return;
    for (const auto& k : kKeyCodeScancodes)
        if (int(k.scancode) < count && state[k.scancode]) keys[k.keyCode] = 0x80;
}

void CopyName(char* out, const char* utf8) {
    std::string sjis;
    if (!utf8 || Utf8ToShiftJis(utf8, sjis) != 0) sjis = "";
    snprintf(out, kPlatformPadNameSize, "%s", sjis.c_str());
}

int ClampAxis(int v) { return v < -32768 ? -32768 : v > 32767 ? 32767 : v; }

int SdlStart() {
    if (g_sdl.started) return 0;
    // Pads keep reporting while another window has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return -1;
    g_sdl.started = true;
    return 0;
}

void SdlClosePad(int slot) {
    if (slot < 0 || slot >= kPlatformMaxPads) return;
    SdlPad& p = g_sdl.pads[slot];
    if (p.controller) SDL_GameControllerClose(p.controller);
    else if (p.joystick) SDL_JoystickClose(p.joystick);
    p = SdlPad{};
}

void SdlEnd() {
    if (!g_sdl.started) return;
    for (int i = 0; i < kPlatformMaxPads; ++i) SdlClosePad(i);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    g_sdl.started = false;
}

uint32_t SdlTimeMs() { return PlatformTimeMs(); }
int SdlOpenMouse() { return 0; }
void SdlCloseMouse() {}
int SdlOpenKeyboard() { return 0; }
void SdlCloseKeyboard() {}
int SdlSetKeyboardNotification(int) { return 0; }
int SdlAcquireKeyboard() { return 0; }

int SdlReadKeyboard(uint8_t keys[256]) {
    CurrentKeys(keys);
    memcpy(g_sdl.lastKeys, keys, 256);
    return 0;
}

// SDL keeps no change event; a difference from the last read is one.
int SdlKeyboardSignalled() {
    uint8_t now[256];
    CurrentKeys(now);
    return memcmp(now, g_sdl.lastKeys, 256) != 0;
}

void SdlResetKeyboardSignal() {}

int SdlPadCount() { return g_sdl.started ? SDL_NumJoysticks() : 0; }

int SdlOpenPad(int device, int slot, PlatformPadInfo* info) {
    if (!g_sdl.started || slot < 0 || slot >= kPlatformMaxPads) return -1;
    SdlClosePad(slot);
    SdlPad& p = g_sdl.pads[slot];
    if (SDL_IsGameController(device)) {
        p.controller = SDL_GameControllerOpen(device);
        if (p.controller) p.joystick = SDL_GameControllerGetJoystick(p.controller);
    }
    if (!p.joystick) p.joystick = SDL_JoystickOpen(device);
    if (!p.joystick) return -1;
    if (info) {
        CopyName(info->instanceName, p.controller ? SDL_GameControllerName(p.controller) : SDL_JoystickName(p.joystick));
        CopyName(info->productName, SDL_JoystickName(p.joystick));
        info->rumbles = SDL_JoystickHasRumble(p.joystick) == SDL_TRUE;
    }
    return 0;
}

void ReadController(SDL_GameController* c, PlatformPadState* s) {
    s->axes[PAD_AXIS_X] = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX);
    s->axes[PAD_AXIS_Y] = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY);
    // Both triggers share one axis, as pads of this kind report them.
    s->axes[PAD_AXIS_Z] = ClampAxis(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) -
                                    SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT));
    s->axes[PAD_AXIS_RX] = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTX);
    s->axes[PAD_AXIS_RY] = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTY);
    static const struct { SDL_GameControllerButton button; int number; } kButtons[] = {
        {SDL_CONTROLLER_BUTTON_A, 0},         {SDL_CONTROLLER_BUTTON_B, 1},
        {SDL_CONTROLLER_BUTTON_X, 2},         {SDL_CONTROLLER_BUTTON_Y, 3},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 4}, {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 5},
        {SDL_CONTROLLER_BUTTON_BACK, 8},      {SDL_CONTROLLER_BUTTON_START, 9},
        {SDL_CONTROLLER_BUTTON_LEFTSTICK, 10}, {SDL_CONTROLLER_BUTTON_RIGHTSTICK, 11},
    };
    for (const auto& b : kButtons)
        if (SDL_GameControllerGetButton(c, b.button)) s->buttons[b.number] = 0x80;
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP)) s->dpad |= PAD_DPAD_UP;
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN)) s->dpad |= PAD_DPAD_DOWN;
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT)) s->dpad |= PAD_DPAD_LEFT;
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) s->dpad |= PAD_DPAD_RIGHT;
}

void ReadJoystick(SDL_Joystick* j, PlatformPadState* s) {
    int axes = SDL_JoystickNumAxes(j);
    for (int i = 0; i < PAD_AXIS_COUNT && i < axes; ++i) s->axes[i] = SDL_JoystickGetAxis(j, i);
    int buttons = SDL_JoystickNumButtons(j);
    for (int i = 0; i < 32 && i < buttons; ++i)
        if (SDL_JoystickGetButton(j, i)) s->buttons[i] = 0x80;
    if (SDL_JoystickNumHats(j) > 0) {
        Uint8 hat = SDL_JoystickGetHat(j, 0);
        if (hat & SDL_HAT_UP) s->dpad |= PAD_DPAD_UP;
        if (hat & SDL_HAT_DOWN) s->dpad |= PAD_DPAD_DOWN;
        if (hat & SDL_HAT_LEFT) s->dpad |= PAD_DPAD_LEFT;
        if (hat & SDL_HAT_RIGHT) s->dpad |= PAD_DPAD_RIGHT;
    }
}

int SdlReadPad(int slot, PlatformPadState* state) {
    if (slot < 0 || slot >= kPlatformMaxPads || !state) return -1;
    const SdlPad& p = g_sdl.pads[slot];
    if (!p.joystick || !SDL_JoystickGetAttached(p.joystick)) return -1;
    SDL_JoystickUpdate();
    *state = PlatformPadState{};
    if (p.controller) ReadController(p.controller, state);
    else ReadJoystick(p.joystick, state);
    return 0;
}

int SdlSetPadEffects(int slot, int steady, int periodic) {
    if (slot < 0 || slot >= kPlatformMaxPads || !g_sdl.pads[slot].joystick) return -1;
    // The longest run SDL allows; the library stops the motors itself.
    constexpr Uint32 kRunMs = 0xFFFF;
    return SDL_JoystickRumble(g_sdl.pads[slot].joystick, steady ? 0xFFFF : 0, periodic ? 0xFFFF : 0, kRunMs) == 0
               ? 0 : -1;
}

const PlatformInputSource kSdlSource = {
    SdlStart,          SdlEnd,           SdlTimeMs,
    SdlOpenMouse,      SdlCloseMouse,
    SdlOpenKeyboard,   SdlCloseKeyboard, SdlSetKeyboardNotification, SdlAcquireKeyboard,
    SdlReadKeyboard,   SdlKeyboardSignalled, SdlResetKeyboardSignal,
    SdlPadCount,       SdlOpenPad,       SdlClosePad, SdlReadPad, SdlSetPadEffects,
};
}  // namespace

const PlatformInputSource* PlatformSdlInputSource() { return &kSdlSource; }
const PlatformInputSource* PlatformGetInputSource() { return g_source ? g_source : &kSdlSource; }
void PlatformSetInputSource(const PlatformInputSource* source) { g_source = source; }

const char* PlatformKeyCodeName(int keyCode) {
    for (const auto& k : kKeyCodeScancodes)
        if (k.keyCode == keyCode) return SDL_GetScancodeName(k.scancode);
    return nullptr;
}

void PlatformTextEditing(const char* utf8, int cursor) {
    std::string sjis;
    if (!utf8 || Utf8ToShiftJis(utf8, sjis) != 0) sjis.clear();
    if (!sjis.empty() && !g_text.composing) {
        g_text.composing = true;
        PostWindowMessage(WM_IME_STARTCOMPOSITION, 0, 0);
    }
    g_text.composition = sjis;
    g_text.cursor = cursor < 0 ? 0 : cursor;
    if (g_text.composing) PostWindowMessage(WM_IME_COMPOSITION, 0, 0);
    if (sjis.empty() && g_text.composing) {
        g_text.composing = false;
        PostWindowMessage(WM_IME_ENDCOMPOSITION, 0, 0);
    }
}

void PlatformGetComposition(std::string* text, int* cursor) {
    if (text) *text = g_text.composition;
    if (cursor) *cursor = g_text.cursor;
}

void PlatformSetTextInput(bool on) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    if (on) SDL_StartTextInput();
    else SDL_StopTextInput();
}

bool PlatformTextInputOn() { return SDL_WasInit(SDL_INIT_VIDEO) && SDL_IsTextInputActive(); }
