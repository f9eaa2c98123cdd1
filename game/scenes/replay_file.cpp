// Replay records and slot files: packing the pad word into frame bytes, writing a slot, reading it back for
// playback and reading its header for the slot lists.
#include "scenes/replay_file.h"

#include <cstdio>
#include <cstdlib>

#include "frame/encoded_file.h"
#include "frame/game.h"
#include "frame/pad_bits.h"

namespace {
// Frame byte bit i holds pad bit kFrameBits[i].
constexpr int kFrameBits[6] = {kPadUp, kPadDown, kPadLeft, kPadRight, kPadShot, kPadSecondShot};
constexpr double kVersion = 1.0;

const char* const kEmptyName = "------------";
const char* const kUnplayableName = "再生不能データ";

int ToInt(const std::string& line) { return atoi(line.c_str()); }

// Opens a slot and checks its version line by value ("1.0" and "1.000" pass).
bool OpenSlot(EncodedFileReader& in, int slot, bool* versionOk) {
    in.SetKey(DataFileKey);
    if (!in.Open(ReplaySlotPath(slot), "rb")) return false;
    *versionOk = atof(in.ReadLine().c_str()) == kVersion;
    return true;
}

ReplayHeader EmptyHeader(const char* name) {
    ReplayHeader h;
    h.name = name;
    return h;
}
}  // namespace

std::string ReplaySlotPath(int slot) {
    char path[32];
    snprintf(path, sizeof path, "data/replay/data%d.dat", slot + 1);
    return path;
}

uint8_t CReplayRecord::PackInput(int padWord) {
    uint8_t frame = 0;
    for (int i = 0; i < 6; ++i)
        if (padWord & kFrameBits[i]) frame |= uint8_t(1 << i);
    return frame;
}

int CReplayRecord::UnpackInput(uint8_t frame) {
    int word = 0;
    for (int i = 0; i < 6; ++i)
        if (frame & (1 << i)) word |= kFrameBits[i];
    return word;
}

void CReplayRecord::ApplyInput(int index) const { g_game->SetInput(UnpackInput(GetFrame(index))); }

bool CReplayRecord::SaveReplayFile(const std::string& path, ReplayHeader header) const {
    EncodedFileWriter out;
    out.SetKey(DataFileKey);
    if (!out.Open(path, "wb")) return false;
    char line[64];
    snprintf(line, sizeof line, "%.02f\n", kVersion);
    out.WriteString(line);
    out.WriteString(header.name + "\n");
    for (int32_t n : {header.frameCount, header.year, header.month, header.day, header.mode, header.shotType,
                      header.startStage}) {
        snprintf(line, sizeof line, "%d\n", n);
        out.WriteString(line);
    }
    for (uint8_t frame : frames_) out.PutChar(char(frame));
    return out.Close();
}

bool CReplayRecord::LoadReplayFile(int slot) {
    Clear();
    EncodedFileReader in;
    bool versionOk = false;
    if (!OpenSlot(in, slot, &versionOk) || !versionOk) return false;
    for (int i = 0; i < 5; ++i) in.ReadLine();   // name, frame count, date: for the lists only
    int mode = ToInt(in.ReadLine());
    int shotType = ToInt(in.ReadLine());
    int startStage = ToInt(in.ReadLine());
    for (int c; (c = in.GetChar()) >= 0;) AddFrame(uint8_t(c));
    in.Close();
    // The practice room, unknown modes and styles and stages before the first are never played: the frames
    // would drive whatever screen is up instead.
    if (mode < 1 || mode > 3 || shotType < 0 || shotType > 1 || startStage < 1) {
        Clear();
        return false;
    }
    g_game->SetMode(mode);
    g_game->SetShotType(shotType);
    g_game->SetStage(startStage);
    return true;
}

ReplayHeader ReadReplayHeader(int slot, bool listRule) {
    EncodedFileReader in;
    bool versionOk = false;
    if (!OpenSlot(in, slot, &versionOk)) return EmptyHeader(kEmptyName);
    if (!versionOk) return EmptyHeader(kUnplayableName);
    ReplayHeader h;
    h.name = in.ReadLine();
    for (int32_t* field : {&h.frameCount, &h.year, &h.month, &h.day, &h.mode, &h.shotType, &h.startStage})
        *field = ToInt(in.ReadLine());
    if (listRule && (h.name == "err" || h.mode == 0 || h.startStage == 0)) return EmptyHeader(kUnplayableName);
    return h;
}
