// Start and end of the sound output: the device, its primary format, the
// silent buffer that keeps it running, the device log, the sound table, and
// the sound's row in the subsystem table.
#include "sound/sound_system.h"

#include <algorithm>
#include <cstring>

#include "core/log.h"
#include "core/subsystem.h"
#include "platform/window_messages.h"
#include "sound/music.h"
#include "sound/sound_core.h"
#include "sound/sound_handle.h"
#include "sound/sound_play.h"

namespace {
SoundSystemState g_sound = {};

constexpr uint32_t kSilentBufferBytes = 400;   // 100 blocks of 16-bit stereo

const char* OkNo(bool flag) { return flag ? "OK" : "NO"; }

// A silent looping buffer: the output never runs dry.
void StartSilentBuffer(SoundSystemState& s) {
    WaveFormat f = {};
    f.formatTag = WAVE_FORMAT_TAG_PCM;
    f.channels = 2;
    f.samplesPerSec = 44100;
    f.bitsPerSample = 16;
    f.blockAlign = 4;
    f.avgBytesPerSec = 176400;
    SoundBufferDesc desc = {&f, kSilentBufferBytes};
    if (SoundBuffer_Create(&s.silentBuffer, &desc) != 0) {
        ErrorLogAdd("無音バッファの作成に失敗しました");
        return;
    }
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (SoundBuffer_Lock(&s.silentBuffer, 0, kSilentBufferBytes, &p1, &n1, &p2, &n2) != 0) {
        ErrorLogAdd("無音バッファのロックに失敗しました");
        SoundBuffer_Release(&s.silentBuffer);
        return;
    }
    std::memset(p1, 0, n1);
    if (p2) std::memset(p2, 0, n2);
    SoundBuffer_Unlock(&s.silentBuffer, p1, n1, p2, n2);
    SoundBuffer_Play(&s.silentBuffer, 1, AUDIO_START_AT_ONCE);
}

void WriteDeviceLog() {
    AudioDeviceCaps caps = AudioDeviceGetCaps();
    ErrorLogTabAdd();
    ErrorLogAdd("DirectSound デバイスを列挙します\n");
    ErrorLogFmtAdd("モジュール名:%15s  ドライバ記述:%s ", AudioDriverName(), AudioDeviceName());
    for (int i = 0, n = AudioOutputDeviceCount(); i < n; ++i)
        ErrorLogFmtAdd("モジュール名:%15s  ドライバ記述:%s ", AudioDriverName(), AudioOutputDeviceName(i));
    ErrorLogFmtAdd("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz ", caps.maxSecondaryRate / 1000.0,
                   caps.minSecondaryRate / 1000.0);
    ErrorLogFmtAdd("総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n", caps.totalHardwareBytes / 1024.0,
                   caps.freeHardwareBytes / 1024.0);
    ErrorLogAdd("利用可能サンプリング精度\n");
    ErrorLogFmtAdd(" プライマリ １６bit = %s  ８bit = %s ", OkNo(caps.primary16Bit), OkNo(caps.primary8Bit));
    ErrorLogFmtAdd(" セカンダリ １６bit = %s  ８bit = %s \n", OkNo(caps.secondary16Bit), OkNo(caps.secondary8Bit));
    ErrorLogAdd("利用可能チャンネル\n");
    ErrorLogFmtAdd(" プライマリ MONO = %s  STEREO = %s ", OkNo(caps.primaryMono), OkNo(caps.primaryStereo));
    ErrorLogFmtAdd(" セカンダリ MONO = %s  STEREO = %s \n", OkNo(caps.secondaryMono), OkNo(caps.secondaryStereo));
    ErrorLogTabSub();
}

void StopOutput(SoundSystemState& s) {
    AudioSystemStop();
    AudioBufferSetDestroy(s.bufferSet);
    s.bufferSet = nullptr;
}
}  // namespace

SoundSystemState& SoundState() { return g_sound; }
bool SoundSystemRunning() { return g_sound.started != 0; }
int GetSoundOggSampleWidth() { return g_sound.oggSampleWidth == 1 ? 1 : 2; }

AudioFormat ChoosePrimaryFormat(const AudioDeviceCaps& caps) {
    AudioFormat f;
    f.channels = caps.primaryStereo ? 2 : 1;
    f.bitsPerSample = caps.primary16Bit ? 16 : 8;
    f.samplesPerSec = std::min<uint32_t>(caps.maxSecondaryRate, 44100);
    return f;
}

