// The replay slot list (watch a slot, or save the play just ended into one) and the replay name scene that
// names and writes the chosen slot.
#pragma once
#include "scenes/replay_file.h"
#include "scenes/scene.h"

class CReplayDataSelect : public CScene {
public:
    enum { WATCH = 0, SAVE = 1 };
    explicit CReplayDataSelect(int mode);
    bool Move() override;
    void Draw() override;

private:
    void Leave();

    int cursor_ = 0;
    int mode_;
    uint8_t held_ = 1;
    ReplayHeader headers_[kReplaySlots];
};

class CReplayDataName : public CScene {
public:
    explicit CReplayDataName(int slot);
    bool Move() override;
    void Draw() override;

private:
    int slot_;
    uint8_t held_ = 1;
    ReplayHeader headers_[kReplaySlots];
};
