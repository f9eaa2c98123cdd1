// 2D surfaces: a graph's (or glyph cache's) rectangle of a shared surface
// data record, and the transfer of decoded images into it.
#pragma once
#include <cstdint>

struct GraphImage;
struct GraphSurfaceSettings;
struct ImageRect;

struct Surface2D {
    int Serial;
    int* LostFlag;
    int Reserved;
    uint16_t X, Y;         // position within its owner
    uint16_t SrcX, SrcY;   // position inside the shared surface data
    uint16_t Width, Height;
    int OwnerHandle;       // graph handle, -1 for a glyph cache
    int SurfaceDataHandle;
};

int InitializeSurface2DTable();
int TerminateSurface2DTable();
int AddSurface2D(int width, int height, int x, int y, int ownerHandle, const Surface2D* parent, int srcX, int srcY,
                 const GraphSurfaceSettings* settings);
int DeleteSurface2D(int handle);
Surface2D* GetSurface2D(int handle);
int SetSurface2DLostFlag(int handle, int* flag);
int GetSurface2DCount();
// Deletes every 2D surface (screen mode change, graphics end); -1 when no
// surfaces can exist.
int DeleteAllSurface2D();

// The image rectangle (x, y, x + width, y + height) goes to the record's
// place in its surface data. transFlag turns the transparent colour into
// alpha 0 on graphs with an alpha channel.
int BltGraphImageToSurface2D(const GraphImage* image, const GraphImage* alphaImage, int x, int y, int handle,
                             int transFlag);
int BltGraphImageToSurface2DRect(const GraphImage* image, const GraphImage* alphaImage, const ImageRect* srcRect,
                                 int destX, int destY, int handle, int transFlag);
