// MP3 files that loop: the decoded stream, read from the first frame with
// no gapless trimming, is a whole number of frames holding one loop.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int kMp3Rate = 44100;
constexpr int kMp3FrameSamples = 1152;
// The decoded stream lags the encoder's input by the encoder's delay and
// the decoder's synthesis delay; those first samples decode as silence.
constexpr int kMp3EncoderDelay = 576;
constexpr int kMp3DecoderDelay = 529;
constexpr int kMp3Lead = kMp3EncoderDelay + kMp3DecoderDelay;

// Encodes interleaved stereo PCM (at most frameCount * kMp3FrameSamples -
// kMp3Lead frames) into exactly frameCount MP3 frames without an info frame,
// so that decoded sample kMp3Lead + i is input sample i. Empty on failure,
// with the reason in error.
std::vector<uint8_t> EncodeLoopMp3(const std::vector<int16_t>& stereo, int frameCount, int kbps, std::string* error);
