// The stage script runner: where the script stands, how long it waits and
// whether something holds it.
#pragma once

class CCommandList {
public:
    // Back to the start of an empty script, not held.
    void Clear() {
        next_ = 0;
        wait_ = 0;
        stop_ = false;
    }
    void SetStop(bool stop) { stop_ = stop; }
    bool IsStop() const { return stop_; }
    int Position() const { return next_; }
    int Wait() const { return wait_; }

private:
    int next_ = 0;    // index of the next command
    int wait_ = 0;    // updates still to wait
    bool stop_ = false;
};
