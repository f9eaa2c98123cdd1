// Clip mode: triangles crossing depth 0 or 1 are cut in homogeneous space and
// drawn as a fan of vertex-coloured triangles.
#include "library/softrender/primitive/prim_fixture.h"

namespace {
using namespace primtest;

struct Drawn {
    std::vector<unsigned char> pixels;
    std::vector<unsigned char> depth;
};

Drawn DrawClipped(const Tri& t, int depthWrite, int fanDepthWrite, int vertexColor, int clip) {
    ResetDrawState(40, 40);
    Image dest(40, 40, MEMIMG_FORMAT_X8R8G8B8);
    MEMIMG depth{};
    EXPECT_EQ(0, CreateMemImgZBuffer(&depth, 40, 40));
    std::memset(depth.Pixels, 0xFF, size_t(depth.Pitch) * 40);
    MemImgDrawPrimitiveBase(dest.get(), &depth, nullptr, t.data(), 0, nullptr, depthWrite, fanDepthWrite,
                            vertexColor, clip);
    Drawn out{dest.Bytes(), std::vector<unsigned char>(depth.Pixels, depth.Pixels + size_t(depth.Pitch) * 40)};
    TerminateMemImg(&depth);
    return out;
}

bool PixelDrawn(const Drawn& d, int x, int y) {
    const int pitch = int(d.pixels.size() / 40);
    for (int i = 0; i < 4; ++i)
        if (d.pixels[size_t(y) * pitch + 4 * x + i]) return true;
    return false;
}

Tri WithZ(float z0, float z1, float z2, uint32_t argb = 0xFFFFFFFF) {
    return Tri{Vtx(0, 0, argb, 0, 0, z0), Vtx(32, 0, argb, 0, 0, z1), Vtx(0, 32, argb, 0, 0, z2)};
}

TEST(primitiveClip, TrianglesWithThreeDepthViolationsDrawNothing) {
    const Tri cases[] = {WithZ(-0.5f, -0.1f, -2), WithZ(-0.5f, -0.1f, 1.5f), WithZ(1.1f, 2, 1.5f)};
    for (const Tri& t : cases) {
        const Drawn d = DrawClipped(t, 1, 1, 1, 1);
        EXPECT_EQ(std::vector<unsigned char>(d.pixels.size(), 0), d.pixels);
        EXPECT_EQ(std::vector<unsigned char>(d.depth.size(), 0xFF), d.depth);
    }
}

TEST(primitiveClip, TrianglesInsideTheDepthRangeDrawAsWithoutClipping) {
    const Tri t = WithZ(0, 0.5f, 1, 0xFF336699);
    const Drawn clipped = DrawClipped(t, 1, 0, 1, 1);
    const Drawn plain = DrawClipped(t, 1, 0, 1, 0);
    EXPECT_EQ(plain.pixels, clipped.pixels);
    EXPECT_EQ(plain.depth, clipped.depth);
}

// A corner beyond either plane is cut off half-way along both its edges.
TEST(primitiveClip, CornerPastNearOrFarPlaneIsCutOff) {
    const struct {
        const char* name;
        float cornerZ;
    } cases[] = {{"near", -0.5f}, {"far", 1.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Tri t = WithZ(c.cornerZ, 0.5f, 0.5f);
        const Drawn clipped = DrawClipped(t, 1, 1, 1, 1);
        const Drawn plain = DrawClipped(t, 1, 1, 1, 0);
        EXPECT_TRUE(PixelDrawn(plain, 3, 3));
        EXPECT_FALSE(PixelDrawn(clipped, 3, 3));
        EXPECT_FALSE(PixelDrawn(clipped, 10, 4));
        EXPECT_TRUE(PixelDrawn(clipped, 20, 4));
        EXPECT_TRUE(PixelDrawn(clipped, 4, 20));
        EXPECT_TRUE(PixelDrawn(clipped, 14, 14));
        // The new edge from (16, 0) to (0, 16): nothing drawn well inside it.
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                if (x + y < 14) {
                    EXPECT_FALSE(PixelDrawn(clipped, x, y)) << x << "," << y;
                }
    }
}

// The clipped pieces write depth by the fan flag, and are drawn with vertex
// colour whatever the caller asked for.
TEST(primitiveClip, FanTrianglesTakeTheFanFlagsAndVertexColour) {
    const Tri crossing = WithZ(-0.5f, 0.5f, 0.5f, 0xFF000000);
    const Tri inside = WithZ(0.25f, 0.5f, 0.5f, 0xFF000000);
    auto depthAt = [&](const Drawn& d) {
        const size_t pitch = d.depth.size() / 40;
        return d.depth[pitch * 10 + 2 * 20] | d.depth[pitch * 10 + 2 * 20 + 1] << 8;
    };
    EXPECT_NE(0xFFFF, depthAt(DrawClipped(crossing, 0, 1, 1, 1)));
    EXPECT_EQ(0xFFFF, depthAt(DrawClipped(crossing, 1, 0, 1, 1)));
    EXPECT_EQ(0xFFFF, depthAt(DrawClipped(inside, 0, 1, 1, 1)));

    // Texture only, black vertices: unclipped shows the white texture, the
    // clipped pieces come out black.
    const Drawn plain = DrawClipped(inside, 1, 1, 0, 1);
    const Drawn cut = DrawClipped(crossing, 1, 1, 0, 1);
    EXPECT_TRUE(PixelDrawn(plain, 20, 4));
    EXPECT_FALSE(PixelDrawn(cut, 20, 4));
    EXPECT_NE(0xFFFF, depthAt(cut));
}

}  // namespace
