// The draw state every drawing operation reads: draw screen and area, blend
// mode, blend graph, draw brightness, filter mode and the 3D transforms.
#pragma once
#include <cstdint>

struct GraphData;

struct DrawRect {
    int left, top, right, bottom;
};

struct GraphDrawState {
    int DrawScreen;
    DrawRect DrawScreenRect;          // where the draw screen lies on its surface
    int DrawSizeX, DrawSizeY;
    DrawRect DrawArea;                // left/top inclusive, right/bottom exclusive
    int DrawAreaEmptyFlag;
    int BlendMode;
    int BlendParam;
    int BlendGraph;
    int BlendGraphBorderParam, BlendGraphBorderRange;
    uint32_t DrawBright;              // 0x00RRGGBB
    int DrawMode;
    float World[4][4], View[4][4], Projection[4][4], Viewport[4][4];
    float TransformMatrix[4][4], BillboardMatrix[4][4];
};

// Fresh defaults of a graphics start (draw screen front, nothing drawn yet).
void ResetGraphDrawState();
const GraphDrawState& GetGraphDrawState();

int SetDrawScreenImpl(int screen);
int GetDrawScreenImpl();
int GetDrawScreen();
// Sets the draw screen without waiting for the window to be active.
int SelectDrawScreen(int screen);
// A graph about to be deleted stops being the draw screen: drawing goes to
// the back screen.
void ForgetDrawScreenGraph(int grHandle);
int SetDrawArea(int x1, int y1, int x2, int y2);
int GetDrawArea(DrawRect* rect);
int SetDrawScreenRect(const DrawRect* rect);
int SetDrawBlendModeImpl(int mode, int param);
int SetDrawBrightImpl(int red, int green, int blue);
void SetDrawBrightColor(uint32_t color);
// -1, changing nothing, for an invalid graph or one the 3D road cannot hold.
int SetBlendGraph(int graph, int borderParam, int borderRange);
// A graph about to be deleted stops being the blend graph: later draws go unweighed.
void ForgetBlendGraph(int grHandle);
int SetDrawMode(int mode);
int GetDrawMode();

enum class DrawTransform { World, View, Projection, Viewport };
// Sets one of the four matrices (16 floats, row by row) and recomputes the
// combined transform and the billboard matrix.
int SetDrawTransform(DrawTransform which, const float* m);
void CreateIdentityMatrix(float out[4][4]);
void CreateLookAtMatrix(float out[4][4], const float eye[3], const float target[3], const float up[3]);
void MultiplyMatrix(float out[4][4], const float a[4][4], const float b[4][4]);
int CreatePerspectiveFovMatrix(float out[4][4], float fov, float zNear, float zFar);
void CreateViewportMatrix(float out[4][4], float cx, float cy, float width, float height);
void NormalizeVector(float out[3], const float in[3]);

// What the 3D road follows of the draw state while it is up: the draw area
// (as its viewport), the draw mode (as its texture filter), the world, view
// and projection matrices (the viewport matrix is the front end's own) and
// the blend graph (null for none) with its border parameter and range, which
// the road may refuse (-1: the draw state keeps the blend graph it had).
struct DrawStateSink {
    void (*drawArea)();
    void (*drawMode)(int mode);
    void (*transform)(DrawTransform which, const float* m);
    int (*blendGraph)(GraphData* graph, int borderParam, int borderRange);
};
// Null when nothing follows.
void RegisterDrawStateSink(const DrawStateSink* sink);

// Copies the draw state into the software renderer's record; every setter
// calls it, and so does the screen code when targets or screens change.
void SyncSoftRenderDrawState();
