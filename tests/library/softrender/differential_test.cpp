// Every specialised member of every image core against the reference rules, on random small images.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "softrender/simd_level.h"
#include "softrender/softrender.h"
#include "sr_fixtures.h"
#include "sr_reference.h"

using namespace srtest;

namespace {

enum Geometry { GEO_RECT, GEO_STRETCH, GEO_ROTATE, GEO_TRIANGLE };

struct Shape {
    int x = 0, y = 0;             // rect
    int32_t corners[4] = {};      // stretch
    float angle = 0, scale = 1;   // rotate (centre in x, y)
    MemImgVertex tri[3] = {};     // triangle
};

void Draw(Geometry g, MEMIMG* dest, const MEMIMG* src, const Shape& s, int trans, const MEMIMG* blend) {
    switch (g) {
        case GEO_RECT: MemImgDrawGraphBase(dest, src, s.x, s.y, trans, blend); break;
        case GEO_STRETCH: MemImgDrawExtendGraphBase(dest, src, s.corners, trans, blend); break;
        case GEO_ROTATE: MemImgDrawRotaGraphBase(dest, src, s.x, s.y, s.angle, s.scale, trans, 0, blend); break;
        case GEO_TRIANGLE: MemImgDrawPolygonBase(dest, src, s.tri, trans, blend, 0); break;
    }
}

int CoreOf(Geometry g) { return g == GEO_RECT ? REF_RECT : (g == GEO_STRETCH ? REF_STRETCH : REF_MAPPED); }

// Target size: small for the member sweep, wider for rows long enough for the wide forms.
int kDW = 26, kDH = 22;

// Which source texel each destination pixel takes under this geometry (-1: none),
// found by drawing an image of texel numbers as a plain copy with the scalar rules (the
// wide forms choose their columns on their own and are checked against these).
std::vector<int> ProbeMapping(Geometry g, const Shape& s, int w, int h) {
    const uint32_t savedBright = MemImgDrawStateData.DrawBright;
    const int mode = MemImgDrawStateData.BlendMode, param = MemImgDrawStateData.BlendParam;
    const int level = softrender::SimdLevel();
    softrender::ForceSimdLevel(softrender::ISA_SCALAR);
    MemImgDrawStateData.DrawBright = MEMIMG_BRIGHT_NONE;
    SetBlend(0, 255);
    Image numbers(w, h, 1, DIRECT);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) numbers.Set(x, y, uint32_t(y * w + x + 1));
    Image out(kDW, kDH, 1, DIRECT);
    Draw(g, &out.img, &numbers.img, s, 0, nullptr);
    std::vector<int> map(kDW * kDH);
    for (int y = 0; y < kDH; ++y)
        for (int x = 0; x < kDW; ++x) map[y * kDW + x] = int(out.Get(x, y)) - 1;
    MemImgDrawStateData.DrawBright = savedBright;
    SetBlend(mode, param);
    softrender::ForceSimdLevel(level);
    return map;
}

uint32_t PairAdd(uint32_t d, uint32_t s) {
    const uint64_t x = uint64_t(d & 0xF7DEF7DF) + (s & 0xF7DEF7DF);
    const uint32_t k = uint32_t(x) & 0x08210820;
    return (k - ((k >> 5) | uint32_t(x >> 32) << 27)) | uint32_t(x);
}
uint32_t PairSub(uint32_t d, uint32_t s) {
    const int64_t full = int64_t(d | 0x08210820) - int64_t(s & 0xF7DEF7DF);
    const uint32_t x = uint32_t(full), k = x & 0x08210820;
    return x & ((k - (k >> 5)) | (full >= 0 ? 0xF8000000u : 0));
}

struct Case {
    Geometry geo;
    int fmt32;
    Kind kind;
    int mode, p;
    bool bi, bright, trans;
    int maxSide = 7;  // largest source side
};

std::string Describe(const Case& c) {
    static const char* geos[] = {"rect", "stretch", "rotate", "triangle"};
    return std::string(geos[c.geo]) + (c.fmt32 ? " 32" : " 16") + " kind " + std::to_string(c.kind) + " mode " +
           std::to_string(c.mode) + " p " + std::to_string(c.p) + (c.bi ? " blend" : "") +
           (c.bright ? " bright" : "") + (c.trans ? " trans" : "");
}

