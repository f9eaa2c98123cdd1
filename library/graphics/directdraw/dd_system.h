// The screens: the 2D surface device's primary and back surfaces or the
// software (MEMIMG) screens that replace them, the screen-mode change, the
// flip and vertical blank, the draw-target lock and the screen save.
#pragma once
#include <cstdint>

#include "graphics/memimg/memimg_graphics.h"

struct MemSurface;
struct DrawRect;
struct Surface2D;

struct DDSysData {
    int objectExists;          // the surface device (or software screens) is up
    int initialised;
    int memImgScreens;         // primary and back are the MEMIMGs below
    MemSurface* primary;
    MemSurface* back;
    MEMIMG primaryImage, backImage, zImage;
    int frameTime;             // ms of one display frame, -1 unmeasured
    int flipPacingTime;        // -1 when unmeasured or on software screens
    uint32_t lastModeChangeTime;
    int presenterStarted;
    uint64_t frameCounter;
    uint32_t lastPresentTime;
    int windowCopyFlag;        // the window shows a picture newer than the front image
};

DDSysData& GetDDSys();

int InitializeDirectDraw();
int TerminateDirectDraw();
int CreateMainSurfaces();
int ReleaseMainSurfaces();
int RestoreMainSurfaces();
// The software screens' images (null unless the screens are MEMIMGs).
MEMIMG* GetFrontMemImg();
MEMIMG* GetBackMemImg();
MEMIMG* GetBackZMemImg();

// Flip, vertical blank and frame counter.
int ScreenFlipImpl();
int ScreenFlipSoftware();
int WaitVSync(int count);
int ResetFrameCounter();
int IncrementFrameCounter();
uint64_t GetFrameCounter();
int SaveDrawScreenToBMPImpl(int x1, int y1, int x2, int y2, const char* fileName);
// Shows the front screen's pixels in the window.
int PresentFrontScreen();

// Draw-target lock: a MEMIMG view of the draw target (and of a source).
struct DrawTargetLock {
    int directBlitFlag;
    MEMIMG* destImage;
    MEMIMG workImage;
    MemSurface* lockedDest;        // null when nothing was locked
    MemSurface* directSource;
    int directSourceRect[4];
    int directDestX, directDestY;
    MEMIMG* sourceImage;
    MEMIMG sourceView;
    MemSurface* lockedSource;
};
DrawTargetLock& GetDrawTargetLock();
MEMIMG* GetBlendGraphMemImg();
int BeginDrawTargetLock(const Surface2D* source, int directBlitAllowed, const DrawRect* srcRect,
                        const DrawRect* destRect);
// The screens' software-image format (R5G6B5 or X8R8G8B8); surfaces hold
// their pixels in it too.
int ScreenMemImgFormat();
// Views locked surface pixels as a MEMIMG in the screens' format whose
// origin is the pixel at (offsetX, offsetY).
bool ViewLockedPixels(MEMIMG* view, void* pixels, int pitch, int offsetX, int offsetY, int width, int height,
                      uint32_t key);
int EndDrawTargetLock();
int CopyWindowToFrontImage();
int CopyFrontImageToWindow(const DrawRect* rect);
