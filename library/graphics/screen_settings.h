// Screen settings that decide what kind of screens and surfaces are made:
// size, colour depths, hardware or software screens, Direct3D use, and the
// screen's pixel format. The rest of the screen settings come with the screens.
#pragma once
#include <cstdint>

#include "graphics/graphics_core.h"

struct ColorData;
struct SurfacePixelFormat;

// Screen format codes read by the draw-target lock.
enum ScreenFormatCode { SCREEN_FORMAT_R5G6B5 = 0, SCREEN_FORMAT_X1R5G5B5 = 1, SCREEN_FORMAT_X8R8G8B8 = 2,
                        SCREEN_FORMAT_OTHER = 3 };

int SetUseHardwareDrawFlagImpl(int flag);
int SetNotUse3DFlag(int flag);
int GetMemImgScreenFlag();
int GetSoftwareRenderFlag();
// Software screens: MEMIMG screens at a display depth other than 8.
int GetSoftwareScreenFlag();

// Requested screen size and depth (0 keeps the current value).
int SetScreenModeSetting(int width, int height, int colorBitDepth);
int GetRequestedColorBitDepth();
// The display the screens live on: depth 16 or 32, chosen when the display starts.
int SetDisplayColorBitDepth(int colorBitDepth);

int GetWaitVSyncFlag();
int GetUseTempPrimaryFlag();
int SetScreenModeChangedFlag(int flag);

const ColorData* GetScreenColorData();
const SurfacePixelFormat* GetScreenPixelFormatImpl();
int GetScreenFormatCode();

// Back to program-start values (tests, and the display end).
int ResetScreenSettings();
