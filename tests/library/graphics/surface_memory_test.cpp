// The memory surface device: formats, locks, colour-key blits and fills,
// clipped to both surfaces.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/surface_memory.h"

namespace {

SurfacePixelFormat Format(int bits) {
    SurfacePixelFormat f{};
    f.Size = 32;
    f.Flags = SURFACE_PF_RGB;
    f.RGBBitCount = uint32_t(bits);
    return f;
}

uint32_t At32(MemSurface* s, int x, int y) {
    int pitch = 0;
    void* p = nullptr;
    MemSurfaceLock(s, nullptr, &pitch, &p);
    uint32_t v;
    std::memcpy(&v, static_cast<char*>(p) + y * pitch + x * 4, 4);
    MemSurfaceUnlock(s);
    return v;
}

struct Device {
    Device() { MemSurfaceDeviceStart(); }
    ~Device() { MemSurfaceDeviceEnd(); }
};

}  // namespace

TEST(SurfaceMemory, RefusesWithoutDeviceOrWithBadSizes) {
    SurfacePixelFormat f = Format(32);
    EXPECT_EQ(MemSurfaceCreate(4, 4, &f, 0), nullptr);
    Device dev;
    EXPECT_EQ(MemSurfaceCreate(0, 4, &f, 0), nullptr);
    SurfacePixelFormat odd = Format(12);
    EXPECT_EQ(MemSurfaceCreate(4, 4, &odd, 0), nullptr);
    MemSurface* s = MemSurfaceCreate(3, 2, &f, 1);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(MemSurfaceInVideoMemory(s), 1);
    SurfaceRect outside{2, 0, 4, 1};
    int pitch = 0;
    void* p = nullptr;
    EXPECT_EQ(MemSurfaceLock(s, &outside, &pitch, &p), -1);
    EXPECT_EQ(MemSurfaceLock(s, nullptr, &pitch, &p), 0);
    EXPECT_EQ(MemSurfaceLock(s, nullptr, &pitch, &p), -1);   // already locked
    EXPECT_EQ(MemSurfaceUnlock(s), 0);
    EXPECT_EQ(MemSurfaceUnlock(s), -1);
    MemSurfaceRelease(s);
    EXPECT_EQ(MemSurfaceCount(), 0);
}

TEST(SurfaceMemory, ColourKeyBlitAndFillAreClipped) {
    Device dev;
    SurfacePixelFormat f = Format(32);
    MemSurface* src = MemSurfaceCreate(2, 2, &f, 0);
    MemSurface* dst = MemSurfaceCreate(3, 3, &f, 0);
    MemSurfaceColorFill(dst, nullptr, 0x11111111);
    MemSurfaceColorFill(src, nullptr, 0xAAAAAAAA);
    SurfaceRect one{1, 1, 2, 2};
    MemSurfaceColorFill(src, &one, 0x00FF00FF);
    MemSurfaceSetColorKey(src, 0x00FF00FF);
    // Placed at (2, 2): only the top-left source pixel lands.
    EXPECT_EQ(MemSurfaceBlt(dst, 2, 2, src, nullptr, 1), 0);
    EXPECT_EQ(At32(dst, 2, 2), 0xAAAAAAAAu);
    EXPECT_EQ(At32(dst, 1, 1), 0x11111111u);
    // Keyed pixel skipped, others copied; negative position clipped.
    EXPECT_EQ(MemSurfaceBlt(dst, -1, -1, src, nullptr, 1), 0);
    EXPECT_EQ(At32(dst, 0, 0), 0x11111111u);
    EXPECT_EQ(MemSurfaceBlt(dst, -1, -1, src, nullptr, 0), 0);
    EXPECT_EQ(At32(dst, 0, 0), 0x00FF00FFu);
    SurfaceRect big{-5, 1, 50, 2};
    MemSurfaceColorFill(dst, &big, 0x22);
    EXPECT_EQ(At32(dst, 2, 1), 0x22u);
    EXPECT_EQ(At32(dst, 2, 2), 0xAAAAAAAAu);
    SurfacePixelFormat f16 = Format(16);
    MemSurface* other = MemSurfaceCreate(2, 2, &f16, 0);
    EXPECT_EQ(MemSurfaceBlt(dst, 0, 0, other, nullptr, 0), -1);   // formats must match
    MemSurfaceRelease(other);
    MemSurfaceRelease(src);
    MemSurfaceRelease(dst);
}