int InitializeDirectSound() {
    SoundSystemState& s = g_sound;
    if (s.started) return -1;
    ErrorLogAdd("DirectSound の初期化を行います\n");
    ErrorLogAdd("DirectSound インターフェースの取得を行います....  ");
    if (!AudioSystemStart()) {
        ErrorLogAdd("DirectSoundインターフェースの作成に失敗しました\n");
        return -1;
    }
    ErrorLogAdd("成功\n");
    ErrorLogAdd("引き続きインターフェースの初期化処理...  ");
    s.bufferSet = AudioBufferSetCreate();
    if (!s.bufferSet || !AudioDeviceOpen(s.bufferSet)) {
        ErrorLogAdd("初期化に失敗しました\n");
        StopOutput(s);
        return -1;
    }
    ErrorLogAdd("成功\n");

    if (AudioDeviceSetFormat(ChoosePrimaryFormat(AudioDeviceGetCaps())) != 0)
        ErrorLogAdd("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
    s.started = 1;
    StartSilentBuffer(s);

    s.musicMode = 0;
    s.fileSoundHandle = -1;
    s.createDataType = 0;
    s.oggSampleWidth = 2;
    InitializeHandleList(&s.streamListHead, &s.streamListTail);
    InitializeHandleTable(&s.soundTable, ZV_HANDLE_SOUND, SOUND_HANDLE_MAX, int(sizeof(SOUND)),
                          "サウンドの数が許容量を越えました\n", "メモリ領域の確保に失敗しました in AddSoundData");
    InitializeMusicTable();

    WriteDeviceLog();
    ErrorLogAdd("DirectSound の初期化は正常に終了しました\n");
    DeleteAllSoundHandles(0);
    return 0;
}

int TerminateDirectSound() {
    SoundSystemState& s = g_sound;
    if (!s.started) return -1;
    FinishSoundCaptureWave();
    DeleteAllSoundHandles(0);
    DeleteAllMusicHandles();
    RemoveTemporaryMidiFile();
    s.fileSoundHandle = -1;
    TerminateMusicTable();
    TerminateHandleTable(&s.soundTable);

    if (s.silentBuffer.valid) {
        SoundBuffer_Stop(&s.silentBuffer);
        SoundBuffer_Release(&s.silentBuffer);
    }
    StopOutput(s);
    s.started = 0;
    ErrorLogAdd("DirectSound の終了処理は正常に終了しました\n");
    return 0;
}

int DeleteAllSoundHandles(int flag) {
    SoundSystemState& s = g_sound;
    if (!s.started) return -1;
    HandleTable& t = s.soundTable;
    // A stream sound that others play through waits for them, so the
    // table is walked until nothing is left or nothing more goes.
    for (int pass = 0; pass < 2 && t.used > 0; ++pass) {
        for (int slot = 0; slot < t.capacity && t.used > 0; ++slot) {
            auto* sound = static_cast<SOUND*>(t.records ? t.records[slot] : nullptr);
            if (sound) DeleteSoundMemImpl(MakeHandle(ZV_HANDLE_SOUND, sound->checkValue, slot), flag);
        }
    }
    s.fileSoundHandle = -1;
    return 0;
}

int StopSoundImpl() {
    if (!g_sound.started) return -1;
    if (g_sound.fileSoundHandle == -1) return 0;
    return StopSoundMemImpl(g_sound.fileSoundHandle);
}

namespace {
// Without a sound device the library runs on, silent.
int StartSound() {
    if (InitializeDirectSound() != 0) ErrorLogAdd("サウンドデバイスが使えないため音を出さずに動作します\n");
    return 0;
}

void SoundPeriodicWork(bool inactiveWait) {
    ProcessStreamSoundMemAll();
    if (!inactiveWait) ProcessMusicMemAll();
}

intptr_t SoundWindowMessage(uint32_t message, uintptr_t, intptr_t, bool* handled) {
    if (message != MM_MCINOTIFY) return 0;
    *handled = true;
    MidiCallBackProcess();
    return 0;
}
}  // namespace

void RegisterSoundSubsystem() {
    SubsystemRow row("sound");
    row.start = StartSound;
    row.stop = StopMusicImpl;
    row.end = TerminateDirectSound;
    row.periodic = SoundPeriodicWork;
    row.windowMessage = SoundWindowMessage;
    RegisterSubsystem(row);
}
