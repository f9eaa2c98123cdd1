// The loop encoder: LAME fed the end of a turn, one turn and the start of the
// next, so the loop's first and last frames are encoded as the music goes
// round; cut after the loop's frames, with LAME's tag frame rewritten to say
// what was kept.
#include "loop_mp3.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>

namespace {

// Offset just past frame number count from at, walking the frame headers
// (MPEG-1 layer III at 44100 Hz only, which is what the encoder writes
// here); -1 if short.
int64_t FramesEnd(const std::vector<uint8_t>& mp3, size_t at, int count) {
    static const int kBitrate[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    for (int i = 0; i < count; ++i) {
        if (at + 4 > mp3.size() || mp3[at] != 0xFF || (mp3[at + 1] & 0xFE) != 0xFA) return -1;
        const int bitrate = kBitrate[mp3[at + 2] >> 4];
        if (bitrate == 0 || ((mp3[at + 2] >> 2) & 3) != 0) return -1;
        at += size_t(144000 * bitrate / kMp3Rate + ((mp3[at + 2] >> 1) & 1));
    }
    return at <= mp3.size() ? int64_t(at) : -1;
}

// The CRC-16 the tag uses for the music and for itself.
uint16_t Crc16(const uint8_t* data, size_t size, uint16_t crc = 0) {
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

void PutBigEndian(uint8_t* at, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) at[i] = uint8_t(value);
}

// Where the tag fields lie in the tag frame (MPEG-1 stereo: the tag follows
// the header and 32 bytes of side information).
constexpr size_t kTag = 36;
constexpr size_t kFlags = kTag + 4, kFrameCount = kTag + 8, kByteCount = kTag + 12, kToc = kTag + 16;
constexpr size_t kDelayPadding = kTag + 141, kMusicLength = kTag + 148, kMusicCrc = kTag + 152;
constexpr size_t kTagCrc = kTag + 154;

// Rewrites LAME's tag for the frames kept: their count and bytes, an even
// table of contents (the frames are all the same size), the padding and the
// checksums. False when the tag is not laid out as expected.
bool RewriteTag(std::vector<uint8_t>& mp3, size_t tagFrameSize, int frameCount) {
    uint8_t* tag = mp3.data();
    if (tagFrameSize < kTagCrc + 2 || std::string(reinterpret_cast<char*>(tag + kTag), 4) != "Info" ||
        tag[kFlags + 3] != 0x0F || Crc16(tag, kTagCrc) != uint16_t(tag[kTagCrc] << 8 | tag[kTagCrc + 1]))
        return false;
    const uint32_t bytes = uint32_t(mp3.size());
    PutBigEndian(tag + kFrameCount, uint32_t(frameCount), 4);
    PutBigEndian(tag + kByteCount, bytes, 4);
    for (int i = 0; i < 100; ++i) tag[kToc + size_t(i)] = uint8_t(std::min(255, i * 256 / 100));
    PutBigEndian(tag + kDelayPadding, uint32_t(kMp3EncoderDelay + kMp3Preroll) << 12 | uint32_t(kMp3DecoderDelay),
                 3);
    PutBigEndian(tag + kMusicLength, bytes, 4);
    PutBigEndian(tag + kMusicCrc, Crc16(mp3.data() + tagFrameSize, mp3.size() - tagFrameSize), 2);
    PutBigEndian(tag + kTagCrc, Crc16(tag, kTagCrc), 2);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodeLoopMp3(const std::vector<int16_t>& stereo, int frameCount, int kbps, std::string* error) {
    const int samples = int(stereo.size() / 2);
    if (frameCount < 3 || samples != LoopSamplesFor(frameCount)) {
        *error = "the loop does not fill its frames";
        return {};
    }
    lame_t gf = lame_init();
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, kMp3Rate);
    lame_set_out_samplerate(gf, kMp3Rate);
    lame_set_brate(gf, kbps);
    lame_set_mode(gf, JOINT_STEREO);
    lame_set_quality(gf, 2);
    lame_set_bWriteVbrTag(gf, 1);
    if (lame_init_params(gf) < 0 || lame_get_encoder_delay(gf) != kMp3EncoderDelay) {
        lame_close(gf);
        *error = "the MP3 encoder did not start as expected";
        return {};
    }
    // The previous turn's end, faded in, comes first and the next turn's
    // start follows, so the frames at both ends of the loop are made as the
    // music goes round.
    std::vector<int16_t> input(stereo.end() - 2 * kMp3Preroll, stereo.end());
    for (int i = 0; i < kMp3Preroll; ++i) {
        const double gain = 0.5 - 0.5 * std::cos(M_PI * i / kMp3Preroll);
        for (int c = 0; c < 2; ++c) input[size_t(2 * i + c)] = int16_t(std::lround(input[size_t(2 * i + c)] * gain));
    }
    input.insert(input.end(), stereo.begin(), stereo.end());
    const int more = 2 * kMp3FrameSamples;
    input.insert(input.end(), stereo.begin(), stereo.begin() + 2 * more);
    const int inputSamples = int(input.size() / 2);
    std::vector<uint8_t> out(input.size() * 5 / 8 + 7200 + 16384);
    int n = lame_encode_buffer_interleaved(gf, input.data(), inputSamples, out.data(), int(out.size()));
    if (n >= 0) {
        const int tail = lame_encode_flush(gf, out.data() + n, int(out.size()) - n);
        n = tail < 0 ? tail : n + tail;
    }
    // The tag goes over the placeholder frame the encoder wrote first.
    const size_t tagSize = n < 0 ? 0 : lame_get_lametag_frame(gf, out.data(), size_t(n));
    lame_close(gf);
    if (n < 0 || tagSize == 0 || tagSize > size_t(n)) {
        *error = "the MP3 encoder failed";
        return {};
    }
    out.resize(size_t(n));
    const int kept = frameCount + kMp3Preroll / kMp3FrameSamples;
    const int64_t end = FramesEnd(out, tagSize, kept);
    if (end < 0) {
        *error = "the encoder gave fewer frames than the loop needs";
        return {};
    }
    out.resize(size_t(end));
    if (!RewriteTag(out, tagSize, kept)) {
        *error = "the encoder's tag frame is not laid out as expected";
        return {};
    }
    return out;
}
