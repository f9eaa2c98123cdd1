// MP3 files that loop without a gap: a tag frame giving the encoder's delay
// and padding, then exactly the frames that hold the decoder's lead and one
// turn of the loop, so the loop ends with the last frame.
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
// The loop's end, fading in, goes before its start, so the encoder and the
// decoder come to the start as they do going round, not out of silence.
constexpr int kMp3Preroll = kMp3FrameSamples;
// Where the loop starts in the decoded stream: behind the tag frame, the
// lead and the pre-roll.
constexpr int kMp3LoopStart = kMp3FrameSamples + kMp3Lead + kMp3Preroll;

// Samples of a loop that fills frameCount frames behind the lead.
constexpr int LoopSamplesFor(int frameCount) { return frameCount * kMp3FrameSamples - kMp3Lead; }

// Encodes one turn of a loop (interleaved stereo PCM of exactly
// LoopSamplesFor(frameCount) frames) as a tag frame and frameCount + 1 MP3
// frames, decoded from the first frame as one frame of silence (the tag),
// the lead, the pre-roll, then the loop to the last sample. The tag says
// delay kMp3EncoderDelay + kMp3Preroll and padding kMp3DecoderDelay, which is
// no padding at all once decoded. Empty on failure, with the reason in error.
std::vector<uint8_t> EncodeLoopMp3(const std::vector<int16_t>& stereo, int frameCount, int kbps, std::string* error);
