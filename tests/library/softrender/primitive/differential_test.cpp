// Every member of every span family against the per-pixel reference drawing,
// on random scenes: random images, textures, blend images, depth images,
// drawing states and triangles (some clipped, some crossing the draw area).
#include <random>

#include "library/softrender/primitive/prim_fixture.h"

namespace {
using namespace primtest;

struct Family {
    const char* name;
    int format;
    bool palette;
    int vertexColor;
};

struct Member {
    int mode, param;
    bool blend, dark, alpha, trans;
};

class Scene {
public:
    Scene(std::mt19937& rng, const Family& f, const Member& m) : rng_(rng), f_(f), m_(m) {}

    // Draws the scene twice, fast and by reference; returns whether the fast
    // result matched and whether anything was drawn at all.
    bool Run(bool* drewSomething) {
        const int W = 40, H = 36;
        const bool wide = f_.format == MEMIMG_FORMAT_X8R8G8B8;
        ResetDrawState(W, H);
        SetMemImgDrawArea(Int(0, 8), Int(0, 8), Int(30, W), Int(28, H));
        SetBlend(m_.mode, m_.param);
        MemImgDrawStateData.DrawBright =
            m_.dark ? uint32_t(Int(0, 0xFFFFFE)) | uint32_t(Int(0, 255)) << 24 : 0xFFFFFF | uint32_t(Int(0, 255)) << 24;
        MakeBlendGraphWeightTable(Int(0, 255), Int(0, 255));

        Image fast(W, H, f_.format), ref(W, H, f_.format);
        Randomise(fast.get());
        std::memcpy(ref.get()->Pixels, fast.get()->Pixels, size_t(fast.get()->Pitch) * H);
        const std::vector<unsigned char> initial = fast.Bytes();

        const int tw = Int(1, 12), th = Int(1, 12);
        Image tex(tw, th, f_.format, f_.palette, m_.alpha, 0);
        Randomise(tex.get());
        const int texelBytes = f_.palette ? 1 : (m_.alpha ? 4 : (wide ? 4 : 2));
        if (m_.alpha) {
            // Plenty of fully transparent and fully opaque texels.
            for (int y = 0; y < th; ++y)
                for (int x = 0; x < tw; ++x) {
                    unsigned char* a = tex.at(x, y, 4) + (wide ? 3 : 2);
                    const int pick = Int(0, 3);
                    if (pick == 0) *a = 0;
                    if (pick == 1) *a = 255;
                }
        }
        if (f_.palette) {
            for (int i = 0; i < 256; ++i) tex.get()->PalettePtr[i] = uint32_t(rng_());
        }
        // A key that some texels match.
        const unsigned char* keyTexel = tex.at(Int(0, tw - 1), Int(0, th - 1), texelBytes);
        uint32_t key = 0;
        std::memcpy(&key, keyTexel, size_t(texelBytes == 1 ? 1 : (wide ? 4 : 2)));
        tex.get()->ColorKey = Int(0, 7) == 0 ? uint32_t(rng_()) : key;

        Image blend(tw + Int(0, 3), th + Int(0, 3), MEMIMG_FORMAT_CHANNEL8);
        Randomise(blend.get());

        const bool withDepth = Int(0, 1) == 1;
        MEMIMG depthFast{}, depthRef{};
        if (withDepth) {
            CreateMemImgZBuffer(&depthFast, W, H);
            CreateMemImgZBuffer(&depthRef, W, H);
            for (int i = 0; i < depthFast.Pitch * H; ++i) depthFast.Pixels[i] = uint8_t(Int(0x80, 0xFF));
            std::memcpy(depthRef.Pixels, depthFast.Pixels, size_t(depthFast.Pitch) * H);
        }
        const int depthWrite = Int(0, 1), fanDepthWrite = Int(0, 1);
        const int clip = Int(0, 7) == 0 ? 1 : 0;

        for (int n = 0; n < 2; ++n) {
            Tri t;
            for (auto& v : t) v = RandomVertex();
            MemImgDrawPrimitiveBase(fast.get(), withDepth ? &depthFast : nullptr, tex.get(), t.data(), m_.trans,
                                    m_.blend ? blend.get() : nullptr, depthWrite, fanDepthWrite, f_.vertexColor, clip);
            MemImgDrawPrimitiveReference(ref.get(), withDepth ? &depthRef : nullptr, tex.get(), t.data(), m_.trans,
                                         m_.blend ? blend.get() : nullptr, depthWrite, fanDepthWrite, f_.vertexColor,
                                         clip);
        }
        bool same = fast.Bytes() == ref.Bytes();
        if (withDepth) {
            same = same && std::memcmp(depthFast.Pixels, depthRef.Pixels, size_t(depthFast.Pitch) * H) == 0;
            TerminateMemImg(&depthFast);
            TerminateMemImg(&depthRef);
        }
        *drewSomething = fast.Bytes() != initial;
        return same;
    }

private:
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    float Real(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }
    uint8_t Byte() {
        const int pick = Int(0, 9);
        return pick == 0 ? 0 : (pick <= 2 ? 255 : uint8_t(Int(0, 255)));
    }
    void Randomise(MEMIMG* img) {
        for (int i = 0; i < img->Pitch * img->Height; ++i) img->Pixels[i] = uint8_t(rng_());
    }
    PrimitiveVertex RandomVertex() {
        PrimitiveVertex v;
        v.x = Real(-10, 50);
        v.y = Real(-10, 46);
        v.z = Real(-0.15f, 1.15f);
        v.rhw = Real(0.3f, 2.0f);
        v.b = Byte();
        v.g = Byte();
        v.r = Byte();
        v.a = Byte();
        v.u = Real(-0.2f, 1.2f);
        v.v = Real(-0.2f, 1.2f);
        return v;
    }

