// The frame loop's timetable: when the next update is due, whether a frame
// may still be drawn, and when the schedule starts afresh.
#pragma once

class FrameSchedule {
public:
    static constexpr double kPeriodMs = 1000.0 / 60.0;
    // Further behind than this, the schedule restarts instead of catching up.
    static constexpr int kMaxCatchUpPeriods = 30;
    // The loop sleeps while it is more than this early.
    static constexpr int kSleepMarginMs = 2;

    void Start(int now) { next_ = now; }
    // true when the next update is due; a schedule more than 30 periods
    // behind (a stall, an inactive window) restarts from now.
    bool Due(int now) {
        if (now < next_) return false;
        if (now - next_ > kMaxCatchUpPeriods * kPeriodMs) next_ = now;
        return true;
    }
    // Milliseconds to sleep before the next check (0 when close or due).
    int SleepBefore(int now) const { return next_ - now > kSleepMarginMs ? 1 : 0; }
    // A frame is drawn while the clock is at most one period past the update's time.
    bool MayDraw(int now) const { return now <= next_ + kPeriodMs; }
    void Resync(int now) { next_ = now; }
    void Advance() { next_ += kPeriodMs; }
    double Next() const { return next_; }

private:
    double next_ = 0;
};
