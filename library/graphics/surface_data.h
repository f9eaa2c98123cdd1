// Surface data records: one block of pixels (a memory surface of the 2D
// device or a MEMIMG) with its colour key, Z buffer, lock state and reference
// count, shared by the graphs that view it.
#pragma once
#include <cstdint>

#include "graphics/memimg/memimg_graphics.h"

struct ColorData;
struct MemSurface;
struct SurfaceRect;
struct Texture3D;
struct TextureSurfaces;

// The eight creation bytes a graph passes on to its surfaces.
struct GraphSurfaceSettings {
    uint8_t TextureFlag;
    uint8_t AlphaFlag;
    uint8_t DrawValidFlag;
    uint8_t SystemMemFlag;
    uint8_t AlphaTestFlag;
    uint8_t ColorBitDepth;
    uint8_t Reserved;
    uint8_t PaletteFlag;
};

enum SurfaceKindCode {
    SURFACE_KIND_PLAIN = 9,
    SURFACE_KIND_MEMIMG16 = 10,
    SURFACE_KIND_MEMIMG16_ALPHA = 11,
    SURFACE_KIND_MEMIMG32 = 12,
    SURFACE_KIND_MEMIMG32_ALPHA = 13,
};

struct SurfaceData {
    int Serial;
    int* LostFlag;
    GraphSurfaceSettings Settings;
    int UseMemImgFlag;
    int SurfaceKind;
    int ZBufferFlag;
    MemSurface* Surface;       // null for MEMIMG records and textures
    Texture3D* Texture;        // the 3D device's texture of a texture record
    // The row that made Texture: the 3D road takes its rows back before it
    // deletes its textures.
    const TextureSurfaces* TextureRow;
    MEMIMG MemImg;
    MemSurface* ZSurface;
    MEMIMG ZMemImg;
    uint32_t TransColor;       // 0x00RRGGBB in force when the record was made
    uint16_t Width, Height;
    int RefCount;
    int LockPitch;
    void* LockPixels;
    int LockCount;
};

int InitializeSurfaceDataTable();
int TerminateSurfaceDataTable();   // deletes what is left
int AddSurfaceData(int refCount, int width, int height, uint32_t transColor, const GraphSurfaceSettings* settings);
int DeleteSurfaceData(int handle);
int IncSurfaceRefCount(int handle);
int DecSurfaceRefCount(int handle);
SurfaceData* GetSurfaceData(int handle);
int CreateSurfaceDataSurface(int handle);
int ReleaseSurfaceDataSurface(int handle);
int SetSurfaceZBuffer(int handle, int flag);
int SetSurfaceColorKey(int handle);
int RestoreSurfaceData(int handle);
int LockSurfaceData(int handle, int* pitch, void** pixels, int writeOnlyFlag, const SurfaceRect* rect,
                    const ColorData** colorData);
int UnlockSurfaceData(int handle);
int FillSurfaceData(int handle, int red, int green, int blue, int alpha);
int GetSurfaceDataCount();