    std::mt19937& rng_;
    const Family& f_;
    const Member& m_;
};

TEST(primitiveDifferential, EveryMemberMatchesTheReference) {
    const Family families[] = {
        {"texture 32 palette", MEMIMG_FORMAT_X8R8G8B8, true, 0},
        {"texture 32 direct", MEMIMG_FORMAT_X8R8G8B8, false, 0},
        {"texture 16 palette", MEMIMG_FORMAT_R5G6B5, true, 0},
        {"texture 16 direct", MEMIMG_FORMAT_R5G6B5, false, 0},
        {"colour 32 palette", MEMIMG_FORMAT_X8R8G8B8, true, 1},
        {"colour 32 direct", MEMIMG_FORMAT_X8R8G8B8, false, 1},
        {"colour 16 palette", MEMIMG_FORMAT_R5G6B5, true, 1},
        {"colour 16 direct", MEMIMG_FORMAT_R5G6B5, false, 1},
    };
    std::mt19937 rng(20240611);
    int drawn = 0, runs = 0;
    for (const Family& f : families) {
        for (int mode = 0; mode < 5; ++mode)
            for (int opts = 0; opts < 16; ++opts) {
                const bool alpha = (opts & 2) != 0;
                if (alpha && f.palette) continue;  // palette textures have no alpha
                for (int param : {0, 1, 128, 254, 255}) {
                    const Member m{mode, param, (opts & 8) != 0, (opts & 4) != 0, alpha, (opts & 1) != 0};
                    for (int rep = 0; rep < 2; ++rep) {
                        bool drew = false;
                        Scene scene(rng, f, m);
                        ASSERT_TRUE(scene.Run(&drew))
                            << f.name << " mode " << mode << " param " << param << " blend " << m.blend << " dark "
                            << m.dark << " alpha " << alpha << " trans " << m.trans << " rep " << rep;
                        drawn += drew;
                        ++runs;
                    }
                }
            }
    }
    // The scenes must actually draw, or the comparison proves nothing.
    EXPECT_GT(drawn, runs / 2);
}

}  // namespace
