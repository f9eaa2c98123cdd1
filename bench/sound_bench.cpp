// MP3 decoding through LoadSoundMem (frame walk, decode into a static sound,
// delete) beside a bare libmpg123 decoding loop over the same song; and the
// open of a song streamed from its file (as the game opens its music: the
// frames found, measured and the first four seconds decoded into the stream
// buffer), for a song of the game's length and for an hour-long one, beside
// libmpg123's own open and first four seconds of the same file.
#include <benchmark/benchmark.h>
#include <lame/lame.h>
#include <mpg123.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/alloc.h"
#include "core/file/file_access.h"
#include "sound/sound_core.h"
#include "sound/sound_handle.h"
#include "zovav.h"
#include "zv_counted_reads.h"

namespace {

constexpr int kRate = 44100;

// A stereo chord at 128 kbit/s, written to a temporary file a second at a
// time (an hour of PCM is more than a bench should hold).
std::string WriteChordMp3(const char* name, int seconds) {
    lame_t gf = lame_init();
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, kRate);
    lame_set_brate(gf, 128);
    lame_init_params(gf);
    std::vector<short> pcm(size_t(kRate) * 2);
    std::vector<unsigned char> piece(pcm.size() + 7200), out;
    for (int second = 0; second < seconds; ++second) {
        for (size_t i = 0; i < pcm.size() / 2; ++i) {
            double t = second + double(i) / kRate;
            double v = 3000 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277.2 * t) +
                               std::sin(2 * M_PI * 329.6 * t));
            pcm[2 * i] = pcm[2 * i + 1] = short(v);
        }
        int n = lame_encode_buffer_interleaved(gf, pcm.data(), kRate, piece.data(), int(piece.size()));
        out.insert(out.end(), piece.begin(), piece.begin() + n);
    }
    int n = lame_encode_flush(gf, piece.data(), int(piece.size()));
    out.insert(out.end(), piece.begin(), piece.begin() + n);
    // The first frame was kept for the tag frame, as in the game's songs.
    unsigned char tag[4096];
    const size_t tagSize = lame_get_lametag_frame(gf, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= out.size()) std::copy(tag, tag + tagSize, out.begin());
    lame_close(gf);
    std::string path = std::string(P_tmpdir) + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    return path;
}

// A song of the game's length, and an hour-long one, by their seconds.
constexpr int kSongSeconds = 75;
constexpr int kHourSeconds = 3600;
const std::string& SongFile(int seconds) {
    static const std::string song = WriteChordMp3("zv_sound_bench_song.mp3", kSongSeconds);
    if (seconds == kSongSeconds) return song;
    static const std::string hour = WriteChordMp3("zv_sound_bench_hour.mp3", kHourSeconds);
    return hour;
}

double ResidentKiB() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1024;
}

// Loads a file as sounds of one data type (with bufferNum buffers) and
// deletes each again, in the sound system alone; then, with `held` given,
// how much the process grows while one such sound is held (KiB; from pages
// the allocator did not keep from the loads before). False (the bench
// skipped) when the system or a load fails.
bool LoadAndDelete(benchmark::State& state, const std::string& file, int dataType, int bufferNum,
                   double* held = nullptr) {
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
    if (loaded && held) {
        ZvReleaseKeptBlocks();
        const double before = ResidentKiB();
        const int handle = LoadSoundMem(file.c_str(), bufferNum, -1);
        *held = ResidentKiB() - before;
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

// A song decoded whole into memory, beside libmpg123 decoding it.
void LoadSoundMemMp3(benchmark::State& state) {
    if (LoadAndDelete(state, SongFile(kSongSeconds), SOUND_DATATYPE_STATIC, 1))
        state.SetItemsProcessed(state.iterations() * kSongSeconds);   // seconds of music
}
BENCHMARK(LoadSoundMemMp3)->Unit(benchmark::kMillisecond);

void RawMpg123Mp3(benchmark::State& state) {
    DecodeWithMpg123(state, SongFile(kSongSeconds), 0);
    state.SetItemsProcessed(state.iterations() * kSongSeconds);
}
BENCHMARK(RawMpg123Mp3)->Unit(benchmark::kMillisecond);

// A song of the argument's seconds streamed from its file: the open and the
// first fill (four seconds decoded), then the delete; with the reads an open
// takes and the growth of the process while one is held.
void StreamOpenMp3(benchmark::State& state) {
    zvtest::CountedReads counter;
    double held = 0;
    LoadAndDelete(state, SongFile(int(state.range(0))), SOUND_DATATYPE_FILE, 3, &held);
    const double opens = double(std::max<int64_t>(1, state.iterations() + 1));
    state.counters["reads_per_open"] = double(zvtest::CountedReads::reads) / opens;
    state.counters["resident_growth_KiB"] = held;
}
BENCHMARK(StreamOpenMp3)->Arg(kSongSeconds)->Arg(kHourSeconds)->Unit(benchmark::kMillisecond);

// Its peer: libmpg123 opens the same file itself and decodes four seconds.
void RawMpg123OpenFirst4s(benchmark::State& state) {
    DecodeWithMpg123(state, SongFile(int(state.range(0))), size_t(kRate) * 4 * 4);
}
BENCHMARK(RawMpg123OpenFirst4s)->Arg(kSongSeconds)->Arg(kHourSeconds)->Unit(benchmark::kMillisecond);

}  // namespace
