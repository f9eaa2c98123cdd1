// Every image kind the loader chain reads, decoded from memory and read back
// pixel by pixel: PNG (all colour types, 16-bit, interlaced), JPEG, BMP (all
// depths, RLE, bit fields, large headers, both row orders), TGA, DDS, BGRA.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "core/alloc.h"
#include "graphics/image/image_decoders.h"
#include "decode_cases.h"
#include "softrender/simd_level.h"

using namespace imgfix;

TEST(ImageDecoders, EveryKindDecodesToTheRightPixels) {
    for (const DecodeCase& k : DecodeCases()) {
        SCOPED_TRACE(k.name);
        Bytes data = k.make();
        ASSERT_FALSE(data.empty());
        GraphImage image;
        ASSERT_EQ(Decode(data, &image), 0);
        EXPECT_EQ(image.Width, k.width);
        EXPECT_EQ(image.Height, k.height);
        EXPECT_EQ(image.ColorInfo.ColorBitDepth, k.depth);
        if (k.pitch) {
            EXPECT_EQ(image.Pitch, k.pitch);
        }
        for (const Probe& p : k.probes) {
            uint32_t got = GetGraphImagePixel(&image, p.x, p.y);
            EXPECT_TRUE(Near(got, p.argb, k.tolerance))
                << "pixel " << p.x << "," << p.y << " got " << std::hex << got << " want " << p.argb;
        }
        ReleaseGraphImage(&image);
    }
}

// Rows wider than the wide steps, whose red and blue are swapped as they are
// read: every pixel comes back at every wide-form level.
TEST(ImageDecoders, WideRgbaRowsKeepEveryPixelAtEveryLevel) {
    const int width = 37, height = 3;
    std::vector<uint32_t> px(size_t(width) * height);
    uint32_t seed = 99;
    for (uint32_t& p : px) p = seed = seed * 1664525u + 1013904223u;
    const Bytes file = MakeRgbPng(width, height, px, true);
    for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level) {
        SCOPED_TRACE(level);
        softrender::ForceSimdLevel(level);
        GraphImage image;
        ASSERT_EQ(Decode(file, &image), 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(GetGraphImagePixel(&image, x, y), px[size_t(y) * width + x]) << x << "," << y;
        ReleaseGraphImage(&image);
    }
    softrender::ForceSimdLevel(-1);
}

TEST(ImageDecoders, PalettePngFillsAllEntriesAndLeavesTheRestBlack) {
    PngSpec s;
    s.width = 1;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.palette = {{1, 2, 3}, {4, 5, 6}};
    s.rows = {1};
    GraphImage image;
    ASSERT_EQ(Decode(MakePng(s), &image), 0);
    EXPECT_EQ(image.ColorInfo.Palette[1].Red, 4);
    EXPECT_EQ(image.ColorInfo.Palette[1].Blue, 6);
    EXPECT_EQ(image.ColorInfo.Palette[2].Red | image.ColorInfo.Palette[255].Green, 0);
    ReleaseGraphImage(&image);
}

TEST(ImageDecoders, BottomUpAndTopDownGiveTheSameImage) {
    struct Pair {
        const char* name;
        Bytes a, b;
    };
    Bytes tgaUp = TgaHeader(2, 1, 2, 24, 0);
    tgaUp.insert(tgaUp.end(), {1, 1, 1, 2, 2, 2});
    Bytes tgaDown = TgaHeader(2, 1, 2, 24, 0x20);
    tgaDown.insert(tgaDown.end(), {2, 2, 2, 1, 1, 1});
    std::vector<Pair> pairs = {{"bmp", BmpRows24Bottom(), BmpRows24Top()}, {"tga", tgaUp, tgaDown}};
    for (const Pair& p : pairs) {
        SCOPED_TRACE(p.name);
        GraphImage a, b;
        ASSERT_EQ(Decode(p.a, &a), 0);
        ASSERT_EQ(Decode(p.b, &b), 0);
        ASSERT_EQ(a.Pitch, b.Pitch);
        const size_t rowBytes = size_t(a.Width) * a.ColorInfo.PixelByte;   // row padding is not pixels
        for (int y = 0; y < a.Height; ++y) {
            EXPECT_EQ(0, std::memcmp(static_cast<char*>(a.Pixels) + size_t(y) * a.Pitch,
                                     static_cast<char*>(b.Pixels) + size_t(y) * b.Pitch, rowBytes));
        }
        ReleaseGraphImage(&a);
        ReleaseGraphImage(&b);
    }
}

TEST(ImageDecoders, DecodingLeavesNoBlocksBehind) {
    const uint32_t before = ZvAllocCount();
    for (const DecodeCase& k : DecodeCases()) {
        GraphImage image;
        if (Decode(k.make(), &image) == 0) ReleaseGraphImage(&image);
    }
    EXPECT_EQ(ZvAllocCount(), before);
}

namespace {
// A memory stream whose reads start failing once the position passes a limit.
intptr_t g_failingStream = 0;
int32_t g_failAfter = 0;
size_t FailingRead(void* buffer, size_t size, size_t count, intptr_t handle) {
    if (MemStreamTell(handle) >= g_failAfter) return 0;
    return MemStreamRead(buffer, size, count, handle);
}
}  // namespace

