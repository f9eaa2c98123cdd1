// Texture graphs on the 3D road: dividing a graph into texture pieces,
// making, deriving, filling and deleting them, and the graph draws that
// queue each piece as two triangles.
#pragma once
#include <cstdint>

struct GraphData;
struct GraphImage;
struct ImageRect;
struct D3DVertexTex1;
struct GraphStorage;

// The texture row of the graph storage table.
extern const GraphStorage kTextureGraphStorage;

constexpr int kD3DMaxPieces = 64;

// Sizes of the textures one length is divided into (sizes may be null);
// returns their count.
int DivideTextureSize(int length, int* sizes, int forceMax);
int G_D3D_InitGraphics();
int G_D3D_CreateGraph(GraphData* graph);
// The new graph's pieces as views of the source's textures; (x, y, width,
// height) is the rectangle of the source it shows.
int G_D3D_DerivationGraph(GraphData* graph, int x, int y, int width, int height, const GraphData* source);
int G_D3D_DeleteGraph(GraphData* graph);
// The image's pixels from (x, y) on into every piece.
int G_D3D_BltImageToGraph(const GraphImage* image, const GraphImage* alphaImage, int x, int y, GraphData* graph,
                          int transFlag);
// A rectangle of the image to (destX, destY) of the graph.
int G_D3D_BltImageRectToGraph(const GraphImage* image, const GraphImage* alphaImage, const ImageRect* srcRect,
                              int destX, int destY, GraphData* graph, int transFlag);
int G_D3D_FillGraph(GraphData* graph, int red, int green, int blue, int alpha);
// A movie's current frame into every piece of the graph it plays into.
int G_D3D_UpdateMovieFrame(const GraphImage* frame, GraphData* graph);
int G_D3D_RestoreGraph(GraphData* graph);
// Holds a graph of several pieces as one texture of its size (padded where
// the device takes only powers of two or squares): the pieces are copied
// into it and give way to it, so graphs derived from the graph before keep
// the old textures. 0 when the graph is one piece or became one; -1
// (logged), the graph unchanged, when the device has no texture that large.
int G_D3D_JoinPieces(GraphData* graph);

// Draws (x, y and the corners are draw-screen pixels; the 3D system must be up).
int G_D3D_DrawGraph(int x, int y, const GraphData* graph, int transFlag, int intFlag);
int G_D3D_DrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int transFlag, int intFlag);
int G_D3D_DrawRotaGraph(float x, float y, double scale, double angle, const GraphData* graph, int transFlag,
                        int turnFlag);
// Corners top-left, top-right, bottom-left, bottom-right.
int G_D3D_DrawModiGraph(const float* corners, const GraphData* graph, int transFlag);
// The rectangle (srcX, srcY, width, height) of the graph with its top-left
// texel on the pixel (x, y); turned a quarter clockwise (turnFlag 1), the
// texel (srcX + c, srcY + r) lands on the pixel (x - r, y + c). Clipped by
// the viewport, which is the draw area.
int G_D3D_DrawRectGraph(int x, int y, int srcX, int srcY, int width, int height, const GraphData* graph,
                        int transFlag, int turnFlag);
// The grid of columns x rows one-texture vertices as triangle strips.
int G_D3D_DrawGridStrip(const D3DVertexTex1* vertices, int columns, int rows);
// Caller's triangles (three one-texture vertices each) with the graph's
// first piece as texture, or untextured for a null graph.
int G_D3D_DrawPolygon(const D3DVertexTex1* vertices, int triangles, const GraphData* graph, int transFlag);
// The blend graph that graph draws go through (null: none), laid over each
// drawn graph from its top-left pixel: a texture graph of several pieces is
// joined into one texture first (G_D3D_JoinPieces), which becomes the
// device's blend texture. A graph kept on a surface gives the device none
// (graph draws through it then fail). -1, changing nothing, for a texture
// graph that cannot be one texture or has a dead piece.
int G_D3D_SetBlendGraph(GraphData* graph, int param, int range);
// The diffuse colour of graph draws: blend parameter as alpha (opaque in the
// modes without one), brightness as colour.
uint32_t G_D3D_DrawColor();
