// The bits of the pad word as the game uses them. The first and second buttons shoot in play and decide and
// cancel in menus and talks; replays record only the six play bits, so play reads nothing else.
#pragma once
#include "zovav.h"

constexpr int kPadDown = ZV_PAD_DOWN;
constexpr int kPadLeft = ZV_PAD_LEFT;
constexpr int kPadRight = ZV_PAD_RIGHT;
constexpr int kPadUp = ZV_PAD_UP;
constexpr int kPadShot = ZV_PAD_BUTTON(0);
constexpr int kPadSecondShot = ZV_PAD_BUTTON(1);
constexpr int kPadDecide = kPadShot;
constexpr int kPadCancel = kPadSecondShot;
constexpr int kPadScreenshot = ZV_PAD_BUTTON(2);
constexpr int kPadPause = ZV_PAD_BUTTON(9);   // Space on the keyboard

constexpr int kPadPlayBits = kPadDown | kPadLeft | kPadRight | kPadUp | kPadShot | kPadSecondShot;
