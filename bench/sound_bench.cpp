// MP3 decoding through LoadSoundMem (frame walk, decode into a static sound,
// delete) beside a bare libmpg123 decoding loop over the same file; and the
// open of a song streamed from its file (as the game opens its music: walk,
// read and the first four seconds decoded into the stream buffer) beside
// libmpg123's own open and first four seconds of the same file.
#include <benchmark/benchmark.h>
#include <lame/lame.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/file/file_access.h"
#include "sound/sound_core.h"
#include "sound/sound_handle.h"
#include "zovav.h"
#include "zv_counted_reads.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 20;

// A stereo chord at 128 kbit/s, written to a temporary file.
std::string WriteChordMp3(const char* name, int seconds) {
    std::vector<short> pcm(size_t(kRate) * size_t(seconds) * 2);
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
    // The first frame was kept for the tag frame, as in the game's songs.
    unsigned char tag[4096];
    const size_t tagSize = lame_get_lametag_frame(gf, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= size_t(n)) std::copy(tag, tag + tagSize, out.begin());
    lame_close(gf);
    std::string path = std::string(P_tmpdir) + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out.data(), 1, size_t(n), f);
    std::fclose(f);
    return path;
}

const std::string& Mp3File() {
    static const std::string path = WriteChordMp3("zv_sound_bench.mp3", kSeconds);
    return path;
}

// A song of the game's length.
constexpr int kSongSeconds = 75;
const std::string& SongFile() {
    static const std::string path = WriteChordMp3("zv_sound_bench_song.mp3", kSongSeconds);
    return path;
}

// Loads a file as sounds of one data type (with bufferNum buffers) and
// deletes each again, in the sound system alone; false (the bench skipped)
// when the system or a load fails.
bool LoadAndDelete(benchmark::State& state, const std::string& file, int dataType, int bufferNum) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (InitializeDirectSound() != 0) {
        state.SkipWithError("no sound output");
        return false;
    }
    SetCreateSoundDataType(dataType);
    bool loaded = true;
    for (auto _ : state) {
        const int handle = LoadSoundMem(file.c_str(), bufferNum, -1);
        if (handle == -1) {
            state.SkipWithError("load failed");
            loaded = false;
            break;
        }
        DeleteSoundMem(handle);
    }
    SetCreateSoundDataType(0);
    TerminateDirectSound();
    return loaded;
}

// libmpg123 opens the file itself and decodes up to `limit` bytes of PCM
// (all of it for 0), once an iteration.
void DecodeWithMpg123(benchmark::State& state, const std::string& file, size_t limit) {
    std::vector<unsigned char> buffer(65536);
    const size_t want = limit != 0 ? limit : SIZE_MAX;
    for (auto _ : state) {
        mpg123_handle* h = mpg123_new(nullptr, nullptr);
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        mpg123_open(h, file.c_str());
        size_t done = 0, total = 0;
        int result;
        do {
            result = mpg123_read(h, buffer.data(), std::min(buffer.size(), want - total), &done);
            total += done;
        } while ((result == MPG123_OK || result == MPG123_NEW_FORMAT) && total < want);
        benchmark::DoNotOptimize(total);
        mpg123_delete(h);
    }
}

// A short MP3 decoded whole into memory, beside libmpg123 decoding it.
void LoadSoundMemMp3(benchmark::State& state) {
    if (LoadAndDelete(state, Mp3File(), SOUND_DATATYPE_STATIC, 1))
        state.SetItemsProcessed(state.iterations() * kSeconds);   // seconds of music
}
BENCHMARK(LoadSoundMemMp3)->Unit(benchmark::kMillisecond);

void RawMpg123Mp3(benchmark::State& state) {
    DecodeWithMpg123(state, Mp3File(), 0);
    state.SetItemsProcessed(state.iterations() * kSeconds);
}
BENCHMARK(RawMpg123Mp3)->Unit(benchmark::kMillisecond);

// A song streamed from its file: the open and the first fill (four seconds
// decoded), then the delete.
void StreamOpenMp3(benchmark::State& state) {
    zvtest::CountedReads counter;
    LoadAndDelete(state, SongFile(), SOUND_DATATYPE_FILE, 3);
    state.counters["reads_per_open"] =
        double(zvtest::CountedReads::reads) / double(std::max<int64_t>(1, state.iterations()));
}
BENCHMARK(StreamOpenMp3)->Unit(benchmark::kMillisecond);

// Its peer: libmpg123 opens the same file itself and decodes four seconds.
void RawMpg123OpenFirst4s(benchmark::State& state) { DecodeWithMpg123(state, SongFile(), size_t(kRate) * 4 * 4); }
BENCHMARK(RawMpg123OpenFirst4s)->Unit(benchmark::kMillisecond);

}  // namespace
