// Texture graphs on the 3D road: dividing a graph into texture pieces,
// making and deleting them, and queuing plain graph draws into the batch.
#pragma once

struct GraphData;

constexpr int kD3DMaxPieces = 64;

// Sizes of the textures one length is divided into (sizes may be null);
// returns their count.
int DivideTextureSize(int length, int* sizes, int forceMax);
int G_D3D_CreateGraph(GraphData* graph);
int G_D3D_DeleteGraph(GraphData* graph);
// (x, y): the graph's top-left pixel on the draw screen.
int G_D3D_DrawGraph(int x, int y, const GraphData* graph, int transFlag, int intFlag);
