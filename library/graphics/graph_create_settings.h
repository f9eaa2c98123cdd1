// The settings that shape graphs made later (Direct3D use, draw-valid,
// alpha test, memory placement, colour depth, MakeGraph alpha) and the
// transparent colour given to new surfaces.
#pragma once
#include <cstdint>

int SetUse3DFlag(int flag);
int GetUse3DFlag();
int GetUse3DSetting();           // the stored flag alone
int SetDrawValidGraphCreateFlag(int flag);
int GetDrawValidGraphCreateFlag();
int SetGraphAlphaTestCreateFlag(int flag);
int GetGraphAlphaTestCreateFlag();
int SetSystemMemGraphCreateFlag(int flag);
int GetSystemMemGraphCreateFlag();
int SetUseSystemMemGraphCreateFlag(int flag);
int SetGraphColorBitDepth(int depth);
int GetGraphColorBitDepth();
int SetMakeGraphAlphaFlag(int flag);
int GetMakeGraphAlphaFlag();

int SetTransColorImpl(int red, int green, int blue);
uint32_t GetTransColor();        // 0x00RRGGBB

// Direct3D is started by the 3D back end; until then it is never up.
int GetDirect3DUpFlag();

// Defaults of a fresh graphics start.
void ResetGraphCreateSettings();
