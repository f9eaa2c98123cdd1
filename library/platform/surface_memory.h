// The 2D surface device: off-screen surfaces kept in memory, in the pixel
// format asked for, with lock/unlock, source-colour-key blits and colour fills.
// Surfaces are never lost.
#pragma once
#include <cstdint>

#include "zovav.h"

// The pixel-format description is the library's public record.
static_assert(sizeof(SurfacePixelFormat) == 32, "the description keeps its 32-byte layout");

constexpr uint32_t SURFACE_PF_ALPHAPIXELS = 0x1;
constexpr uint32_t SURFACE_PF_FOURCC = 0x4;
constexpr uint32_t SURFACE_PF_RGB = 0x40;

struct SurfaceRect {
    int left, top, right, bottom;
};

struct MemSurface;

// The device exists between start and end; surfaces need it.
int MemSurfaceDeviceStart();
int MemSurfaceDeviceEnd();
int MemSurfaceDeviceExists();
// While set, starting the device fails (a machine without a usable device).
void MemSurfaceDeviceRefuse(int refuse);
int MemSurfaceCount();   // live surfaces, for the end-of-run check

// Bit counts 8, 16, 24 or 32. videoMemory is only a placement wish that is
// reported back by MemSurfaceInVideoMemory. Null on failure.
MemSurface* MemSurfaceCreate(int width, int height, const SurfacePixelFormat* format,
                             int videoMemory);
void MemSurfaceRelease(MemSurface* surface);

int MemSurfaceGetSize(const MemSurface* surface, int* width, int* height);
const SurfacePixelFormat* MemSurfaceGetFormat(const MemSurface* surface);
int MemSurfaceInVideoMemory(const MemSurface* surface);

// Lock gives the pitch and the address of the rectangle's first pixel (the
// whole surface for null). -1 when already locked or the rectangle is outside.
int MemSurfaceLock(MemSurface* surface, const SurfaceRect* rect, int* pitch, void** pixels);
int MemSurfaceUnlock(MemSurface* surface);

// Source colour key used by blits that ask for it.
int MemSurfaceSetColorKey(MemSurface* surface, uint32_t key);
int MemSurfaceGetColorKey(const MemSurface* surface, uint32_t* key);

// Copies srcRect (null: whole source) of src to (x, y) of dest, clipped to both
// surfaces; both must have the same bit count. With useColorKey pixels equal
// to the source's colour key are skipped.
int MemSurfaceBlt(MemSurface* dest, int x, int y, MemSurface* src, const SurfaceRect* srcRect,
                  int useColorKey);
// Stores value into every pixel of rect (null: whole surface), clipped.
int MemSurfaceColorFill(MemSurface* surface, const SurfaceRect* rect, uint32_t value);
