// Playing sound handles: static sounds over their round-robin buffers,
// stream sounds over one looping buffer refilled while they play.
#pragma once
#include <cstdint>

#include "core/file/file_access.h"

// Play types.
constexpr int SOUND_PLAYTYPE_NORMAL = 0;    // returns when the sound has ended
constexpr int SOUND_PLAYTYPE_BACK = 1;
constexpr int SOUND_PLAYTYPE_LOOP = 3;

int PlaySoundMemImpl(int handle, int playType, int topPositionFlag);
int StopSoundMemImpl(int handle);
int CheckSoundPlaying(int handle);
// A play that does not begin at the sound's own beginning (on from where it
// stopped, or from a place it was sought to) ramps in over the few
// milliseconds a stop ramps down over. Starts and stops made while the
// mixing is held take effect at the same output frame: a stop and such a
// start then crossfade. Hold it only around plays of prepared sounds and
// stops, which decode nothing.
void HoldSoundMixing(bool hold);

// Stream sounds.
int AddSreamSound(const StreamReader* stream, int loop, int handle, int dataType, int* dataCopied, int unionHandle);
// Makes the source its caller set up in the next free slot (its converter
// open) part of the sound, with the buffer or the shared buffer it plays
// through; 0, or -1 with the source released.
int AttachStreamSource(int handle, int loop, int unionHandle);
int PrepareStreamSound(int handle);
int PlayStreamSound(int handle, int playType, int topPositionFlag);
int StopStreamSound(int handle);
int CheckStreamSound(int handle);
int RefillStreamSound(int handle);
// Places a stream sound at a sample of its first source: it stops, and its
// next play fills from there. 0 or -1.
int SeekStreamSoundSample(int handle, int64_t sample);
// The sample of its first source that a stream sound plays now, counted from
// its last seek (or its start); -1 when it cannot tell.
int64_t TellStreamSoundSample(int handle);
struct SOUND;
struct SOUNDBUFFER;
int ClaimStreamBuffer(int handle, SOUND* sound, SOUNDBUFFER** buffer, int force);
// Closes one source's converter and what it holds.
void ReleaseStreamSource(SOUND* sound, int index);
