// Fuzz target for the image loader chain: any bytes go through every decoder;
// an accepted image is read back whole and converted to 32 bits.
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/file/file_access.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/graph_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemStream* stream = MemStreamOpen(data, size);
    if (stream == nullptr) return 0;
    StreamReader reader;
    reader.functions = StreamFunctions{MemStreamTell, MemStreamSeek, MemStreamRead,
                                       MemStreamEof, MemStreamIdleCheck, MemStreamClose};
    reader.handle = reinterpret_cast<intptr_t>(stream);
    GraphImage image;
    std::memset(&image, 0, sizeof(image));
    const int result = CallImageLoaders(&reader, &image);
    MemStreamClose(reader.handle);
    if (result != 0) return 0;
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
