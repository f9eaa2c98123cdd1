// Drawing front ends: they check the graph and the draw state, keep a
// software front screen and the window in step, and hand each draw to the
// surface back end or the software renderer.
#pragma once
#include <cstdint>

struct DrawRect;

// A vertex of the 2D primitive front end.
#pragma pack(push, 1)
struct DrawVertex2D {
    float x, y, u, v;
    uint8_t b, g, r, a;
};
#pragma pack(pop)

int ClearDrawScreenImpl();
int DrawGraphImpl(int x, int y, int graph, int transFlag);
int DrawRotaGraphImpl(int x, int y, double exRate, double angle, int graph, int transFlag, int turnFlag);
int DrawLineImpl(int x1, int y1, int x2, int y2, int color, int thickness);
int DrawBoxImpl(int x1, int y1, int x2, int y2, int color, int fillFlag);
int DrawTriangleImpl(int x1, int y1, int x2, int y2, int x3, int y3, int color, int fillFlag);
int DrawStringImpl(int x, int y, const char* string, int color, int edgeColor);
int DrawStringToHandleImpl(int x, int y, const char* string, int color, int fontHandle, int edgeColor,
                           int verticalFlag);
int GetDrawScreenGraphImpl(int x1, int y1, int x2, int y2, int graph, int useClientFlag);
int RectClippingImpl(DrawRect* rect, const DrawRect* clip);

int DrawExtendGraph(int x1, int y1, int x2, int y2, int graph, int transFlag);
int DrawRotaGraphF(float x, float y, double exRate, double angle, int graph, int transFlag, int turnFlag);
// Corners: top-left, top-right, bottom-right, bottom-left.
int DrawModiGraphF(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                   int transFlag);
int DrawTurnGraph(int x, int y, int graph, int transFlag);
int DrawRectGraph(int destX, int destY, int srcX, int srcY, int width, int height, int graph, int transFlag,
                  int turnFlag);
int DrawRectExtendGraph(int destX1, int destY1, int destX2, int destY2, int srcX, int srcY, int srcWidth,
                        int srcHeight, int graph, int transFlag);
// Types 4 triangle list, 5 strip, 6 fan; graph -5 for none.
int DrawPrimitive2D(const DrawVertex2D* vertices, int count, int type, int graph, int transFlag);
int FillGraph(int graph, int red, int green, int blue, int alpha);
int RectAdjust(DrawRect* rect);
// Rectangles of draws far off the screen are worked out wide: edges past the
// int limits are clamped to them rather than wrapped (NaN counts as INT_MIN).
int ClampedToInt(double value);
DrawRect ClampedRect(double left, double top, double right, double bottom);
int GetRectSize(const DrawRect* rect, int* width, int* height);
