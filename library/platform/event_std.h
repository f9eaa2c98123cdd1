// Manual-reset event over a mutex and a condition variable.
#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

class ManualResetEvent {
public:
    explicit ManualResetEvent(bool signalled = false) : signalled_(signalled) {}
    void Set() {
        { std::lock_guard<std::mutex> g(m_); signalled_ = true; }
        cv_.notify_all();
    }
    void Reset() { std::lock_guard<std::mutex> g(m_); signalled_ = false; }
    bool IsSet() { std::lock_guard<std::mutex> g(m_); return signalled_; }
    void Wait() {
        std::unique_lock<std::mutex> l(m_);
        cv_.wait(l, [this] { return signalled_; });
    }
    // True when the event was set within the time.
    bool WaitFor(unsigned milliseconds) {
        std::unique_lock<std::mutex> l(m_);
        return cv_.wait_for(l, std::chrono::milliseconds(milliseconds), [this] { return signalled_; });
    }
private:
    std::mutex m_;
    std::condition_variable cv_;
    bool signalled_;
};
