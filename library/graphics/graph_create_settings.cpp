// Graph creation settings and the transparent colour, kept in one record
// that every graphics start resets to its defaults.
#include "graphics/graph_create_settings.h"

#include "graphics/graphics_core.h"
#include "graphics/screen_settings.h"

namespace {

struct GraphCreateState {
    int use3D = 1;
    int drawValid = 0;
    int alphaTest = 1;
    int systemMem = 0;
    int colorBitDepth = 0;
    int makeGraphAlpha = 0;
    uint32_t transColor = 0;
};
GraphCreateState g_create;

}  // namespace

void ResetGraphCreateSettings() {
    g_create = GraphCreateState();
    g_create.systemMem = GetUseHardwareDrawFlag() ? 1 : 0;
}

int SetUse3DFlag(int flag) {
    if (!GetDirectDrawObjectExists()) SetNotUse3DFlag(1 - flag);
    g_create.use3D = flag;
    return 0;
}

int GetUse3DFlag() {
    return g_create.use3D == 1 && GetDirect3DUpFlag() && !GetMemImgScreenFlag() ? 1 : 0;
}
int GetUse3DSetting() { return g_create.use3D; }

int SetDrawValidGraphCreateFlag(int flag) {
    g_create.drawValid = flag;
    return 0;
}
int GetDrawValidGraphCreateFlag() { return g_create.drawValid; }

int SetGraphAlphaTestCreateFlag(int flag) {
    g_create.alphaTest = flag;
    return 0;
}
int GetGraphAlphaTestCreateFlag() { return g_create.alphaTest; }

int SetSystemMemGraphCreateFlag(int flag) {
    g_create.systemMem = GetUseHardwareDrawFlag() ? 1 : flag;
    return 0;
}
int GetSystemMemGraphCreateFlag() { return g_create.systemMem; }

int SetUseSystemMemGraphCreateFlag(int flag) { return SetSystemMemGraphCreateFlag(flag != 1 ? 1 : 0); }

int SetGraphColorBitDepth(int depth) {
    g_create.colorBitDepth = depth;
    return 0;
}
int GetGraphColorBitDepth() { return g_create.colorBitDepth; }

int SetMakeGraphAlphaFlag(int flag) {
    g_create.makeGraphAlpha = flag;
    return 0;
}
int GetMakeGraphAlphaFlag() { return g_create.makeGraphAlpha; }

int SetTransColorImpl(int red, int green, int blue) {
    if (GetDisplayColorBitDepth() == 8) return 0;
    g_create.transColor = uint32_t(red & 0xFF) << 16 | uint32_t(green & 0xFF) << 8 | uint32_t(blue & 0xFF);
    return 0;
}
uint32_t GetTransColor() { return g_create.transColor; }