struct Tally {
    long mapped = 0, changed = 0;
};

void RunCase(const Case& c, std::mt19937& rng, Tally* tally) {
    auto rnd = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int w = rnd(3, c.maxSide), h = rnd(3, c.maxSide - 1);

    Image src(w, h, c.fmt32, c.kind);
    for (int i = 0; i < 8; ++i) src.SetPalette(i, c.fmt32 ? rng() : rng() & 0xFFFF);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t v;
            if (c.kind == PALETTE) v = rnd(0, 7);
            else if (c.fmt32) v = rng() & 0x03FFFFFF;  // few distinct top bytes, so keys repeat
            else v = rng() & 0xFFFF;
            if (c.kind == ALPHA) {
                const int pick = rnd(0, 3);
                const uint32_t a = pick == 0 ? 0 : (pick == 1 ? 255 : uint32_t(rnd(1, 254)));
                v = c.fmt32 ? ((v & 0xFFFFFF) | a << 24) : ((v & 0xFFFF) | a << 16 | uint32_t(rnd(0, 255)) << 24);
            }
            src.Set(x, y, v);
        }
    // The key is a value that occurs (the source's own pixel at 1, 1).
    src.img.ColorKey = src.Get(1, 1);
    if (c.kind == DIRECT && c.fmt32) src.Set(2, 0, src.img.ColorKey ^ 0x01000000);  // differs only in byte 3

    Image blend = MakeBlend(w + 1, h + 1);
    for (uint8_t& b : blend.buf) b = uint8_t(rng());
    MakeBlendGraphWeightTable(rnd(0, 255), rnd(0, 40));

    Image dest(kDW, kDH, c.fmt32, DIRECT);
    for (int y = 0; y < kDH; ++y)
        for (int x = 0; x < kDW; ++x) dest.Set(x, y, c.fmt32 ? rng() : rng() & 0xFFFF);

    Shape s;
    switch (c.geo) {
        case GEO_RECT: s.x = rnd(-3, 20), s.y = rnd(-3, 17); break;
        case GEO_STRETCH: {
            int ww, hh;
            do {
                // Wide targets also take tall enlargements: one widened source row serves many rows.
                ww = rnd(1, kDW > 26 ? 40 : 14), hh = rnd(1, kDW > 26 ? 40 : 12);
            } while (ww == w && hh == h);
            s.corners[0] = rnd(-4, 18), s.corners[1] = rnd(-4, 14);
            s.corners[2] = s.corners[0] + ww, s.corners[3] = s.corners[1] + hh;
            if (rnd(0, 1)) std::swap(s.corners[0], s.corners[2]);
            if (rnd(0, 1)) std::swap(s.corners[1], s.corners[3]);
            break;
        }
        case GEO_ROTATE: {
            static const float scales[] = {1.0f, 1.5f, 0.75f, 2.0f, -1.0f};
            s.x = rnd(0, kDW), s.y = rnd(0, kDH);
            s.angle = float(rnd(0, 628)) / 100.0f;
            s.scale = scales[rnd(0, 4)];
            break;
        }
        case GEO_TRIANGLE:
            for (MemImgVertex& v : s.tri) v = {rnd(-3, kDW + 2), rnd(-3, kDH + 2), rnd(-1, w + 1), rnd(-1, h + 1)};
            break;
    }

    MemImgDrawStateData.DrawBright = c.bright ? (uint32_t(rnd(0, 255)) | uint32_t(rnd(0, 255)) << 8 | 0x7F0000u)
                                              : 0xAAFFFFFFu;  // top byte ignored
    SetBlend(c.mode, c.p);
    const std::vector<int> map = ProbeMapping(c.geo, s, w, h);

    Image out = dest;
    Draw(c.geo, &out.img, &src.img, s, c.trans ? 1 : 0, c.bi ? &blend.img : nullptr);

    RefCall call{CoreOf(c.geo), c.fmt32, c.kind, c.mode, c.p, MemImgDrawStateData.DrawBright, c.bi, c.trans,
                 src.img.ColorKey, src.img.Palette, reinterpret_cast<const uint16_t*>(src.img.Palette)};
    const bool pairs = c.geo == GEO_RECT && !c.fmt32 && c.kind != ALPHA && !c.bi && !c.bright &&
                       (c.mode == 2 || c.mode == 3) && c.p == 255;
    Image expect = dest;
    for (int y = 0; y < kDH; ++y) {
        int x = 0;
        while (x < kDW) {
            const int t = map[y * kDW + x];
            if (t < 0) {
                ++x;
                continue;
            }
            const int tx = t % w, ty = t / w;
            const int t1 = x + 1 < kDW ? map[y * kDW + x + 1] : -1;
            if (pairs && t1 >= 0) {
                const uint32_t r0 = src.Get(tx, ty), r1 = src.Get(t1 % w, t1 / w);
                if (!(c.trans && (r0 == src.img.ColorKey || r1 == src.img.ColorKey))) {
                    const uint32_t s0 = c.kind == PALETTE ? src.PaletteEntry(int(r0)) : r0;
                    const uint32_t s1 = c.kind == PALETTE ? src.PaletteEntry(int(r1)) : r1;
                    const uint32_t D = dest.Get(x, y) | dest.Get(x + 1, y) << 16, S = s0 | s1 << 16;
                    const uint32_t r = c.mode == 2 ? PairAdd(D, S) : PairSub(D, S);
                    expect.Set(x, y, r & 0xFFFF);
                    expect.Set(x + 1, y, r >> 16);
                } else {
                    expect.Set(x, y, RefPixel(call, dest.Get(x, y), r0, 0));
                    expect.Set(x + 1, y, RefPixel(call, dest.Get(x + 1, y), r1, 0));
                }
                x += 2;
                continue;
            }
            expect.Set(x, y, RefPixel(call, dest.Get(x, y), src.Get(tx, ty), blend.At(tx, ty)[0]));
            ++x;
        }
    }
    int bad = 0;
    for (int i = 0; i < kDW * kDH; ++i) {
        tally->mapped += map[i] >= 0;
        tally->changed += out.Get(i % kDW, i / kDW) != dest.Get(i % kDW, i / kDW);
    }
    for (int y = 0; y < kDH && bad < 3; ++y)
        for (int x = 0; x < kDW && bad < 3; ++x)
            if (out.Get(x, y) != expect.Get(x, y)) {
                ++bad;
                ADD_FAILURE() << Describe(c) << " at (" << x << ", " << y << "): got " << std::hex << out.Get(x, y)
                              << " want " << expect.Get(x, y) << " dest was " << dest.Get(x, y);
            }
}

}  // namespace

