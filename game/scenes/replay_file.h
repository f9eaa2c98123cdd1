// Replays on disk: the in-memory record of frame bytes, the slot header, and the ten slot files
// "data/replay/data1.dat" to "data10.dat" (text header, then one byte of six input bits per frame).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ReplayHeader {
    std::string name;
    int32_t startStage = 0;
    int32_t mode = -1;       // -1 for an empty slot
    int32_t shotType = -1;   // -1 for an empty slot
    int32_t year = 0, month = 0, day = 0;
    int32_t frameCount = 0;
};

class CReplayRecord {
public:
    void Clear() { frames_.clear(); }
    void AddFrame(uint8_t frame) { frames_.push_back(frame); }
    int GetFrameCount() const { return int(frames_.size()); }
    // Callers test IsEnd first.
    uint8_t GetFrame(int index) const { return frames_[size_t(index)]; }
    bool IsEnd(int index) const { return index >= GetFrameCount(); }
    int GetStartStage() const { return startStage_; }
    void SetStartStage(int stage) { startStage_ = stage; }

    // Packs the six play bits of a pad word into one frame byte and appends it.
    void PushInput(int padWord) { AddFrame(PackInput(padWord)); }
    // Makes frame index the game's input word.
    void ApplyInput(int index) const;

    // Writes the header and every frame of this record to path; false (logged) when it could not.
    bool SaveReplayFile(const std::string& path, ReplayHeader header) const;
    // Reads slot into this record and applies its mode, shot type and start stage to the game; false, with the
    // record empty, for a missing file, another version or a header that cannot be played.
    bool LoadReplayFile(int slot);

    static uint8_t PackInput(int padWord);
    static int UnpackInput(uint8_t frame);

private:
    std::vector<uint8_t> frames_;
    int startStage_ = 0;
};

constexpr int kReplaySlots = 10;
// "data/replay/data<slot + 1>.dat".
std::string ReplaySlotPath(int slot);
// The header of a slot as the slot lists show it. With listRule, a name "err", a mode 0 or a start stage 0 also
// make the slot unplayable.
ReplayHeader ReadReplayHeader(int slot, bool listRule);
