// The mask screen: a screen-sized byte mask that can limit drawing. Nothing
// creates it yet, so the mask stays inactive; its state, getters and clean-up
// are what the rest of graphics relies on.
#pragma once

struct MEMIMG;
struct MemSurface;

void ResetMaskScreenState();      // graphics start: not created, in use
int SetUseMaskScreenFlag(int flag);
int GetUseMaskScreenFlag();
int GetMaskActiveFlag();
MemSurface* GetMaskSurface();
MEMIMG* GetMaskMemImg();
int CreateMaskScreen(int makeBufferFlag, int makeSurfaceFlag);
int DeleteMaskScreen();
int ReleaseMaskSurface();
int ReCreateMaskSurface();
int DeleteAllMaskData();
int DeleteMaskData(int handle);
