// Public graph functions: each takes the library lock and runs its inner function.
#include "core/lock.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_handle.h"
#include "graphics/image/color_data.h"
#include "graphics/screen_settings.h"
#include "zovav.h"

// Settings made before start-up; no lock needed.
int SetUseHardwareDrawFlag(int flag) { return SetUseHardwareDrawFlagImpl(flag); }

int GetColor(int red, int green, int blue) {
    return WithLibraryLock([=] { return GetColorImpl(red, green, blue); });
}

// Arithmetic on the caller's records: no lock.
int CreateColorData(ColorData* colorData, int colorBitDepth, uint32_t redMask, uint32_t greenMask,
                    uint32_t blueMask, uint32_t alphaMask) {
    return CreateColorDataImpl(colorData, colorBitDepth, redMask, greenMask, blueMask, alphaMask);
}

int CreatePixelFormat(SurfacePixelFormat* pixelFormat, int colorBitDepth, uint32_t redMask, uint32_t greenMask,
                      uint32_t blueMask, uint32_t alphaMask) {
    return CreatePixelFormatImpl(pixelFormat, colorBitDepth, redMask, greenMask, blueMask, alphaMask);
}

int SetTransColor(int red, int green, int blue) {
    return WithLibraryLock([=] { return SetTransColorImpl(red, green, blue); });
}

int MakeGraph(int sizeX, int sizeY, int notUse3DFlag) {
    return WithLibraryLock([=] { return MakeGraphImpl(sizeX, sizeY, notUse3DFlag); });
}

int DeleteGraph(int grHandle, int logOutFlag) {
    return WithLibraryLock([=] { return DeleteGraphImpl(grHandle, logOutFlag); });
}

int LoadGraph(const char* fileName, int notUse3DFlag) {
    return WithLibraryLock([=] { return LoadGraphImpl(fileName, notUse3DFlag); });
}

int LoadDivGraph(const char* fileName, int allNum, int xNum, int yNum, int xSize, int ySize, int* handleBuf,
                 int notUse3DFlag) {
    return WithLibraryLock(
        [=] { return LoadDivGraphImpl(fileName, allNum, xNum, yNum, xSize, ySize, handleBuf, notUse3DFlag); });
}

int GetGraphSize(int grHandle, int* sizeX, int* sizeY) {
    return WithLibraryLock([=] { return GetGraphSizeImpl(grHandle, sizeX, sizeY); });
}
