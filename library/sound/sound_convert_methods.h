// What the converter front end asks of each decoding method, and the
// detectors that recognise a file and set a method up.
#pragma once
#include <cstdint>

#include "sound/sound_convert.h"

struct SoundConvMethod {
    // Fills the block (blockLeft > 0, blockRead 0); -1 at the end of the data.
    int (*Refill)(SOUNDCONV* conv);
    // Moves the output to targetByte (a multiple of the block align) and
    // sets outputPos; may set the end flag when the data ends before it.
    int (*Seek)(SOUNDCONV* conv, int64_t targetByte);
    int64_t (*Size)(SOUNDCONV* conv);
    void (*Close)(SOUNDCONV* conv);
};

// Opens a converter over a method its caller sets up rather than one a
// detector finds (PCM that its owner hands out); blockSize in bytes. 0, or -1
// with the method closed.
int OpenSoundConverterWithMethod(SOUNDCONV* conv, int method, const SoundConvMethod* ops, void* methodData,
                                 const WaveFormat& format, int blockSize);

// Detector results: 0 recognised and set up; -1 not this format, the next
// detector may try; -2 this format but refused, no other detector may take it.
constexpr int SOUNDCONV_NOT_MINE = -1;
constexpr int SOUNDCONV_REFUSED = -2;

// RIFF WAVE: PCM data read as it stands, MP3 data handed to the MPEG
// decoder, any other compression refused.
int DetectWave(SOUNDCONV* conv);
int DetectOggVorbis(SOUNDCONV* conv);
int DetectMp3(SOUNDCONV* conv);

// Stream helpers: loaders read with element size 1.
size_t ReadStreamBytes(const StreamReader& stream, void* dest, size_t bytes);
// Length by seeking to the end; the position is back at 0 afterwards.
int64_t StreamLength(const StreamReader& stream);

// ---- MPEG audio frames -----------------------------------------------------

struct Mp3FrameInfo {
    int mpeg1;          // 1 MPEG-1, 0 MPEG-2
    int layer;          // 0 layer I, 1 layer II, 2 layer III
    int bitrate;        // kbit/s
    int sampleRate;
    int padding;
    int channels;
    int samples;        // per frame
    int frameLength;    // bytes, header included
};
// 0 for a usable layer III header; -2 not a frame header at all; -1 a header
// that cannot be decoded (reserved values, free format, layers I and II).
int AnalyzeMp3FrameHeader(const uint8_t header[4], Mp3FrameInfo* info);

// Makes the converter decode the MP3 frames that lie between two stream
// offsets, the first of them found within a window's length past `from`.
// 0; SOUNDCONV_NOT_MINE when no run of frames starts there; SOUNDCONV_REFUSED
// when the frames hold nothing to play.
int OpenMp3Frames(SOUNDCONV* conv, int64_t from, int64_t end);
