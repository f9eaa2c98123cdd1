// MEMIMG software images as graphics sees them: pixel formats, screens,
// clearing, and transfers between images and graph images.
#pragma once
#include <cstdint>

#include "softrender/memimg.h"

struct GraphImage;
struct ImageRect;
struct SurfacePixelFormat;

int CreateMemImgScreen(MEMIMG* img, int width, int height, int format);
void ClearMemImg(MEMIMG* img, const ImageRect* rect, uint32_t value);
int BltMemImg(MEMIMG* dest, const MEMIMG* src, const ImageRect* srcRect, int destX, int destY);
void BltGraphImageToMemImg(const GraphImage* image, const GraphImage* alphaImage, MEMIMG* img, int srcX,
                           int srcY, int width, int height, int destX, int destY, int keyFlag);
void BltMemImgToGraphImage(GraphImage* image, const MEMIMG* img, int srcX, int srcY, int width, int height,
                           int destX, int destY, int keyArg, int lastArg);
const SurfacePixelFormat* GetMemImgPixelFormat(int format, int alphaFlag, int paletteFlag);
