// The loop encoder: LAME without the info frame, cut after the frames that
// hold the loop so the padding frames never play.
#include "loop_mp3.h"

#include <lame/lame.h>

namespace {

// Offset just past frame number count, walking the frame headers (MPEG-1
// layer III only, which is what the encoder writes here); -1 if short.
int64_t FramesEnd(const std::vector<uint8_t>& mp3, int count) {
    static const int kBitrate[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    size_t at = 0;
    for (int i = 0; i < count; ++i) {
        if (at + 4 > mp3.size() || mp3[at] != 0xFF || (mp3[at + 1] & 0xFE) != 0xFA) return -1;
        const int bitrate = kBitrate[mp3[at + 2] >> 4];
        if (bitrate == 0 || ((mp3[at + 2] >> 2) & 3) != 0) return -1;   // 44100 Hz only
        at += size_t(144000 * bitrate / kMp3Rate + ((mp3[at + 2] >> 1) & 1));
    }
    return at <= mp3.size() ? int64_t(at) : -1;
}

}  // namespace

std::vector<uint8_t> EncodeLoopMp3(const std::vector<int16_t>& stereo, int frameCount, int kbps, std::string* error) {
    const int samples = int(stereo.size() / 2);
    if (samples > frameCount * kMp3FrameSamples - kMp3Lead) {
        *error = "the loop is longer than its frames";
        return {};
    }
    lame_t gf = lame_init();
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, kMp3Rate);
    lame_set_out_samplerate(gf, kMp3Rate);
    lame_set_brate(gf, kbps);
    lame_set_mode(gf, JOINT_STEREO);
    lame_set_quality(gf, 2);
    lame_set_bWriteVbrTag(gf, 0);
    if (lame_init_params(gf) < 0 || lame_get_encoder_delay(gf) != kMp3EncoderDelay) {
        lame_close(gf);
        *error = "the MP3 encoder did not start as expected";
        return {};
    }
    std::vector<uint8_t> out(size_t(samples) * 5 / 4 + 7200 + 16384);
    int n = lame_encode_buffer_interleaved(gf, const_cast<short*>(stereo.data()), samples, out.data(), int(out.size()));
    if (n >= 0) {
        const int tail = lame_encode_flush(gf, out.data() + n, int(out.size()) - n);
        n = tail < 0 ? tail : n + tail;
    }
    lame_close(gf);
    if (n < 0) {
        *error = "the MP3 encoder failed";
        return {};
    }
    out.resize(size_t(n));
    const int64_t end = FramesEnd(out, frameCount);
    if (end < 0) {
        *error = "the encoder gave fewer frames than the loop needs";
        return {};
    }
    out.resize(size_t(end));
    return out;
}
