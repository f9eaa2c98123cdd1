// Graph images: decoded pixel buffers with their ColorData, the loader chain
// that fills them from files or memory, the "_a" alpha companion, mirroring
// and the bitmap (DIB) form.
#pragma once
#include <cstddef>
#include <cstdint>

#include "graphics/image/color_data.h"

struct StreamReader;

struct GraphImage {
    ColorData ColorInfo;
    int32_t Width;
    int32_t Height;
    int32_t Pitch;
    void* Pixels;   // owned, from ZvAlloc; rows top to bottom
};

// 0 when the data was this loader's format and decoded; -1 otherwise.
using ImageLoader = int (*)(StreamReader* reader, GraphImage* image);

// Largest width or height any decoder accepts.
constexpr int GRAPH_IMAGE_MAX_SIZE = 65535;

int InitGraphImage(int width, int height, GraphImage* image);
int ReleaseGraphImage(GraphImage* image);
int FillGraphImage(GraphImage* image, int r, int g, int b, int a);
// The pixel at x, y as 0xAARRGGBB (channels shifted to 8 bits); 0 outside
// or without pixels.
uint32_t GetGraphImagePixel(const GraphImage* image, int x, int y);
int ReverseGraphImage(GraphImage* image);

// Up to 10 user loaders tried ahead of the built-in ones.
int AddUserImageLoader(ImageLoader loader);
int CallImageLoaders(StreamReader* reader, GraphImage* image);
int GetUserImageLoaderCount();

// The device-independent bitmap form: a 40-byte header (negative height =
// top-down rows) followed by room for 256 palette entries.
struct BitmapInfoHeader {
    uint32_t Size;
    int32_t Width;
    int32_t Height;
    uint16_t Planes;
    uint16_t BitCount;
    uint32_t Compression;
    uint32_t SizeImage;
    int32_t XPelsPerMeter;
    int32_t YPelsPerMeter;
    uint32_t ClrUsed;
    uint32_t ClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "bitmap header keeps its file layout");
struct BitmapInfo {
    BitmapInfoHeader Header;
    ColorPaletteEntry Colors[256];   // BI_BITFIELDS keeps its three masks in the first three
};
constexpr uint32_t BITMAP_RGB = 0;
constexpr uint32_t BITMAP_BITFIELDS = 3;

int OpenImageStream(const char* path, const void* memImage, size_t memSize, int memFlag, int dibFlag,
                    int mirrorFlag, GraphImage* image, BitmapInfo** dibInfo, void** dibBits);
// -1 when the image fails, 0 with an alpha image, 1 without.
int LoadGraphImageFile(const char* path, const void* memImage, size_t memSize, int memFlag,
                       const void* alphaMemImage, size_t alphaMemSize, int alphaMode, GraphImage* image,
                       GraphImage* alphaImage, int mirrorFlag);
// Builds the alpha companion path: "a.png" -> "a_a.png". -1 when it does not fit.
int MakeAlphaCompanionPath(const char* path, char* out, size_t outSize);

// 1 when new bits were allocated, 0 when the image's own pixels serve, -1 on failure.
int ConvertGraphImageToDIB(const GraphImage* image, BitmapInfo* info, void** bits, int copyFlag, int to24Flag);

// A device-independent bitmap that owns its bits (top-down rows padded to 4).
struct DibSection {
    BitmapInfo Info;
    int Pitch;
    void* Bits;
};
// Loads an image into a bitmap in the format of colorData (null: 8 bits with
// the palette for palette images, else 24 bits); null on failure.
DibSection* CreateDIBGraph(const char* path, const void* memImage, size_t memSize, int memFlag, int reverseFlag,
                           ColorData* colorData);
DibSection* CreateDIBGraphFromFile(const char* path, int reverseFlag, ColorData* colorData);
// A bitmap of colorData's format (null: 24 bits) holding the given one.
DibSection* ConvertDIBToGraphImage(const BitmapInfo* info, const void* bits, int reverseFlag,
                                  const ColorData* colorData);
void DeleteDIBSection(DibSection* dib);

// Graphs made of images.
int CreateGraphFromGraphImage(GraphImage* image);
int CreateGraphFromGraphImageCore(GraphImage* image, GraphImage* alphaImage, int textureFlag, int reverseFlag,
                                  int mirrorInPlaceFlag);
int CreateDivGraphFromGraphImage(GraphImage* image, GraphImage* alphaImage, int allNum, int xNum, int yNum,
                                 int xSize, int ySize, int* handleBuf, int textureFlag, int reverseFlag,
                                 int mirrorInPlaceFlag);
// Whether a division into cells has a handle place and a grid cell for each.
bool DivisionOk(int allNum, int xNum, int yNum, int xSize, int ySize, const int* handleBuf);
// Cells of base derived into handleBuf (right to left with reverseFlag);
// base is deleted either way. 0, or -1 with every handle -1.
int DivideGraph(int base, int allNum, int xNum, int yNum, int xSize, int ySize, int* handleBuf, int reverseFlag);
int DerivationGraph(int x, int y, int width, int height, int srcGraph);
int SetGraphFileInfo(int graph, const char* path);

// LoadGraph's straight road for files named .jpg, .jpeg or .png: the new
// graph's handle, -1 when the graph could not be made (logged), or
// STRAIGHT_GRAPH_NOT_TAKEN when the file goes the ordinary road (another
// format, an alpha companion or a user loader present, data that fail to
// decode).
constexpr int STRAIGHT_GRAPH_NOT_TAKEN = -2;
int LoadStraightGraph(const char* fileName, int textureAllowed);
