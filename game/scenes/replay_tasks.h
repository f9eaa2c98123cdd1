// The replay tasks: the recorder that packs every update's pad word of a play into the record being written,
// and the player that starts a play like a new game and feeds the recorded words back.
#pragma once
#include "frame/task_pools.h"

class CReplayRecord;

class CReplay : public CPoolTask<POOL_REPLAY> {
public:
    CReplay() : CPoolTask(0, 0) {}
};

class CInputDataMemorize : public CReplay {
public:
    CInputDataMemorize();
    bool Move() override;

private:
    CReplayRecord* record_;
};

class CInputDataOutput : public CReplay {
public:
    explicit CInputDataOutput(int slot);
    bool Move() override;
    void Draw() override {}

private:
    // Ends playback: back to the slot list with both records empty.
    void Stop();

    int frame_ = 0;
    bool refused_ = false;
};
