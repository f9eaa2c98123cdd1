// Fuzz target for the graph loader chain: any bytes go through every image
// decoder; an accepted image is read back whole and converted to 32 bits.
// Bytes that no decoder takes go to the movie demuxer, as LoadGraph does, and
// an opened movie is played for a few frames; its sound track is read a
// little, sought and read again.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/file/file_access.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/graph_image.h"
#include "memory_reader.h"
#include "platform/movie_ffmpeg.h"

namespace {

struct FuzzBytes {
    const uint8_t* data;
    size_t size, position;
};
int64_t g_nowUs = 0;

size_t ReadBytes(void* h, void* buffer, size_t size) {
    FuzzBytes* b = static_cast<FuzzBytes*>(h);
    const size_t n = std::min(size, b->size - b->position);
    std::memcpy(buffer, b->data + b->position, n);
    b->position += n;
    return n;
}
int SeekBytes(void* h, int64_t offset, int origin) {
    FuzzBytes* b = static_cast<FuzzBytes*>(h);
    const int64_t base = origin == 0 ? 0 : origin == 1 ? int64_t(b->position) : int64_t(b->size);
    if (base + offset < 0) return -1;
    b->position = size_t(std::min<int64_t>(base + offset, int64_t(b->size)));
    return 0;
}
int64_t TellBytes(void* h) { return int64_t(static_cast<FuzzBytes*>(h)->position); }
void CloseBytes(void* h) { delete static_cast<FuzzBytes*>(h); }
int64_t FuzzClock() { return g_nowUs; }

MovieByteSource SourceOver(const uint8_t* data, size_t size) {
    return MovieByteSource{new FuzzBytes{data, size, 0}, ReadBytes, SeekBytes, TellBytes, CloseBytes};
}

void PlaySound(const uint8_t* data, size_t size) {
    const MovieByteSource source = SourceOver(data, size);
    MovieSound* sound = nullptr;
    if (MovieSoundOpen(&source, 44100, 2, &sound) != MOVIE_OPENED) return;
    std::vector<int16_t> pcm(4096);
    MovieSoundLength(sound);
    for (int step = 0; step < 8; ++step) {
        if (step == 4) MovieSoundSeek(sound, 4410);
        if (MovieSoundRead(sound, pcm.data(), int(pcm.size() * 2)) == 0) break;
    }
    MovieSoundClose(sound);
}

void PlayMovie(const uint8_t* data, size_t size) {
    MovieSetClock(FuzzClock);
    PlaySound(data, size);
    const MovieByteSource source = SourceOver(data, size);
    MovieStream* stream = nullptr;
    if (MovieStreamOpen(&source, &stream) != MOVIE_OPENED) return;
    MovieStreamInfo info;
    MovieStreamGetInfo(stream, &info);
    // Keep each run quick: big frames are opened but not decoded.
    if (int64_t(info.width) * info.height <= 512 * 512) {
        std::vector<uint32_t> pixels(size_t(info.width) * size_t(info.height));
        MovieStreamRun(stream);
        for (int step = 0; step < 24; ++step) {
            g_nowUs += 40000;
            if (step == 12) MovieStreamSeekMs(stream, 100);
            const MoviePixelFormat format = MoviePixelFormat(step % 3);
            if (MovieStreamUpdate(stream, format, pixels.data(), info.width * 4) == MOVIE_FRAME_END) break;
        }
    }
    MovieStreamClose(stream);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StreamReader reader;
    if (!OpenMemoryReader(data, size, &reader)) return 0;
    GraphImage image;
    std::memset(&image, 0, sizeof(image));
    const int result = CallImageLoaders(&reader, &image);
    MemStreamClose(reader.handle);
    if (result != 0) {
        PlayMovie(data, size);
        return 0;
    }
    // Keep each run quick: big images are read back only in part.
    const int w = image.Width < 256 ? image.Width : 256;
    const int h = image.Height < 256 ? image.Height : 256;
    uint32_t sum = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) sum += GetGraphImagePixel(&image, x, y);
    ColorData argb;
    CreateColorDataImpl(&argb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    std::vector<uint32_t> out(size_t(w) * size_t(h));
    ImageRect rect{0, 0, w, h};
    ColorConvertBlt(out.data(), w * 4, &argb, image.Pixels, image.Pitch, &image.ColorInfo, nullptr, 0, nullptr, 0, 0,
                    &rect, sum & 1, 0, 0, int(sum % 3), 0, 0, 0);
    ReleaseGraphImage(&image);
    return 0;
}
