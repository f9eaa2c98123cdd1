// Graph handles and graph records: making, deleting and loading graphs,
// restoring them after a device loss, and the accessors other graphics code uses.
#pragma once
#include <cstddef>
#include <cstdint>

#include "graphics/surface_data.h"
#include "zovav.h"   // SCREEN_BACK, SCREEN_FRONT

struct GraphImage;
struct ImageRect;

constexpr int GRAPH_TABLE_SLOTS = 32768;

struct GraphStorage;

struct GraphData {
    int Serial;
    int* LostFlag;
    int Handle;
    GraphSurfaceSettings Settings;   // TextureFlag .. PaletteFlag
    int ReverseFlag;
    int SurfaceHandle;               // the 2D surface (or texture) behind the graph
    char FileName[64];
    char FileDir[256];
    int SrcX, SrcY;                  // place of this graph's image in the file's image
    int Width, Height;
    int MovieHandle;
    int RestoreFlag;
    void* OwnedBuffer;
    int PieceCount;                  // 3D surfaces of a texture graph, row by row
    int Pieces[64];
    const GraphStorage* Storage;     // where the pixels live, chosen when the graph is made
};

int InitializeGraphTable();
int TerminateGraphTable();
int GetGraphCount();
// Walks the table's slots: a slot past the last used one, and the record in
// a slot (null when free).
int GetGraphSlotEnd();
GraphData* GetGraphDataAtSlot(int slot);

int MakeGraphImpl(int sizeX, int sizeY, int notUse3DFlag);
int DeleteGraphImpl(int grHandle, int logOutFlag);
int LoadGraphImpl(const char* fileName, int notUse3DFlag);
int LoadDivGraphImpl(const char* fileName, int allNum, int xNum, int yNum, int xSize, int ySize, int* handleBuf,
                     int notUse3DFlag);
int GetGraphSizeImpl(int grHandle, int* sizeX, int* sizeY);

int MakeGraphCore(int width, int height, int textureAllowed, int alphaFlag, int paletteFlag);
int AddGraphHandle(int width, int height, int textureAllowed, int ignored, GraphData** out, int alphaFlag,
                   int paletteFlag);
int InitGraph(int logOutFlag);
int SetGraphLostFlag(int grHandle, int* flag);
// Records the name, mirror flag and source position, then hands the image
// to the graph's back end.
int BltGraphImageToGraph(const char* fileName, const GraphImage* image, const GraphImage* alphaImage, int srcX,
                         int srcY, int grHandle, int reverseFlag, int transFlag);
// The glyph cache's way in: a rectangle of an image to a point of the graph;
// the graph remembers the file (empty for none) and the current directory.
int BltGraphImageRectToGraph(const char* fileName, const GraphImage* image, const GraphImage* alphaImage,
                             const ImageRect* srcRect, int destX, int destY, int grHandle, int reverseFlag,
                             int transFlag);
// movieParam: the surface mode a movie file is opened with.
int LoadGraphCore(const char* fileName, int textureAllowed, int reverseFlag, int movieParam);
int LoadDivGraphCore(const char* fileName, int allNum, int xNum, int yNum, int xSize, int ySize, int* handleBuf,
                     int textureAllowed, int reverseFlag);
int RestoreGraphSurfaces(int grHandle);
GraphData* GetGraphData(int grHandle);
int GetGraphHandleOfData(const GraphData* data);
int GetScreenState(int* width, int* height, int* colorBitDepth);
// Bounded copy of a C string into a fixed field (always terminated).
void CopyGraphText(char* dest, size_t destSize, const char* src);
