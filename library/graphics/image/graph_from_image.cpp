// Graphs made of graph images: one graph, a grid of divided graphs, graphs
// derived from a rectangle of another, and the file a graph came from.
#include <cstring>

#include "core/file/file_access.h"
#include "core/log.h"
#include "graphics/graph_storage.h"
#include "graphics/directdraw/dd_graphs.h"
#include "graphics/graph_handle.h"
#include "graphics/image/graph_image.h"

namespace {

bool UsableImage(const GraphImage* image) {
    return image != nullptr && image->Pixels != nullptr && image->Width > 0 && image->Height > 0;
}

void FillHandles(int* handles, int count, int value) {
    if (handles == nullptr) return;
    for (int i = 0; i < count; ++i) handles[i] = value;
}

}  // namespace

int CreateGraphFromGraphImage(GraphImage* image) { return CreateGraphFromGraphImageCore(image, nullptr, 1, 0, 1); }

int CreateGraphFromGraphImageCore(GraphImage* image, GraphImage* alphaImage, int textureFlag, int reverseFlag,
                                  int mirrorInPlaceFlag) {
    if (!UsableImage(image)) return -1;
    if (alphaImage != nullptr && !UsableImage(alphaImage)) return -1;
    RefreshColorDataSpareBits(&image->ColorInfo);
    if (alphaImage) RefreshColorDataSpareBits(&alphaImage->ColorInfo);
    if (alphaImage && (alphaImage->Width != image->Width || alphaImage->Height != image->Height)) return -1;

    const bool mirror = reverseFlag == 1 && mirrorInPlaceFlag == 1;
    if (mirror) {
        ReverseGraphImage(image);
        if (alphaImage) ReverseGraphImage(alphaImage);
    }
    const bool alpha = image->ColorInfo.AlphaWidth != 0 || alphaImage != nullptr;
    const bool palette = image->ColorInfo.ColorBitDepth == 8 && !alpha;
    int handle = MakeGraphCore(image->Width, image->Height, textureFlag, alpha ? 1 : 0, palette ? 1 : 0);
    if (handle >= 0 && BltGraphImageToGraph(nullptr, image, alphaImage, 0, 0, handle, reverseFlag, 0) != 0) {
        DeleteGraphImpl(handle, 0);
        handle = -1;
    }
    if (mirror) {
        ReverseGraphImage(image);
        if (alphaImage) ReverseGraphImage(alphaImage);
    }
    return handle;
}

int CreateDivGraphFromGraphImage(GraphImage* image, GraphImage* alphaImage, int allNum, int xNum, int yNum,
                                 int xSize, int ySize, int* handleBuf, int textureFlag, int reverseFlag,
                                 int mirrorInPlaceFlag) {
    if (allNum < 1) return 0;
    FillHandles(handleBuf, allNum, -1);
    if (!DivisionOk(allNum, xNum, yNum, xSize, ySize, handleBuf))
        return ErrorLogAdd("グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage\n");
    const int base = CreateGraphFromGraphImageCore(image, alphaImage, textureFlag, reverseFlag, mirrorInPlaceFlag);
    if (base < 0) return -1;
    return DivideGraph(base, allNum, xNum, yNum, xSize, ySize, handleBuf, reverseFlag);
}

bool DivisionOk(int allNum, int xNum, int yNum, int xSize, int ySize, const int* handleBuf) {
    // Every handle asked for must get a cell of its own.
    return handleBuf != nullptr && xNum >= 1 && yNum >= 1 && xSize >= 1 && ySize >= 1 &&
           int64_t(xNum) * int64_t(yNum) >= allNum;
}

int DivideGraph(int base, int allNum, int xNum, int yNum, int xSize, int ySize, int* handleBuf, int reverseFlag) {
    int made = 0;
    for (int row = 0; row < yNum && made < allNum; ++row) {
        for (int col = 0; col < xNum && made < allNum; ++col) {
            const int x = (reverseFlag ? xNum - 1 - col : col) * xSize;
            const int cell = DerivationGraph(x, row * ySize, xSize, ySize, base);
            if (cell < 0) {
                ErrorLogAdd("グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage\n");
                for (int i = 0; i < made; ++i) DeleteGraphImpl(handleBuf[i], 0);
                FillHandles(handleBuf, allNum, -1);
                DeleteGraphImpl(base, 0);
                return -1;
            }
            handleBuf[made++] = cell;
        }
    }
    DeleteGraphImpl(base, 0);
    return 0;
}

int DerivationGraph(int x, int y, int width, int height, int srcGraph) {
    const GraphData* src = GetGraphData(srcGraph);
    if (src == nullptr) return -1;
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || x >= src->Width || y >= src->Height) return -1;
    if (width > src->Width - x) width = src->Width - x;
    if (height > src->Height - y) height = src->Height - y;

    GraphData* g = nullptr;
    const int handle = AddGraphHandle(width, height, src->Settings.TextureFlag, 0, &g, src->Settings.AlphaFlag,
                                      src->Settings.PaletteFlag);
    src = GetGraphData(srcGraph);
    g->Settings = src->Settings;
    g->Storage = src->Storage;
    g->MovieHandle = src->MovieHandle;
    std::memcpy(g->FileName, src->FileName, sizeof(g->FileName));
    std::memcpy(g->FileDir, src->FileDir, sizeof(g->FileDir));
    g->ReverseFlag = src->ReverseFlag;
    g->SrcX = src->SrcX + x;
    g->SrcY = src->SrcY + y;
    const int derived = g->Storage->derive(g, x, y, width, height, src);
    if (derived != 0) {
        DeleteGraphImpl(handle, 0);
        return ErrorLogAdd("グラフィックの派生に失敗しました終了します");
    }
    return handle;
}

int SetGraphFileInfo(int graph, const char* path) {
    GraphData* g = GetGraphData(graph);
    if (g == nullptr) return -1;
    CopyGraphText(g->FileName, sizeof(g->FileName), path);
    char dir[ZV_PATH_MAX];
    dir[0] = '\0';
    if (FileGetDir(dir) != 0) dir[0] = '\0';
    CopyGraphText(g->FileDir, sizeof(g->FileDir), dir);
    return 0;
}