TEST(SoftDrawDifferential, EveryMemberMatchesTheReferenceRules) {
    std::mt19937 rng(20261210);
    Tally tally[4];
    static const int params[] = {0, 1, 77, 128, 200, 254, 255};
    for (int geo = GEO_RECT; geo <= GEO_TRIANGLE; ++geo)
        for (int fmt32 = 0; fmt32 <= 1; ++fmt32)
            for (int kind = PALETTE; kind <= ALPHA; ++kind)
                for (int mode = 0; mode <= 5; ++mode)
                    for (int opt = 0; opt < 8; ++opt)
                        for (int p : params) {
                            ResetState(1, 2, 23, 19);
                            const Case c{Geometry(geo), fmt32, Kind(kind), mode, p, (opt & 4) != 0, (opt & 2) != 0,
                                         (opt & 1) != 0};
                            RunCase(c, rng, &tally[geo]);
                            if (HasFailure()) return;
                        }
    // Guard against a vacuous pass: every geometry maps and changes many pixels.
    for (const Tally& t : tally) {
        EXPECT_GT(t.mapped, 20000);
        EXPECT_GT(t.changed, 10000);
    }
}

// The wide forms at every level this processor runs (the scalar rules included), on
// sources and targets wide enough for whole groups of four and eight with ragged tails.
TEST(SoftDrawDifferential, WideFormsMatchTheReferenceAtEveryLevel) {
    std::mt19937 rng(20261211);
    static const int params[] = {1, 77, 128, 200, 254, 255};
    kDW = 80, kDH = 44;
    for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level) {
        ASSERT_EQ(softrender::ForceSimdLevel(level), level);
        for (int geo = GEO_RECT; geo <= GEO_ROTATE; ++geo)
            for (Kind kind : {DIRECT, ALPHA})
                for (int mode = 0; mode <= 2; ++mode)
                    for (int trans = 0; trans <= 1; ++trans)
                        for (int p : params)
                            for (int rep = 0; rep < 3; ++rep) {
                                ResetState(1, 2, kDW - 3, kDH - 2);
                                const Case c{Geometry(geo), 1, kind, mode, p, false, false, trans != 0, 30};
                                Tally t;
                                RunCase(c, rng, &t);
                                if (HasFailure()) {
                                    ADD_FAILURE() << "at level " << level;
                                    softrender::ForceSimdLevel(-1);
                                    kDW = 26, kDH = 22;
                                    return;
                                }
                            }
    }
    softrender::ForceSimdLevel(-1);
    kDW = 26, kDH = 22;
}

