// File reading costs: descrambling against a plain memcpy, the archive's LZ
// decoder against zlib's inflate on the same data (text-like script data and
// a synthetic 32-bit image), and small reads from the file-access thread.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/file/archive_reader.h"
#include "core/file/file_plain.h"
#include "lz_encode.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Script-like text: words, numbers and repeated lines.
Bytes ScriptData(size_t size) {
    static const char* words[] = {"enemy ", "bullet ", "wait ", "move ", "boss ", "item ", "\n", "stage "};
    Bytes out;
    uint32_t x = 7;
    while (out.size() < size) {
        x = x * 1103515245 + 12345;
        std::string w = words[(x >> 16) % 8];
        if ((x >> 8) % 5 == 0) w = std::to_string((x >> 4) % 1000) + " ";
        if ((x >> 12) % 9 == 0 && out.size() > 2000) {
            size_t from = out.size() - 1 - (x >> 3) % 2000;
            w.assign(out.begin() + from, out.begin() + from + std::min<size_t>(60, out.size() - from));
        }
        out.insert(out.end(), w.begin(), w.end());
    }
    out.resize(size);
    return out;
}

// A 512 x 512 BGRA sprite sheet: flat shapes, gradients and some noise.
Bytes ImageData() {
    Bytes out(512 * 512 * 4);
    uint32_t x = 3;
    for (int y = 0; y < 512; ++y) {
        for (int i = 0; i < 512; ++i) {
            unsigned char* p = &out[(y * 512 + i) * 4];
            bool inside = ((i / 64) + (y / 64)) % 2 == 0 && (i % 64 - 32) * (i % 64 - 32) + (y % 64 - 32) * (y % 64 - 32) < 700;
            x = x * 1103515245 + 12345;
            p[0] = inside ? static_cast<unsigned char>(i / 2) : 0;
            p[1] = inside ? static_cast<unsigned char>(y / 2) : 0;
            p[2] = inside ? static_cast<unsigned char>(200 + ((x >> 24) & 7)) : 0;
            p[3] = inside ? 255 : 0;
        }
    }
    return out;
}

const Bytes& Data(int which) {
    static const Bytes script = ScriptData(1 << 20);
    static const Bytes image = ImageData();
    return which == 0 ? script : image;
}

const char* DataName(int which) { return which == 0 ? "script" : "image"; }

void BM_Descramble(benchmark::State& state) {
    Bytes data(1 << 20, 0x5A);
    unsigned char key[ZVA_KEY_SIZE];
    ZVArchiveKeyCreate("kor3vq", key);
    for (auto _ : state) {
        ZVArchiveKeyConv(data.data(), data.size(), 24, key);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_Descramble);

void BM_Memcpy(benchmark::State& state) {
    Bytes from(1 << 20, 0x5A), to(1 << 20);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(from.size()));
}
BENCHMARK(BM_Memcpy);

void BM_LzDecode(benchmark::State& state) {
    const Bytes& data = Data(static_cast<int>(state.range(0)));
    Bytes packed = LzEncode(data.data(), data.size());
    Bytes out(data.size());
    for (auto _ : state) {
        int64_t n = ZVArchiveDecode(packed.data(), packed.size(), out.data(), out.size());
        if (n != static_cast<int64_t>(data.size())) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
    state.SetLabel(std::string(DataName(static_cast<int>(state.range(0)))) + " ratio " +
                   std::to_string(100 * packed.size() / data.size()) + "%");
}
BENCHMARK(BM_LzDecode)->Arg(0)->Arg(1);

void BM_ZlibInflate(benchmark::State& state) {
    const Bytes& data = Data(static_cast<int>(state.range(0)));
    uLongf packedSize = compressBound(data.size());
    Bytes packed(packedSize);
    compress2(packed.data(), &packedSize, data.data(), data.size(), Z_DEFAULT_COMPRESSION);
    packed.resize(packedSize);
    Bytes out(data.size());
    for (auto _ : state) {
        uLongf outSize = out.size();
        if (uncompress(out.data(), &outSize, packed.data(), packed.size()) != Z_OK || outSize != data.size())
            state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
    state.SetLabel(std::string(DataName(static_cast<int>(state.range(0)))) + " ratio " +
                   std::to_string(100 * packed.size() / data.size()) + "%");
}
BENCHMARK(BM_ZlibInflate)->Arg(0)->Arg(1);

// The file-access thread serving a full read-ahead buffer in small pieces:
// each read should cost the copy of its own bytes, not of the buffer's rest.
void BM_FileThreadSmallReads(benchmark::State& state) {
    char pattern[] = "/tmp/zvbenchXXXXXX";
    int fd = mkstemp(pattern);
    Bytes data = ScriptData(FILE_READ_AHEAD_SIZE);
    if (fd < 0 || write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    close(fd);
    ZvFileHandle file = PlainFileOpen(pattern, 1);
    FileAccessData* record = reinterpret_cast<FileAccessData*>(file);
    unsigned char piece[16];
    for (auto _ : state) {
        state.PauseTiming();
        PlainFileSeek(file, 0, 0);
        while (FileThreadReadAheadFill(record) < FILE_READ_AHEAD_SIZE)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        state.ResumeTiming();
        for (uint32_t done = 0; done < FILE_READ_AHEAD_SIZE; done += sizeof piece)
            PlainFileRead(piece, 1, sizeof piece, file);
        benchmark::DoNotOptimize(piece);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * FILE_READ_AHEAD_SIZE);
    PlainFileClose(file);
    unlink(pattern);
}
BENCHMARK(BM_FileThreadSmallReads)->Iterations(10)->Unit(benchmark::kMicrosecond);

}  // namespace
