// Music handles (MIDI through MCI), the MIDI notify hook and the sound
// capture file. Nothing in this library creates music or starts a capture;
// these are the hooks the rest of the library calls at fixed points.
#pragma once
#include <cstdint>

constexpr int MUSIC_HANDLE_MAX = 256;
constexpr int SOUND_CAPTURE_HEADER_SIZE = 46;

struct MUSICDATA {
    int checkValue;
    int playing;
    int loop;
    void* midiData;
    int midiSize;
};

int InitializeMusicTable();
int TerminateMusicTable();
int StopMusicHandle(int musicHandle);
int CheckMusicHandle(int musicHandle);
int DeleteMusicHandle(int musicHandle);
int DeleteAllMusicHandles();
// Removes the temporary MIDI file when one was written.
int RemoveTemporaryMidiFile();

int FinishSoundCaptureWave();
// The WAVE header that goes over the start of a capture file.
void MakeSoundCaptureWaveHeader(uint32_t capturedFrames, uint8_t header[SOUND_CAPTURE_HEADER_SIZE]);
