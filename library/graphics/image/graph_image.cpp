// Graph image records: making, releasing, filling, reading and mirroring the
// decoded pixel buffers that graphs are made from.
#include "graphics/image/graph_image.h"

#include <cstring>

#include "core/alloc.h"

int InitGraphImage(int width, int height, GraphImage* image) {
    std::memset(image, 0, sizeof(*image));
    if (width <= 0 || height <= 0 || width > GRAPH_IMAGE_MAX_SIZE || height > GRAPH_IMAGE_MAX_SIZE) return -1;
    SetColorDataStandard24(&image->ColorInfo);
    image->Width = width;
    image->Height = height;
    image->Pitch = (3 * width + 3) / 4 * 4;
    image->Pixels = ZVALLOC(size_t(image->Pitch) * size_t(height));
    // An image without pixels is no image.
    return image->Pixels != nullptr ? 0 : -1;
}

int ReleaseGraphImage(GraphImage* image) {
    if (image->Pixels) ZvFree(image->Pixels);
    std::memset(image, 0, sizeof(*image));
    return 0;
}

int FillGraphImage(GraphImage* image, int r, int g, int b, int a) {
    const int bytes = image->ColorInfo.PixelByte;
    if (image->Pixels == nullptr || bytes < 2 || bytes > 4) return 0;
    const uint32_t v = PackColorData(&image->ColorInfo, r, g, b, a);
    for (int y = 0; y < image->Height; ++y) {
        unsigned char* p = static_cast<unsigned char*>(image->Pixels) + size_t(y) * image->Pitch;
        for (int x = 0; x < image->Width; ++x, p += bytes) WritePixelRaw(p, bytes, v);
    }
    return 0;
}

uint32_t GetGraphImagePixel(const GraphImage* image, int x, int y) {
    if (image->Pixels == nullptr || x < 0 || y < 0 || x >= image->Width || y >= image->Height) return 0;
    const ColorData& c = image->ColorInfo;
    const unsigned char* p = static_cast<const unsigned char*>(image->Pixels) + size_t(y) * image->Pitch +
                             size_t(x) * c.PixelByte;
    uint32_t v = c.PixelByte != 0 ? ReadPixelRaw(p, c.PixelByte) : 0;
    if (c.ColorBitDepth == 8) v = PaletteEntryValue(&c, v);
    auto to8 = [v](uint32_t mask, int shift, int width) -> uint32_t {
        if (width == 0) return 0;
        uint32_t c8 = (v & mask) >> shift;
        return width >= 8 ? c8 >> (width - 8) : c8 << (8 - width);
    };
    uint32_t out = to8(c.RedMask, c.RedLoc, c.RedWidth) << 16 | to8(c.GreenMask, c.GreenLoc, c.GreenWidth) << 8 |
                   to8(c.BlueMask, c.BlueLoc, c.BlueWidth);
    if (c.AlphaWidth) out |= to8(c.AlphaMask, c.AlphaLoc, c.AlphaWidth) << 24;
    return out;
}

int ReverseGraphImage(GraphImage* image) {
    if (image->Width == 0 || image->Height == 0) return -1;
    const int bytes = image->ColorInfo.PixelByte;
    if (bytes < 1 || bytes > 4 || image->Pixels == nullptr) return 0;
    for (int y = 0; y < image->Height; ++y) {
        unsigned char* row = static_cast<unsigned char*>(image->Pixels) + size_t(y) * image->Pitch;
        for (int l = 0, r = image->Width - 1; l < r; ++l, --r) {
            unsigned char tmp[4];
            std::memcpy(tmp, row + l * bytes, size_t(bytes));
            std::memcpy(row + l * bytes, row + r * bytes, size_t(bytes));
            std::memcpy(row + r * bytes, tmp, size_t(bytes));
        }
    }
    return 0;
}
