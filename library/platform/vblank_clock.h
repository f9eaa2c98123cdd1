// The display's vertical blank, simulated at 60 Hz from the clock so that
// waits for it and frame-time measurements behave as on a real display.
#pragma once

constexpr int kVBlankRate = 60;

// True during the blank at the end of each refresh.
bool VBlankIsInBlank();
// Returns at the start of the next blank; at once while waits are immediate.
void VBlankWait();
// Tests make the waits immediate.
void VBlankSetImmediate(bool immediate);
