// The key table between the system's virtual keys and the library's key
// codes, and the virtual-key state it gives from the key-code bytes.
#pragma once
#include <cstdint>

struct KeyToDIK {
    uint16_t virtualKey;
    uint16_t keyCode;
};

constexpr uint16_t kKeyTableSectionEnd = 0xFFFE;   // ends the first section
constexpr uint16_t kKeyTableEnd = 0xFFFF;          // ends the table

// First section (72 pairs): the keys the device state may be overridden for;
// second section (27 pairs): the rest of what the key-table read knows.
extern const KeyToDIK KeyToDIKTable[];

// A virtual key is down when any key code it stands for is down (both Enter
// keys make VK_RETURN).
void VirtualKeyStateFromKeyCodes(const uint8_t keys[256], uint8_t virtualKeys[256]);
