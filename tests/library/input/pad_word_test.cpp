// The pad state word: pads, keyboard keys, dead zone, D-pad and both axis
// conversions, as tables of cases.
#include <initializer_list>

#include "fake_input_source.h"
#include "zovav.h"

namespace {
struct PadCase {
    const char* name;
    std::initializer_list<int> keys;   // key codes held down
    int pads;                          // attached pads, all in the state below
    int x, y;                          // raw stick
    uint8_t dpad;
    std::initializer_list<int> buttons;
    int inputType;
    int expected;
};

const PadCase kPadCases[] = {
    {"Z and Left, keyboard with pad 1 absent", {DIK_Z, DIK_LEFT}, 0, 0, 0, 0, {}, 0x1001, 0x12},
    {"pad 1 alone, no pad attached", {DIK_Z}, 0, 0, 0, 0, {}, 1, 0},
    {"pad only: keys are not read", {DIK_Z, DIK_UP}, 1, -32768, 0, 0, {0}, 1, 0x12},
    {"keyboard only: the pad is not read", {DIK_X}, 1, 32767, 0, 0, {1}, 0x1000, 0x20},
    {"pad number above the count", {}, 1, 32767, 0, 0, {0}, 2, 0},
    {"key Z and button 0 give one bit", {DIK_Z}, 1, 0, 0, 0, {0}, 0x1001, 0x10},
    {"stick inside the dead zone", {}, 1, 8000, -8000, 0, {}, 1, 0},
    {"stick just past the dead zone", {}, 1, 9000, -9000, 0, {}, 1, 0x4 | 0x8},
    {"stick full down and left", {}, 1, -32768, 32767, 0, {}, 1, 0x2 | 0x1},
    {"D-pad up and right", {}, 1, 0, 0, PAD_DPAD_UP | PAD_DPAD_RIGHT, {}, 1, 0x8 | 0x4},
    {"D-pad left beats the stick", {}, 1, 32767, 0, PAD_DPAD_LEFT, {}, 1, 0x2},
    {"D-pad down", {}, 1, 0, 0, PAD_DPAD_DOWN, {}, 1, 0x1},
    {"buttons 8 and 9 (Back, Start)", {}, 1, 0, 0, 0, {8, 9}, 1, 0x1000 | 0x2000},
    {"button 23 is the last one in the word", {}, 1, 0, 0, 0, {23, 24, 31}, 1, 1 << 27},
    {"pad 8 of 8", {}, 8, 0, 0, 0, {3}, 8, 0x80},
    {"pad 9 does not exist", {}, 8, 0, 0, 0, {3}, 9, 0},
};

void PrintTo(const PadCase& c, std::ostream* os) { *os << c.name; }

class InputPadWord : public InputTest, public ::testing::WithParamInterface<PadCase> {};

TEST_P(InputPadWord, FoldsPadsAndKeysIntoOneWord) {
    const PadCase& c = GetParam();
    for (int k : c.keys) g_fake.SetKey(k, true);
    for (int i = 0; i < c.pads; ++i) {
        FakePad& pad = AddPad();
        pad.state.axes[PAD_AXIS_X] = c.x;
        pad.state.axes[PAD_AXIS_Y] = c.y;
        pad.state.dpad = c.dpad;
        for (int b : c.buttons) pad.state.buttons[b] = 0x80;
    }
    Tick();
    EXPECT_EQ(GetJoypadInputState(c.inputType), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, InputPadWord, ::testing::ValuesIn(kPadCases));

// Every keyboard key of the word, alone.
TEST_F(InputTest, EachKeyboardKeyGivesItsBit) {
    const struct { int key, bit; } kKeys[] = {
        {DIK_NUMPAD2, 0x1}, {DIK_DOWN, 0x1},  {DIK_NUMPAD4, 0x2},  {DIK_LEFT, 0x2},   {DIK_NUMPAD6, 0x4},
        {DIK_RIGHT, 0x4},   {DIK_NUMPAD8, 0x8}, {DIK_UP, 0x8},     {DIK_Z, 0x10},     {DIK_X, 0x20},
        {DIK_C, 0x40},      {DIK_A, 0x80},    {DIK_S, 0x100},      {DIK_D, 0x200},    {DIK_Q, 0x400},
        {DIK_W, 0x800},     {DIK_ESCAPE, 0x1000}, {DIK_SPACE, 0x2000}, {DIK_E, 0},    {DIK_RETURN, 0},
    };
    for (const auto& k : kKeys) {
        g_fake.SetKey(k.key, true);
        Tick();
        EXPECT_EQ(GetJoypadInputState(ZV_INPUT_KEYBOARD), k.bit) << "key 0x" << std::hex << k.key;
        g_fake.SetKey(k.key, false);
    }
}

TEST(InputAxisConversion, DeviceAxesReachTheRangeAndRespectTheDeadZone) {
    const struct { int raw; bool deadZone; int expected; } kCases[] = {
        {0, true, 0},         {8191, true, 0},       {8192, true, 0},       {16384, true, 333},
        {32767, true, 1000},  {-16384, true, -333},  {-32768, true, -1000}, {-8192, true, 0},
        {16384, false, 500},  {-32768, false, -1000}, {32767, false, 1000}, {40000, true, 1000},
        {-40000, true, -1000},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(DeviceAxisToRange(c.raw, c.deadZone), c.expected) << c.raw << (c.deadZone ? " dead zone" : "");
}

TEST(InputAxisConversion, JoystickFunctionValuesKeepTheirDeadBand) {
    const struct { int raw, expected; } kCases[] = {
        {30000, 0}, {20000, -186}, {50000, 367}, {65535, 1000}, {0, -1000}, {32767, 0},
        {24576, 0}, {40960, 0},    {65534, 999}, {1, -999},     {-5, -1000}, {70000, 1000},
    };
    for (const auto& c : kCases) EXPECT_EQ(JoystickAxisToRange(c.raw), c.expected) << c.raw;
}

// Without the device layer the pads are read raw and converted with the dead
// band of the joystick functions.
TEST_F(InputTest, JoystickFunctionModeConvertsRawPadValues) {
    g_fake.startResult = -1;
    FakePad& pad = AddPad();
    pad.state.axes[PAD_AXIS_X] = 50000 - 32768;
    pad.state.axes[PAD_AXIS_Y] = 20000 - 32768;
    pad.state.buttons[2] = 0x80;
    Tick();
    EXPECT_EQ(GetJoypadInputState(1), 0x4 | 0x8 | 0x40);
    EXPECT_EQ(g_Input.mode, InputMode::JoystickFunctions);
    EXPECT_EQ(g_Input.pads[0].state.lX, 367);
    EXPECT_EQ(g_Input.pads[0].state.lY, -186);

    // A pad that cannot be read reads as centred and released.
    g_fake.devices[0].lost = true;
    Tick();
    EXPECT_EQ(GetJoypadInputState(1), 0);
}

TEST_F(InputTest, PadIsReadOncePerMillisecond) {
    FakePad& pad = AddPad();
    pad.state.buttons[0] = 0x80;
    Tick();
    EXPECT_EQ(GetJoypadInputState(1), 0x10);
    const int reads = g_fake.padReads;
    g_fake.devices[0].state.buttons[0] = 0;
    EXPECT_EQ(GetJoypadInputState(1), 0x10) << "same tick: the last state";
    EXPECT_EQ(g_fake.padReads, reads);
    Tick();
    EXPECT_EQ(GetJoypadInputState(1), 0);
    EXPECT_EQ(g_fake.padReads, reads + 1);
}

TEST_F(InputTest, LostPadKeepsItsLastState) {
    FakePad& pad = AddPad();
    pad.state.buttons[1] = 0x80;
    Tick();
    ASSERT_EQ(GetJoypadInputState(1), 0x20);
    g_fake.devices[0].lost = true;
    Tick();
    EXPECT_EQ(GetJoypadInputState(1), 0x20);
    g_fake.devices[0].lost = false;
    g_fake.devices[0].state.buttons[1] = 0;
    Tick();
    EXPECT_EQ(GetJoypadInputState(1), 0);
}

TEST_F(InputTest, EnumerationStopsAtEightAndSkipsPadsThatFail) {
    for (int i = 0; i < 10; ++i) AddPad().name = "pad" + std::to_string(i);
    g_fake.devices[0].openFails = true;
    g_fake.devices[4].rumbles = false;
    ASSERT_EQ(InitializeInput(), 0);
    ASSERT_EQ(g_Input.padCount, 8);
    EXPECT_STREQ(g_Input.pads[0].instanceName, "pad1");
    EXPECT_STREQ(g_Input.pads[0].productName, "pad1 product");
    EXPECT_STREQ(g_Input.pads[7].instanceName, "pad8") << "the ninth usable pad is never taken";
    EXPECT_EQ(g_Input.pads[3].constantForceEffect, 0);
    EXPECT_EQ(g_Input.pads[4].constantForceEffect, 1);
    EXPECT_EQ(g_Input.pads[0].vibrationPower, 10000);
}

TEST_F(InputTest, BadPadIndicesAreRefused) {
    AddPad();
    ASSERT_EQ(InitializeInput(), 0);
    EXPECT_EQ(UpdateJoypadState(8), -1);
    EXPECT_EQ(UpdateJoypadState(-1), -1);
    EXPECT_EQ(UpdateJoypadState(0), 0);
    EXPECT_EQ(GetJoypadInputState(-5), 0);
    EXPECT_EQ(GetJoypadInputState(0x7FFFFFFF), 0);
    EXPECT_EQ(CancelJoypadVibration(0x1000 | 9), 0);
    EXPECT_EQ(CancelJoypadVibration(-3), 0);
}
}  // namespace