// Rotated boxes whose rows start and end outside the source, whose positions do not move
// along a row or down the box (quarter and half turns), or wrap round within a row (tiny
// scales), on targets narrower than a group: every level draws the bytes of the scalar walk.
TEST(SoftDrawDifferential, RotatedBoxesDrawAlikeAtEveryLevel) {
    struct {
        const char* what;
        int srcW, srcH, destW, x, y;
        float angle, scale;
    } cases[] = {
        {"no turn, enlarged", 13, 7, 80, 40, 20, 0.0f, 1.5f},
        {"quarter turn", 13, 7, 80, 40, 20, float(M_PI / 2), 1.0f},
        {"half turn", 13, 7, 80, 40, 20, float(M_PI), 1.0f},
        {"three quarter turn", 13, 7, 80, 40, 20, float(3 * M_PI / 2), 2.0f},
        {"past the left edge", 13, 7, 80, 2, 20, 0.3f, 1.0f},
        {"past the right edge", 13, 7, 80, 78, 20, 2.2f, 1.7f},
        {"larger than the target", 5, 4, 80, 40, 20, 0.7f, 9.0f},
        // Steps of 2^30 along the top row: the positions wrap round and meet the source again.
        {"tiny scale, positions wrap", 16, 16, 80, 40, 0, 0.0f, 1.0f / 4096},
        {"wider than 8192 texels", 8200, 2, 80, 40, 20, 0.02f, 1.0f},
        {"mirrored by a negative scale", 13, 7, 80, 40, 20, 1.0f, -1.25f},
        {"one texel wide", 1, 9, 80, 40, 20, 0.8f, 3.0f},
        {"long flat rows", 40, 3, 80, 40, 20, 0.05f, 1.0f},
        {"target of 3 columns", 13, 7, 3, 1, 20, 0.6f, 1.0f},
        {"target of 6 columns", 13, 7, 6, 3, 20, 2.6f, 1.0f},
    };
    struct {
        Kind kind;
        int mode, p, trans;
    } rules[] = {{ALPHA, 2, 255, 1}, {ALPHA, 1, 128, 1}, {DIRECT, 0, 255, 1}};
    std::mt19937 rng(20261214);
    for (const auto& c : cases) {
        long changed = 0;
        for (const auto& r : rules) {
            Image src(c.srcW, c.srcH, 1, r.kind);
            for (int y = 0; y < c.srcH; ++y)
                for (int x = 0; x < c.srcW; ++x) {
                    const int pick = int(rng() % 3);
                    const uint32_t a = pick == 0 ? 0 : (pick == 1 ? 255 : rng() % 254 + 1);
                    src.Set(x, y, a << 24 | (rng() & 0xFFFFFF));
                }
            src.img.ColorKey = src.Get(0, 0);
            Image dest(c.destW, 40, 1, DIRECT);
            for (uint8_t& b : dest.buf) b = uint8_t(rng());
            std::vector<Image> out;
            for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level) {
                ResetState(0, 0, c.destW, 40);
                softrender::ForceSimdLevel(level);
                SetBlend(r.mode, r.p);
                out.push_back(dest);
                MemImgDrawRotaGraphBase(&out.back().img, &src.img, c.x, c.y, c.angle, c.scale, r.trans, 0, nullptr);
            }
            softrender::ForceSimdLevel(-1);
            for (size_t i = 0; i < dest.buf.size(); ++i) changed += out[0].buf[i] != dest.buf[i];
            for (size_t level = 1; level < out.size(); ++level)
                ASSERT_EQ(out[level].buf, out[0].buf) << c.what << ", mode " << r.mode << ", level " << level;
        }
        EXPECT_GT(changed, 0) << c.what;  // the scalar walk drew
    }
}

