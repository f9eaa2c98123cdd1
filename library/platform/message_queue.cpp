// The library's own message queue between the window system and the loop.
#include "platform/message_queue.h"

#include <deque>
#include <mutex>

namespace {
struct MessageQueueState {
    std::mutex mutex;
    std::deque<PlatformMessage> threadMessages;
    std::deque<PlatformMessage> windowMessages;
};
MessageQueueState g_queue;

std::deque<PlatformMessage>* NextQueue() {
    if (!g_queue.threadMessages.empty()) return &g_queue.threadMessages;
    if (!g_queue.windowMessages.empty()) return &g_queue.windowMessages;
    return nullptr;
}
}  // namespace

void PostWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> g(g_queue.mutex);
    g_queue.windowMessages.push_back({message, wParam, lParam, false});
}

void PostThreadMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> g(g_queue.mutex);
    g_queue.threadMessages.push_back({message, wParam, lParam, true});
}

bool PeekNextMessage(PlatformMessage* out) {
    std::lock_guard<std::mutex> g(g_queue.mutex);
    auto* q = NextQueue();
    if (!q) return false;
    *out = q->front();
    return true;
}

bool TakeMessage(PlatformMessage* out) {
    std::lock_guard<std::mutex> g(g_queue.mutex);
    auto* q = NextQueue();
    if (!q) return false;
    *out = q->front();
    q->pop_front();
    return true;
}

size_t PendingMessageCount() {
    std::lock_guard<std::mutex> g(g_queue.mutex);
    return g_queue.threadMessages.size() + g_queue.windowMessages.size();
}

void ClearMessages() {
    std::lock_guard<std::mutex> g(g_queue.mutex);
    g_queue.threadMessages.clear();
    g_queue.windowMessages.clear();
}
