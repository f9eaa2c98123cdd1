// Playing sound handles: static sounds over their round-robin buffers,
// stream sounds over one looping buffer refilled while they play.
#pragma once
#include "core/file/file_access.h"

// Play types.
constexpr int SOUND_PLAYTYPE_NORMAL = 0;    // returns when the sound has ended
constexpr int SOUND_PLAYTYPE_BACK = 1;
constexpr int SOUND_PLAYTYPE_LOOP = 3;

int PlaySoundMemImpl(int handle, int playType, int topPositionFlag);
int StopSoundMemImpl(int handle);
int CheckSoundPlaying(int handle);

// Stream sounds.
int AddSreamSound(const StreamReader* stream, int loop, int handle, int dataType, int* dataCopied, int unionHandle);
int PrepareStreamSound(int handle);
int PlayStreamSound(int handle, int playType, int topPositionFlag);
int StopStreamSound(int handle);
int CheckStreamSound(int handle);
int RefillStreamSound(int handle);
struct SOUND;
struct SOUNDBUFFER;
int ClaimStreamBuffer(int handle, SOUND* sound, SOUNDBUFFER** buffer, int force);
// Closes one source's converter and what it holds.
void ReleaseStreamSource(SOUND* sound, int index);
