// The surface back end's graph operations: surfaces made, derived, filled,
// restored and deleted for graphs that are not textures, image transfers and
// movie frames.
#pragma once

struct GraphData;
struct GraphImage;
struct ImageRect;

int G_DD_InitializeGraphics();
int G_DD_TerminateGraphics();
int G_DD_MakeGraph(GraphData* graph);
int G_DD_DerivationGraph(GraphData* graph, int x, int y, int width, int height, const GraphData* parent);
int G_DD_DeleteGraph(GraphData* graph);
int G_DD_BltGraphImageToGraph(GraphData* graph, const GraphImage* image, const GraphImage* alphaImage, int srcX,
                              int srcY, int transFlag);
int G_DD_BltGraphImageToGraphRect(GraphData* graph, const GraphImage* image, const GraphImage* alphaImage,
                                  const ImageRect* srcRect, int destX, int destY, int transFlag);
int G_DD_RestoreGraph(GraphData* graph);
int G_DD_FillGraph(GraphData* graph, int red, int green, int blue, int alpha);
// Copies a movie frame into the pixels of the graph's surface data.
int G_DD_UpdateMovieFrame(const GraphImage* frame, GraphData* graph);
