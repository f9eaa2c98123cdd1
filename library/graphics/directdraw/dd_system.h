// The screens: the 2D surface device's primary and back surfaces or the
// software (MEMIMG) screens that replace them, the screen-mode change, the
// flip and vertical blank, the draw-target lock and the screen save.
#pragma once
#include <cstdint>

#include "graphics/memimg/memimg.h"

struct MemSurface;
struct DrawRect;
struct Surface2D;

struct DDSysData {
    int objectExists;          // the surface device (or software screens) is up
    int initialised;
    int memImgScreens;         // primary and back are the MEMIMGs below
    MemSurface* primary;
    MemSurface* back;
    MemSurface* work;
    MemSurface* work2;
    MEMIMG primaryImage, backImage, zImage;
    MemSurface* drawTargetSurface;
    int frameTime;             // ms of one display frame, -1 unmeasured
    int refreshRate;
    int flipPacingTime;        // -1 when unmeasured or on software screens
    uint32_t lastModeChangeTime;
    int gdiSurfaceState;
    int endSceneFlag;
    int mmxFlag;
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
MemSurface* GetFrontSurface();
MemSurface* GetBackSurface();
MemSurface* GetWorkSurface();
MemSurface* GetDrawTargetSurface();
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
    int convertFlag;
    int clipped[4];
    MEMIMG* destImage;
    MEMIMG workImage;
    int destLockedFlag;
    MemSurface* lockedDest;
    MemSurface* directSource;
    int directSourceRect[4];
    int directDestX, directDestY;
    MEMIMG* sourceImage;
    MEMIMG sourceView;
    int sourceLockedFlag;
    MemSurface* lockedSource;
};
DrawTargetLock& GetDrawTargetLock();
MEMIMG* GetBlendGraphMemImg();
int BeginDrawTargetLock(const Surface2D* source, int directBlitAllowed, const DrawRect* srcRect,
                        const DrawRect* destRect, int directLockFlag, uint32_t* color1, uint32_t* color2);
int EndDrawTargetLock();
int CopyWindowToFrontImage();
int CopyFrontImageToWindow(const DrawRect* rect);
