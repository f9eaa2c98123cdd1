// MP3 decoding through LoadSoundMem (frame walk, decode into a static sound,
// delete) beside a bare libmpg123 decoding loop over the same file.
#include <benchmark/benchmark.h>
#include <lame/lame.h>
#include <mpg123.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sound/sound_core.h"
#include "zovav.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 20;

// A 20-second stereo chord at 128 kbit/s, written once to a temporary file.
const std::string& Mp3File() {
    static const std::string path = [] {
        std::vector<short> pcm(size_t(kRate) * kSeconds * 2);
        for (size_t i = 0; i < pcm.size() / 2; ++i) {
            double t = double(i) / kRate;
            double v = 3000 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277.2 * t) +
                               std::sin(2 * M_PI * 329.6 * t));
            pcm[2 * i] = pcm[2 * i + 1] = short(v);
        }
        lame_t gf = lame_init();
        lame_set_num_channels(gf, 2);
        lame_set_in_samplerate(gf, kRate);
        lame_set_brate(gf, 128);
        lame_init_params(gf);
        std::vector<unsigned char> out(pcm.size() + 16384);
        int n = lame_encode_buffer_interleaved(gf, pcm.data(), int(pcm.size() / 2), out.data(), int(out.size()));
        n += lame_encode_flush(gf, out.data() + n, int(out.size()) - n);
        lame_close(gf);
        std::string name = std::string(P_tmpdir) + "/zv_sound_bench.mp3";
        FILE* f = std::fopen(name.c_str(), "wb");
        std::fwrite(out.data(), 1, size_t(n), f);
        std::fclose(f);
        return name;
    }();
    return path;
}

void LoadSoundMemMp3(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string& file = Mp3File();
    if (InitializeDirectSound() != 0) {
        state.SkipWithError("no sound output");
        return;
    }
    for (auto _ : state) {
        int handle = LoadSoundMem(file.c_str(), 1, -1);
        if (handle == -1) {
            state.SkipWithError("load failed");
            break;
        }
        DeleteSoundMem(handle);
    }
    TerminateDirectSound();
    state.SetItemsProcessed(state.iterations() * kSeconds);   // seconds of music
}
BENCHMARK(LoadSoundMemMp3)->Unit(benchmark::kMillisecond);

void RawMpg123Mp3(benchmark::State& state) {
    const std::string& file = Mp3File();
    std::vector<unsigned char> buffer(65536);
    for (auto _ : state) {
        mpg123_handle* h = mpg123_new(nullptr, nullptr);
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        mpg123_open(h, file.c_str());
        size_t done = 0, total = 0;
        int result;
        do {
            result = mpg123_read(h, buffer.data(), buffer.size(), &done);
            total += done;
        } while (result == MPG123_OK || result == MPG123_NEW_FORMAT);
        benchmark::DoNotOptimize(total);
        mpg123_delete(h);
    }
    state.SetItemsProcessed(state.iterations() * kSeconds);
}
BENCHMARK(RawMpg123Mp3)->Unit(benchmark::kMillisecond);

}  // namespace