TEST(SoftDrawDifferential, WideAlphaRowsMatchTheReference) {
    // Rows long enough for the four-pixel forms.
    std::mt19937 rng(7);
    // Every alpha value in turn, then runs of clear, opaque and translucent pixels.
    auto alphaAt = [](int pattern, int x) {
        static const uint32_t runs[3] = {0, 255, 99};
        return pattern == 0 ? uint32_t(x % 256) : runs[(x / 8) % 3];
    };
    // The add weighs opaque texels by a factor made from the parameter: it takes every one.
    std::vector<int> everyParam;
    for (int p = 1; p <= 255; ++p) everyParam.push_back(p);
    const std::vector<int> someParams = {1, 77, 128, 254, 255};
    for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level)
    for (int pattern : {0, 1})
        for (int mode : {0, 1, 2, 4})
            for (int p : mode == 2 ? everyParam : someParams) {
                ResetState();
                softrender::ForceSimdLevel(level);
                SetBlend(mode, p);
                Image src(259, 1, 1, ALPHA), dest(260, 2, 1, DIRECT);
                for (int x = 0; x < 259; ++x) src.Set(x, 0, alphaAt(pattern, x) << 24 | (rng() & 0xFFFFFF));
                for (int x = 0; x < 260; ++x) dest.Set(x, 1, rng());
                Image before = dest;
                MemImgDrawGraphBase(&dest.img, &src.img, 1, 1, 1, nullptr);
                const RefCall call{REF_RECT, 1, ALPHA, mode, p, MEMIMG_BRIGHT_NONE, false, true, 0, nullptr, nullptr};
                for (int x = 1; x < 260; ++x)
                    ASSERT_EQ(dest.Get(x, 1), RefPixel(call, before.Get(x, 1), src.Get(x - 1, 0), 0))
                        << "mode " << mode << " p " << p << " x " << x;
                // The same row stretched to twice its width and three rows, drawn over
                // different pixels (rows that share a source row may be drawn together).
                Image wide(520, 3, 1, DIRECT);
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 520; ++x) wide.Set(x, y, rng());
                Image wideBefore = wide;
                const int32_t corners[4] = {0, 0, 518, 3};
                MemImgDrawExtendGraphBase(&wide.img, &src.img, corners, 1, nullptr);
                RefCall stretched = call;
                stretched.core = REF_STRETCH;
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 518; ++x)
                        ASSERT_EQ(wide.Get(x, y), RefPixel(stretched, wideBefore.Get(x, y), src.Get(x / 2, 0), 0))
                            << "stretched, mode " << mode << " p " << p << " at " << x << ", " << y;
            }
    softrender::ForceSimdLevel(-1);
}

namespace {

// Run codes for an alpha image as the library builds them: clear, opaque and translucent
// runs of at most 64 pixels, an end code after each row.
std::vector<uint8_t> EncodeRuns(Image& src) {
    std::vector<uint8_t> codes;
    for (int y = 0; y < src.img.Height; ++y) {
        int x = 0;
        while (x < src.img.Width) {
            auto kindAt = [&](int at) {
                const uint32_t a = src.Get(at, y) >> 24;
                return a == 0 ? 0 : (a == 255 ? 1 : 2);
            };
            const int kind = kindAt(x);
            int count = 1;
            while (x + count < src.img.Width && count < 64 && kindAt(x + count) == kind) ++count;
            codes.push_back(uint8_t(kind << 6 | (count - 1)));
            x += count;
        }
        codes.push_back(0xC0);
    }
    return codes;
}

// Any codes at all: runs that say opaque or translucent whatever the texels' alpha, and
// runs that reach past the row's end.
std::vector<uint8_t> ArbitraryRuns(int w, int h, std::mt19937& rng) {
    std::vector<uint8_t> codes;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w + 8;) {
            const int count = int(rng() % 64) + 1;
            codes.push_back(uint8_t(int(rng() % 3) << 6 | (count - 1)));
            x += count;
        }
        codes.push_back(0xC0);
    }
    return codes;
}

}  // namespace

