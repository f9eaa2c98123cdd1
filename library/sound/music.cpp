// Music handles over MCI (which reports no device here), the per-frame
// music check, the MIDI notify handler and the end of a sound capture.
#include "sound/music.h"

#include <cstdio>
#include <cstring>

#include "core/alloc.h"
#include "core/handle.h"
#include "core/window.h"
#include "platform/mci_none.h"
#include "sound/sound_core.h"
#include "sound/sound_handle.h"
#include "sound/sound_play.h"
#include "sound/sound_system.h"

namespace {
struct MusicState {
    HandleTable table;
    int currentMusic;           // 0 none
    int currentIsSound;         // the current music is a sound handle
    uint32_t mciDevice;
    int mciLoop;
    int mciPlaying;
    char midiTempName[260];
    int midiTempExists;
    int captureActive;
    uint32_t capturedFrames;
    FILE* captureFile;
};
MusicState g_music = {};

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
}  // namespace

int InitializeMusicTable() {
    return InitializeHandleTable(&g_music.table, ZV_HANDLE_MUSIC, MUSIC_HANDLE_MAX, int(sizeof(MUSICDATA)),
                                 "ミュージックデータの数が許容量を越えました\n",
                                 "メモリ領域の確保に失敗しました in AddMusicData");
}

int TerminateMusicTable() { return TerminateHandleTable(&g_music.table); }

int StopMusicImpl() {
    MusicState& m = g_music;
    if (m.currentMusic == 0) return 0;
    if (m.currentIsSound) {
        StopSoundMemImpl(m.currentMusic);
        DeleteSoundMemImpl(m.currentMusic, 0);
    } else {
        StopMusicHandle(m.currentMusic);
        DeleteMusicHandle(m.currentMusic);
    }
    m.currentMusic = 0;
    m.currentIsSound = 0;
    return 0;
}

int ProcessMusicMemAll() { return SoundSystemRunning() ? 0 : -1; }

int MidiCallBackProcess() {
    MusicState& m = g_music;
    if (m.mciLoop) {
        MciPlayParams params = {GetMainWindowHandle(), 0};
        PlatformMciSendCommand(m.mciDevice, MCI_COMMAND_PLAY, MCI_FLAG_NOTIFY | MCI_FLAG_FROM, &params);
        m.mciPlaying = 1;
    } else if (m.mciPlaying) {
        PlatformMciSendCommand(m.mciDevice, MCI_COMMAND_CLOSE, 0, nullptr);
        m.mciPlaying = 0;
    }
    return 0;
}

int StopMusicHandle(int musicHandle) {
    MusicState& m = g_music;
    auto* music = static_cast<MUSICDATA*>(CheckHandle(&m.table, musicHandle));
    if (!music) return -1;
    m.mciLoop = 0;
    MidiCallBackProcess();
    for (int i = 0; i < 5; ++i) ProcessMessageImpl();
    RemoveTemporaryMidiFile();
    music->playing = 0;
    music->loop = 0;
    return 0;
}

int CheckMusicHandle(int musicHandle) {
    if (!CheckHandle(&g_music.table, musicHandle)) return -1;
    return g_music.mciPlaying;
}

int DeleteMusicHandle(int musicHandle) {
    MusicState& m = g_music;
    auto* music = static_cast<MUSICDATA*>(CheckHandle(&m.table, musicHandle));
    if (!music) return -1;
    if (music->playing) StopMusicHandle(musicHandle);
    if (music->midiData) {
        std::memset(music->midiData, 0, size_t(music->midiSize));
        ZvFree(music->midiData);
    }
    SubHandle(&m.table, musicHandle);
    LowerNextSlotHint(&m.table, HandleSlot(musicHandle));
    return 0;
}

int DeleteAllMusicHandles() {
    if (!SoundSystemRunning()) return -1;
    HandleTable& t = g_music.table;
    for (int slot = 0; t.records && slot < t.capacity; ++slot) {
        auto* music = static_cast<MUSICDATA*>(t.records[slot]);
        if (music) DeleteMusicHandle(MakeHandle(ZV_HANDLE_MUSIC, music->checkValue, slot));
    }
    return 0;
}

int RemoveTemporaryMidiFile() {
    if (!g_music.midiTempExists) return 0;
    std::remove(g_music.midiTempName);
    g_music.midiTempExists = 0;
    return 0;
}

void MakeSoundCaptureWaveHeader(uint32_t frames, uint8_t h[SOUND_CAPTURE_HEADER_SIZE]) {
    const uint32_t dataBytes = 4 * frames;
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, dataBytes + 38);
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    Put32(h + 16, 18);
    Put16(h + 20, 1);
    Put16(h + 22, 2);
    Put32(h + 24, 44100);
    Put32(h + 28, 176400);
    Put16(h + 32, 4);
    Put16(h + 34, 16);
    Put16(h + 36, 0);
    std::memcpy(h + 38, "data", 4);
    Put32(h + 42, dataBytes);
}

int FinishSoundCaptureWave() {
    MusicState& m = g_music;
    if (!m.captureActive) return -1;
    uint8_t header[SOUND_CAPTURE_HEADER_SIZE];
    MakeSoundCaptureWaveHeader(m.capturedFrames, header);
    if (m.captureFile) {
        std::fseek(m.captureFile, 0, SEEK_SET);
        std::fwrite(header, 1, sizeof header, m.captureFile);
        std::fclose(m.captureFile);
    }
    m.captureFile = nullptr;
    m.captureActive = 0;
    m.capturedFrames = 0;
    return 0;
}