TEST(ImageDecoders, JpegWhoseStreamFailsMidwayKeepsWhatArrived) {
    Bytes px;
    for (int i = 0; i < 64 * 64; ++i) px.insert(px.end(), {uint8_t(i), 50, 100});
    Bytes jpeg = MakeJpeg(64, 64, 3, px, 90);
    MemStream* stream = MemStreamOpen(jpeg.data(), jpeg.size());
    g_failingStream = reinterpret_cast<intptr_t>(stream);
    g_failAfter = int32_t(jpeg.size() / 2);
    StreamReader reader;
    reader.functions = StreamFunctions{MemStreamTell, MemStreamSeek, FailingRead,
                                       MemStreamEof, MemStreamIdleCheck, MemStreamClose};
    reader.handle = g_failingStream;
    GraphImage image;
    std::memset(&image, 0, sizeof(image));
    // The data seen so far decodes; the rest of the image is filled in by
    // the decoder, not read from beyond the failure.
    ASSERT_EQ(LoadJpegImage(&reader, &image), 0);
    EXPECT_EQ(image.Width, 64);
    ReleaseGraphImage(&image);
    MemStreamClose(reader.handle);
}

TEST(GraphImages, MakingFillingMirroringAndReading) {
    GraphImage g;
    EXPECT_EQ(InitGraphImage(0, 5, &g), -1);
    EXPECT_EQ(g.Pixels, nullptr);
    EXPECT_EQ(InitGraphImage(70000, 1, &g), -1);
    ASSERT_EQ(InitGraphImage(3, 2, &g), 0);
    EXPECT_EQ(g.Pitch, 12);   // 9 bytes padded to 4
    EXPECT_EQ(FillGraphImage(&g, 1, 2, 3, 0), 0);
    EXPECT_EQ(GetGraphImagePixel(&g, 2, 1), 0x010203u);
    static_cast<unsigned char*>(g.Pixels)[0] = 0xFF;   // first pixel blue
    ReverseGraphImage(&g);
    EXPECT_EQ(GetGraphImagePixel(&g, 2, 0), 0x0102FFu);
    EXPECT_EQ(GetGraphImagePixel(&g, 1, 0), 0x010203u);
    EXPECT_EQ(GetGraphImagePixel(&g, 0, 0), 0x010203u);
    EXPECT_EQ(GetGraphImagePixel(&g, 3, 0), 0u);   // outside
    ReleaseGraphImage(&g);
    EXPECT_EQ(g.Width, 0);
}

TEST(GraphImages, LoadersAreHandedTheStreamAtTheStart) {
    // A user loader that reads some bytes and refuses: the built-in loaders
    // still see the file from its first byte. A user loader stays for the
    // life of the process (and turns the straight JPEG road off), so it is
    // added in a child process of its own.
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        static int calls = 0;
        const int added = AddUserImageLoader([](StreamReader* r, GraphImage*) {
            char skip[8];
            r->functions.Read(skip, 1, sizeof(skip), r->handle);
            ++calls;
            return -1;
        });
        if (added != 0) _exit(1);
        GraphImage image;
        if (Decode(MakeRgbPng(2, 2, kSix, false), &image) != 0) _exit(2);
        _exit(calls == 1 ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not added, 2: not decoded, 3: the user loader was not called once";
}

TEST(GraphImages, BitmapFormOfAnImage) {
    GraphImage g;
    ASSERT_EQ(Decode(MakeRgbPng(3, 2, kSix, true), &g), 0);   // 32-bit: converted to 24
    BitmapInfo info;
    void* bits = nullptr;
    ASSERT_EQ(ConvertGraphImageToDIB(&g, &info, &bits, 0, 0), 1);
    EXPECT_EQ(info.Header.BitCount, 24);
    EXPECT_EQ(info.Header.Height, -2);
    const unsigned char* b = static_cast<unsigned char*>(bits);
    EXPECT_EQ(b[2], 0xFF);        // first pixel red, as blue, green, red
    EXPECT_EQ(b[12 + 2], 0xFF);   // second row starts at the padded pitch (9 -> 12)
    ZvFree(bits);
    ReleaseGraphImage(&g);

    BmpSpec s;
    s.width = 4; s.height = 1; s.bits = 8;
    s.palette.assign(256, 0x010203);
    s.data = {1, 2, 3, 4};
    ASSERT_EQ(Decode(MakeBmp(s), &g), 0);
    ASSERT_EQ(ConvertGraphImageToDIB(&g, &info, &bits, 0, 0), 0);   // its own pixels serve
    EXPECT_EQ(bits, g.Pixels);
    EXPECT_EQ(info.Colors[9].Red, 1);
    ReleaseGraphImage(&g);
}

TEST(GraphImages, BitmapsInAChosenFormat) {
    const Bytes png = MakeRgbPng(3, 2, kSix, false);
    ColorData c565;
    CreateColorDataImpl(&c565, 16, 0xF800, 0x07E0, 0x001F, 0);
    DibSection* dib = CreateDIBGraph(nullptr, png.data(), png.size(), 1, 1, &c565);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->Info.Header.BitCount, 16);
    EXPECT_EQ(dib->Info.Header.Compression, BITMAP_BITFIELDS);
    uint16_t first;
    std::memcpy(&first, dib->Bits, 2);
    EXPECT_EQ(first, 0x001F);   // mirrored: the row starts with the blue pixel
    DeleteDIBSection(dib);

    dib = CreateDIBGraph(nullptr, png.data(), png.size(), 1, 0, nullptr);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->Info.Header.BitCount, 24);
    EXPECT_EQ(static_cast<unsigned char*>(dib->Bits)[2], 0xFF);
    DibSection* again = ConvertDIBToGraphImage(&dib->Info, dib->Bits, 0, &c565);
    ASSERT_NE(again, nullptr);
    std::memcpy(&first, again->Bits, 2);
    EXPECT_EQ(first, 0xF800);
    DeleteDIBSection(again);
    DeleteDIBSection(dib);
    const Bytes junk = {1, 2, 3};
    EXPECT_EQ(CreateDIBGraph(nullptr, junk.data(), junk.size(), 1, 0, nullptr), nullptr);
}