// The run-code walk of 32-bit alpha sprites at every level: runs of each kind and of every
// length up to past 64 (split in two codes), so that whole groups, tails and single pixels
// all occur, with and without bright.
TEST(SoftDrawDifferential, RunCodeWalkMatchesTheReferenceAtEveryLevel) {
    std::mt19937 rng(20261212);
    static const int widths[] = {1, 3, 7, 8, 9, 17, 64, 65, 150};
    for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level)
        for (int w : widths)
            for (int mode = 0; mode <= 4; ++mode)
                for (int p : {1, 77, 128, 254, 255})
                    for (bool bright : {false, true}) {
                        ResetState();
                        softrender::ForceSimdLevel(level);
                        SetBlend(mode, p);
                        MemImgDrawStateData.DrawBright =
                            bright ? uint32_t(rng() & 0xFFFF) | 0xC00000u : MEMIMG_BRIGHT_NONE;
                        const int h = 3;
                        Image src(w, h, 1, ALPHA);
                        for (int y = 0; y < h; ++y)
                            for (int x = 0; x < w;) {
                                const int kind = int(rng() % 3), len = int(rng() % 90) + 1;
                                for (int i = 0; i < len && x < w; ++i, ++x) {
                                    const uint32_t a = kind == 0 ? 0 : (kind == 1 ? 255 : rng() % 254 + 1);
                                    src.Set(x, y, a << 24 | (rng() & 0xFFFFFF));
                                }
                            }
                        std::vector<uint8_t> codes = EncodeRuns(src);
                        src.img.RunData = codes.data();
                        src.img.RunDataFlag = 1;
                        Image dest(w + 2, h + 2, 1, DIRECT);
                        for (int y = 0; y < h + 2; ++y)
                            for (int x = 0; x < w + 2; ++x) dest.Set(x, y, rng());
                        Image before = dest;
                        MemImgDrawGraphBase(&dest.img, &src.img, 1, 1, 1, nullptr);
                        const RefCall call{REF_RECT, 1, ALPHA, mode, p, MemImgDrawStateData.DrawBright, false, true,
                                           0, nullptr, nullptr};
                        for (int y = 0; y < h + 2; ++y)
                            for (int x = 0; x < w + 2; ++x) {
                                const bool inside = x >= 1 && x <= w && y >= 1 && y <= h;
                                const uint32_t texel = inside ? src.Get(x - 1, y - 1) : 0;
                                // Clear runs are skipped in every mode (the multiply included).
                                const uint32_t want = !inside || texel >> 24 == 0
                                                          ? before.Get(x, y)
                                                          : RefPixel(call, before.Get(x, y), texel, 0);
                                ASSERT_EQ(dest.Get(x, y), want) << "level " << level << " width " << w << " mode "
                                                                << mode << " p " << p << " bright " << bright
                                                                << " at " << x << ", " << y;
                            }
                    }
    softrender::ForceSimdLevel(-1);
}

// Run codes that disagree with the texels draw the same bytes at every level as the
// scalar walk does.
TEST(SoftDrawDifferential, RunCodesThatDisagreeWithTheTexelsDrawAlikeAtEveryLevel) {
    std::mt19937 rng(20261213);
    for (int rep = 0; rep < 40; ++rep)
        for (int mode = 0; mode <= 4; ++mode) {
            const int w = int(rng() % 140) + 1, h = 4, p = int(rng() % 255) + 1;
            const uint32_t bright = rep % 2 ? uint32_t(rng() & 0xFFFFFF) : MEMIMG_BRIGHT_NONE;
            Image src(w, h, 1, ALPHA);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int pick = int(rng() % 3);
                    const uint32_t a = pick == 0 ? 0 : (pick == 1 ? 255 : rng() % 256);
                    src.Set(x, y, a << 24 | (rng() & 0xFFFFFF));
                }
            std::vector<uint8_t> codes = ArbitraryRuns(w, h, rng);
            src.img.RunData = codes.data();
            src.img.RunDataFlag = 1;
            Image dest(w, h, 1, DIRECT);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) dest.Set(x, y, rng());
            std::vector<Image> out;
            for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level) {
                ResetState();
                softrender::ForceSimdLevel(level);
                SetBlend(mode, p);
                MemImgDrawStateData.DrawBright = bright;
                out.push_back(dest);
                MemImgDrawGraphBase(&out.back().img, &src.img, 0, 0, 1, nullptr);
            }
            for (size_t level = 1; level < out.size(); ++level)
                ASSERT_EQ(out[level].buf, out[0].buf) << "level " << level << " mode " << mode << " p " << p;
        }
    softrender::ForceSimdLevel(-1);
}
