// The screen back ends as tables of operations, one row per road (software
// screens, 2D surfaces, the 3D device), chosen when graphics start. The drawing front
// ends call the chosen row and never ask which road is active.
#pragma once
#include <cstdint>

struct GraphData;
struct MEMIMG;
struct PrimitiveVertex;

struct ScreenBackEnd {
    const char* name;
    // Drawing on the front screen shows only once it is copied to the window.
    bool frontFollowsWindow;
    int (*bltGraph)(int x, int y, int surface2DHandle, int transFlag);
    int (*drawGraph)(int x, int y, const GraphData* graph, int transFlag);
    int (*bltMemImg)(int x, int y, const MEMIMG* src);
    // The image drawing writes straight into; null when it needs a lock.
    MEMIMG* (*drawImage)();
    int (*drawExtendGraph)(int x1, int y1, int x2, int y2, const GraphData* graph, int transFlag);
    int (*drawRotaGraph)(float x, float y, double exRate, double angle, const GraphData* graph, int transFlag,
                         int turnFlag);
    // Corners top-left, top-right, bottom-left, bottom-right (x, y each).
    int (*drawModiGraph)(const float* corners, const GraphData* graph, int transFlag);
    int (*drawLine)(int x1, int y1, int x2, int y2, uint32_t color);
    int (*drawBox)(int x1, int y1, int x2, int y2, uint32_t color, int fillFlag);
    int (*drawTriangle)(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag);
    int (*drawPrimitive)(const PrimitiveVertex* triangles, int vertexCount, const GraphData* graph, int transFlag,
                         int noTransformFlag, int useDepthFlag);
    int (*drawString)(int x, int y, const char* string, int color, int fontHandle, int edgeColor, int verticalFlag);
    int (*clear)();
    int (*setDrawScreen)(int newScreen, int previousScreen);
    int (*capture)(int x1, int y1, int x2, int y2, const GraphData* graph);
    // Brings the screens' surfaces up to date before 2D work reads or writes
    // them (flips, locks, saves): the 3D road ends its scene here.
    void (*settleFor2D)();
    // Shows the back screen from the device that holds its picture (0); -1
    // leaves the flip to the 2D screens.
    int (*flipBack)();
    // The road's own device: started once the screens exist (0, or -1 when it
    // is refused and the 2D surfaces serve) and stopped before they go. Null
    // on the 2D roads, which draw on the screens themselves.
    int (*start)();
    int (*stop)();
};

// The 3D road's row, kept with the 3D back end.
extern const ScreenBackEnd kDirect3DScreens;
// Start and stop the 3D road through its row; the choice below takes the
// row only between a start that succeeded and the next stop.
int StartDirect3DRoad();
int StopDirect3DRoad();
// Picks the row for the screens the display has just made and the 3D
// device, when it came up.
void ChooseScreenBackEnd();
const ScreenBackEnd& ScreenRoad();
