// Writes the seed corpus of the sound fuzz target into the folder given:
// PCM WAVE files, MP3 frames with ID3 tags, MP3 inside WAVE, and Ogg Vorbis.
// The files are built with the sound tests' builders (sound_files.h).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sound_files.h"

namespace {
using namespace soundtest;

// Every seed WAVE has an 18-byte format chunk and a LIST chunk before its data.
Bytes Wav(uint16_t tag, int channels, int bits, int rate, const Bytes& data) {
    WavSpec w;
    w.tag = tag;
    w.channels = channels;
    w.bits = bits;
    w.rate = rate;
    w.fmtSize = 18;
    w.blockAlign = tag == 1 ? channels * bits / 8 : 1;
    w.data = data;
    w.beforeData = {{"LIST", {'I', 'N', 'F', 'O'}}};
    return MakeWav(w);
}

void Write(const std::string& dir, const char* name, const Bytes& b) {
    FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f) return;
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    const std::string dir = argv[1];
    Bytes pcm16, pcm8;
    for (int i = 0; i < 200; ++i) Put16(pcm16, uint32_t(int16_t(i * 97)));
    for (int i = 0; i < 100; ++i) pcm8.push_back(uint8_t(i * 5));
    Write(dir, "stereo16.wav", Wav(1, 2, 16, 44100, pcm16));
    Write(dir, "mono8.wav", Wav(1, 1, 8, 11025, pcm8));
    Bytes mp3 = Id3v2Tag(4, 4, true);
    Append(mp3, SilentMp3(3));
    // An ID3v1 tag of zeros at the end.
    Bytes tag(128, 0);
    std::memcpy(tag.data(), "TAG", 3);
    Append(mp3, tag);
    Write(dir, "tagged.mp3", mp3);
    Write(dir, "mp3.wav", Wav(0x55, 2, 0, 44100, SilentMp3(2)));
    std::vector<float> tone(800);
    for (int i = 0; i < 800; ++i) tone[i] = 0.3f * float(std::sin(i * 0.2));
    Write(dir, "tone.ogg", EncodeVorbis(tone, 1, 8000, 0.1f, 7));
    return 0;
}
