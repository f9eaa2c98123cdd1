// The library's own message queue: what the window system delivers and what
// the library posts to itself waits here until the message loop takes it.
#pragma once
#include <cstddef>
#include <cstdint>

struct PlatformMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool toThread;      // posted to the thread, not to the window
};

// Thread-safe; any thread may post.
void PostWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
void PostThreadMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
// The message that TakeMessage would return, left in place.
bool PeekNextMessage(PlatformMessage* out);
// Removes the next message: thread messages first, then the window's.
bool TakeMessage(PlatformMessage* out);
size_t PendingMessageCount();
void ClearMessages();
