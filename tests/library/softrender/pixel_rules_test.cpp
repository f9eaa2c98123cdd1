// Worked pixel examples of the blend rules, drawn through each image core on tiny images.
#include <gtest/gtest.h>

#include "softrender/pixel_rules.h"
#include "softrender/softrender.h"
#include "sr_fixtures.h"

using namespace srtest;

namespace {

enum Core { RECT, STRETCH, ROTATE };

struct PixelCase {
    const char* what;
    Core core;
    int fmt32;
    Kind kind;
    int mode, p;
    uint32_t bright;
    int trans;
    int weight;       // -1: no blend image
    uint32_t dest, raw, want;
};

constexpr uint32_t NB = MEMIMG_BRIGHT_NONE;

// Draws a 1x1 source (or palette entry 0) onto pixel (0, 0) of a 2x2 target.
uint32_t DrawOne(const PixelCase& c) {
    ResetState();
    SetBlend(c.mode, c.p);
    MemImgDrawStateData.DrawBright = c.bright;
    MakeBlendGraphWeightTable(128, 255);  // weight of byte b is b
    Image dest(2, 2, c.fmt32, DIRECT);
    dest.Fill(c.dest);
    Image src(1, 1, c.fmt32, c.kind, 0x0BADBEEF);
    if (c.kind == PALETTE) {
        src.SetPalette(0, c.raw);
        src.Set(0, 0, 0);
    } else {
        src.Set(0, 0, c.raw);
    }
    Image blend = MakeBlend(1, 1);
    blend.buf[0] = uint8_t(c.weight);
    const MEMIMG* bi = c.weight >= 0 ? &blend.img : nullptr;
    if (c.core == RECT) {
        MemImgDrawGraphBase(&dest.img, &src.img, 0, 0, c.trans, bi);
    } else if (c.core == STRETCH) {
        const int32_t corners[4] = {0, 0, 2, 1};
        MemImgDrawExtendGraphBase(&dest.img, &src.img, corners, c.trans, bi);
    } else {
        MemImgDrawRotaGraphBase(&dest.img, &src.img, 0, 0, 0.0f, 1.0f, c.trans, 0, bi);
    }
    return dest.Get(0, 0);
}

const PixelCase kCases[] = {
    // Additive and subtractive low bits.
    {"rect add at 255 drops the OR term", RECT, 1, DIRECT, 2, 255, NB, 0, -1, 0x010101, 0x010101, 0x00000002},
    {"stretch add keeps the OR term", STRETCH, 1, DIRECT, 2, 255, NB, 0, -1, 0x010101, 0x010101, 0x00010102},
    {"add saturates blue, carry sets green", STRETCH, 1, DIRECT, 2, 255, NB, 0, -1, 0x80, 0x80, 0x000001FF},
    {"add of red overflow sets byte 3", ROTATE, 1, DIRECT, 2, 255, NB, 0, -1, 0x80808080, 0x00808080, 0x01FFFFFF},
    {"subtract zero from black", STRETCH, 1, DIRECT, 3, 255, NB, 0, -1, 0, 0, 0x00010100},
    {"palette subtract at 0 still runs, 32-bit", RECT, 1, PALETTE, 3, 0, NB, 0, -1, 0, 0x00FFFFFF, 0x00010100},
    {"palette subtract at 0 still runs, 16-bit", STRETCH, 0, PALETTE, 3, 0, NB, 0, -1, 0, 0xFFFF, 0x0800},
    {"palette subtract at 0 on white, 16-bit", ROTATE, 0, PALETTE, 3, 0, NB, 0, -1, 0xFFFF, 0xFFFF, 0xFFDF},
    {"direct subtract at 0 draws nothing", RECT, 1, DIRECT, 3, 0, NB, 0, -1, 0, 0x00FFFFFF, 0},
    // Alpha blend.
    {"rect half blend clears byte 3", RECT, 1, DIRECT, 1, 128, NB, 0, -1, 0xFF102030, 0x00FFFFFF, 0x00878F97},
    {"stretch blend at 128 keeps byte 3", STRETCH, 1, DIRECT, 1, 128, NB, 0, -1, 0xFF102030, 0x00FFFFFF,
     0xFF878F97},
    {"mode 1 at 255 is a copy", STRETCH, 1, DIRECT, 1, 255, NB, 0, -1, 0x11223344, 0xAABBCCDD, 0xAABBCCDD},
    {"mode 1 at 0 draws nothing", ROTATE, 1, DIRECT, 1, 0, NB, 0, -1, 0x11223344, 0xAABBCCDD, 0x11223344},
    {"16-bit blend by the difference table", STRETCH, 0, DIRECT, 1, 128, NB, 0, -1, 0x0000, 0xF800, 0x7800},
    {"16-bit blend toward black rounds up", STRETCH, 0, DIRECT, 1, 128, NB, 0, -1, 0xF800, 0x0000, 0x8000},
    {"rect 16-bit blend by the 64-level table", RECT, 0, DIRECT, 1, 200, NB, 0, -1, 0x0000, 0x07E0, 0x0640},
    {"stretch 16-bit blend by the difference table", STRETCH, 0, DIRECT, 1, 200, NB, 0, -1, 0x0000, 0x07E0,
     0x0620},
    {"rect 16-bit half blend", RECT, 0, DIRECT, 1, 128, NB, 0, -1, 0x0000, 0xF800, 0x7800},
    // Alpha channel.
    {"rect copies an alpha image whole without trans", RECT, 1, ALPHA, 0, 255, NB, 0, -1, 0, 0x80112233,
     0x80112233},
    {"stretch blends by alpha without trans", STRETCH, 1, ALPHA, 0, 255, NB, 0, -1, 0, 0x80112233, 0x00081119},
    {"alpha 255 under trans copies whole", ROTATE, 1, ALPHA, 0, 255, NB, 1, -1, 0x44556677, 0xFF112233,
     0xFF112233},
    {"alpha 255 without trans is one step short", STRETCH, 1, ALPHA, 0, 255, NB, 0, -1, 0, 0xFF112233,
     0x00102132},
    {"alpha 0 under trans skips", STRETCH, 1, ALPHA, 1, 100, NB, 1, -1, 0x00808080, 0x00FFFFFF, 0x00808080},
    {"rect multiply blackens alpha 0", RECT, 1, ALPHA, 4, 0, NB, 1, -1, 0x55808080, 0x00FFFFFF, 0x55000000},
    {"stretch multiply skips alpha 0", STRETCH, 1, ALPHA, 4, 0, NB, 1, -1, 0x55808080, 0x00FFFFFF, 0x55808080},
    {"rotate multiply blackens alpha 0", ROTATE, 1, ALPHA, 4, 0, NB, 1, -1, 0x55808080, 0x00FFFFFF, 0x55000000},
    {"16-bit alpha 255 without trans", STRETCH, 0, ALPHA, 0, 255, NB, 0, -1, 0x0000, 0x00FF001F, 0x001E},
    {"16-bit rect copies alpha image whole", RECT, 0, ALPHA, 0, 255, NB, 0, -1, 0x0000, 0x00FF001F, 0x001F},
    {"16-bit add scales by alpha before bright", STRETCH, 0, ALPHA, 2, 255, 0xFF82FF, 0, -1, 0, 0x008107E0,
     0x01E0},
    {"16-bit add: alpha first turns 3 into 0", RECT, 0, ALPHA, 2, 255, 0xFFFFC0, 1, -1, 0, 0x00800003, 0},
    // Colour key and brightness.
    {"key differing in byte 3 is drawn", RECT, 1, DIRECT, 0, 255, NB, 1, -1, 0, 0x0ADBEEF, 0x0ADBEEF},
    {"key equal in all bytes is skipped", STRETCH, 1, DIRECT, 0, 255, NB, 1, -1, 7, 0x0BADBEEF, 7},
    {"bright 254 on blue only", ROTATE, 1, DIRECT, 0, 255, 0xFFFFFE, 0, -1, 0xAA000000, 0x12FFFFFF, 0xAAFFFFFE},
    {"bright top byte is ignored", ROTATE, 1, DIRECT, 0, 255, 0x00FFFFFF, 0, -1, 0xAA000000, 0x12FFFFFF,
     0x12FFFFFF},
    // Blend image weights.
    {"weight 0 leaves mode 0", STRETCH, 1, DIRECT, 0, 255, NB, 0, 0, 0x00808080, 0x00FFFFFF, 0x00808080},
    {"weight 0 blackens mode 4", STRETCH, 1, DIRECT, 4, 255, NB, 0, 0, 0x77808080, 0x00FFFFFF, 0x77000000},
    {"weight 0 still subtracts", ROTATE, 1, DIRECT, 3, 255, NB, 0, 0, 0, 0x00FFFFFF, 0x00010100},
    {"weight 255 mode 0", RECT, 1, DIRECT, 0, 255, NB, 0, 255, 0, 0x00FF0000, 0x00FE0000},
    {"weight 0 16-bit subtract", STRETCH, 0, DIRECT, 3, 255, NB, 0, 0, 0, 0xFFFF, 0x0800},
    {"weight and alpha and parameter", STRETCH, 1, ALPHA, 1, 128, NB, 0, 128, 0, 0x800000FF, 0x0000001F},
    {"mode 5 draws nothing", RECT, 1, DIRECT, 5, 255, NB, 0, -1, 0x123, 0x456, 0x123},
};

class PixelRules : public ::testing::TestWithParam<PixelCase> {};

TEST_P(PixelRules, WorkedExample) {
    const PixelCase& c = GetParam();
    EXPECT_EQ(DrawOne(c), c.want) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, PixelRules, ::testing::ValuesIn(kCases));

TEST(PackedArithmetic, SixteenBitWords) {
    using namespace softrender;
    struct {
        uint16_t d, s, add, sub;
    } rows[] = {
        {0xFFFF, 0x0001, 0xFFFF, 0xFFDE}, {0x001F, 0x0001, 0x003F, 0x081E}, {0x0020, 0x0020, 0x0020, 0x0800},
        {0x8410, 0x8410, 0xFFFF, 0x0800}, {0x0000, 0x0000, 0x0000, 0x0800}, {0xFFFF, 0xFFFF, 0xFFFF, 0x0800},
        {0x8000, 0x0800, 0x8800, 0x8800},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(PackedAdd16(r.d, r.s), r.add) << std::hex << r.d << " + " << r.s;
        EXPECT_EQ(PackedSub16(r.d, r.s), r.sub) << std::hex << r.d << " - " << r.s;
    }
}

TEST(PackedArithmetic, PairsCarryAcrossTheMiddle) {
    using namespace softrender;
    // The lower pixel's red carry lands in the upper pixel's lowest blue bit.
    EXPECT_EQ(PackedAdd16Pair(0x0000F800, 0x00001000), 0x0001F800u);
    // The upper pixel's blue guard bit survives the subtraction.
    EXPECT_EQ(PackedSub16Pair(0xFFFF0000, 0xFFFF0000), 0x08010800u);
    // A borrow out of the upper red clears that field; none keeps it.
    EXPECT_EQ(PackedSub16Pair(0x00000000, 0xF8000000) >> 27, 0u);
    EXPECT_EQ(PackedSub16Pair(0xF8000000, 0x80000000) >> 27, 0x0Fu);
}

}  // namespace
