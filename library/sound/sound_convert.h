// Sound converters: a WAVE, MP3 or Ogg Vorbis file read through a stream,
// handed out as linear PCM block by block.
#pragma once
#include <cstdint>

#include "core/file/file_access.h"

// The 18-byte format record of a WAVE "fmt " chunk, as sounds compare it.
#pragma pack(push, 1)
struct WaveFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18, "the format record is 18 bytes");

constexpr uint16_t WAVE_FORMAT_TAG_PCM = 1;
constexpr uint16_t WAVE_FORMAT_TAG_MPEGLAYER3 = 0x55;

// The record of 16-bit linear PCM, what every decoder hands out.
WaveFormat Pcm16Format(int channels, int samplesPerSec);

enum SoundConvMethodId : int {
    SOUNDCONV_METHOD_WAVE = 0,      // PCM WAVE, read as it is
    SOUNDCONV_METHOD_MPEG = 1,      // MP3 frames, in an MP3 file or a WAVE file
    SOUNDCONV_METHOD_OGG = 2,
    SOUNDCONV_METHOD_PCM_SOURCE = 3,   // PCM handed out by its owner (a movie's sound track)
};

struct SoundConvMethod;

struct SOUNDCONV {
    int openFlag;
    int endFlag;                    // a read stopped short at the end of the data
    int method;
    StreamReader stream;
    int32_t formatChunkPos, formatChunkSize;
    int32_t dataStart;              // stream offset of the first audio byte
    int32_t dataSize;               // audio bytes in the stream
    WaveFormat outFormat;           // always PCM
    const SoundConvMethod* ops;
    void* methodData;               // the method's decoder state
    int oggSampleWidth;
    uint8_t* block;                 // decoded PCM waiting to be handed out
    int blockSize;
    int blockLeft;
    int blockRead;                  // bytes of the block already handed out
    int64_t outputPos;              // where the next byte handed out lies in the whole PCM
    // The samples that hold the music itself, past an encoder's start-up
    // delay and before its padding, where the file says so (an MP3 with an
    // encoder tag); both 0 when it does not. The PCM handed out still holds
    // every sample.
    int64_t musicStart, musicEnd;
};

// 0 when a format was recognised and opened, -1 when none was.
int OpenSoundConverter(const StreamReader* stream, SOUNDCONV* conv);
// Up to bytes of PCM into dest; the count, 0 once the end was reached, -1
// when the converter is not open.
int ReadSoundConverter(SOUNDCONV* conv, void* dest, int bytes);
int SeekSoundConverter(SOUNDCONV* conv, int64_t samplePosition);
int CloseSoundConverter(SOUNDCONV* conv);
int GetSoundConverterFormat(SOUNDCONV* conv, WaveFormat* format);
// PCM bytes the whole source gives (for Ogg one second more, so that a
// buffer of this size always takes it); -1 beyond what an int holds.
int GetSoundConverterSize(SOUNDCONV* conv);
// The same without that limit: a stream sound's source may be longer than
// any buffer. -1 when the converter is not open.
int64_t SoundConverterBytes(SOUNDCONV* conv);
// Decodes the whole source from its start into dest; the bytes given in whole
// sample frames, or -1 when nothing came.
int ConvertWholeSoundInto(SOUNDCONV* conv, void* dest, int bytes);
// Decodes the whole source into a new block (ZvAlloc); 0 or -1.
int ConvertWholeSound(SOUNDCONV* conv, WaveFormat* format, void** pcm, int* bytes);
