// Graph handles: the graph table, making and deleting graph records,
// loading files into graphs and divided graphs, and restoring after a loss.
#include "graphics/graph_handle.h"

#include <cstring>

#include "core/alloc.h"
#include "core/file/file_access.h"
#include "core/log.h"
#include "core/window.h"
#include "graphics/graph_storage.h"
#include "graphics/directdraw/dd_graphs.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graphics_core.h"
#include "graphics/graphics_handles.h"
#include "graphics/graphics_start.h"
#include "graphics/image/graph_image.h"
#include "graphics/movie/movie.h"
#include "graphics/screen_settings.h"

namespace {

struct GraphTableState {
    HandleTable table;
};
GraphTableState g_graphs;

// A graph of the movie's size at the display's depth: a texture graph on
// the 3D road, else in system memory, so that frames are copied straight
// into its pixels.
int MakeMovieGraph(int width, int height, int textureAllowed) {
    const int savedDepth = GetGraphColorBitDepth(), savedSystemMem = GetSystemMemGraphCreateFlag();
    SetGraphColorBitDepth(GetDisplayColorBitDepth());
    SetSystemMemGraphCreateFlag(1);
    const int handle = MakeGraphCore(width, height, textureAllowed, 0, 0);
    SetGraphColorBitDepth(savedDepth);
    SetSystemMemGraphCreateFlag(savedSystemMem);
    return handle;
}

}  // namespace

void CopyGraphText(char* dest, size_t destSize, const char* src) {
    if (destSize == 0) return;
    if (src == nullptr) src = "";
    size_t n = std::strlen(src);
    if (n >= destSize) n = destSize - 1;
    std::memcpy(dest, src, n);
    dest[n] = '\0';
}

int InitializeGraphTable() {
    return InitializeHandleTable(&g_graphs.table, ZV_HANDLE_GRAPH, GRAPH_TABLE_SLOTS, sizeof(GraphData),
                                 "グラフィックの数が許容量を越えました終了します", "メモリの確保に失敗しました");
}

int TerminateGraphTable() { return TerminateHandleTable(&g_graphs.table); }
int GetGraphCount() { return g_graphs.table.used; }
int GetGraphSlotEnd() { return g_graphs.table.records ? g_graphs.table.nextSlot : 0; }
GraphData* GetGraphDataAtSlot(int slot) {
    const HandleTable& t = g_graphs.table;
    if (t.records == nullptr || slot < 0 || slot >= t.nextSlot) return nullptr;
    return static_cast<GraphData*>(t.records[slot]);
}

GraphData* GetGraphData(int grHandle) {
    return static_cast<GraphData*>(CheckHandle(&g_graphs.table, grHandle));
}

int GetGraphHandleOfData(const GraphData* data) { return data->Handle; }

int AddGraphHandle(int width, int height, int textureAllowed, int /*ignored*/, GraphData** out, int alphaFlag,
                   int paletteFlag) {
    if (g_graphs.table.used >= g_graphs.table.capacity)
        ZoVav_FatalError("グラフィックの数が許容量を越えました終了します");
    const int handle = AddHandle(&g_graphs.table, -1);
    if (handle < 0) ZoVav_FatalError("メモリの確保に失敗しました");
    GraphData* g = GetGraphData(handle);
    g->Handle = handle;
    g->Width = width;
    g->Height = height;
    g->MovieHandle = -1;
    g->SurfaceHandle = -1;
    GraphSurfaceSettings& s = g->Settings;
    s.TextureFlag = textureAllowed && GetUse3DFlag() ? 1 : 0;
    g->Storage = &ChooseGraphStorage(s.TextureFlag);
    s.PaletteFlag = 0;
    if (GetDrawValidGraphCreateFlag() == 1) {
        s.DrawValidFlag = 1;
        s.AlphaFlag = 0;
        s.AlphaTestFlag = 0;
    } else {
        s.DrawValidFlag = 0;
        s.AlphaFlag = uint8_t(alphaFlag ? 1 : 0);
        s.AlphaTestFlag = uint8_t(GetGraphAlphaTestCreateFlag() ? 1 : 0);
    }
    const int depthSetting = GetGraphColorBitDepth();
    if (s.TextureFlag) {
        s.ColorBitDepth = uint8_t(depthSetting ? depthSetting : (alphaFlag == 1 ? 32 : GetDisplayColorBitDepth()));
        s.SystemMemFlag = 0;
    } else {
        s.ColorBitDepth = uint8_t(depthSetting ? depthSetting : GetDisplayColorBitDepth());
        s.PaletteFlag = uint8_t(paletteFlag ? 1 : 0);
        s.SystemMemFlag = uint8_t(GetSystemMemGraphCreateFlag() ? 1 : 0);
    }
    if (out) *out = g;
    return handle;
}

int MakeGraphCore(int width, int height, int textureAllowed, int alphaFlag, int paletteFlag) {
    if (!GetGraphicsStartedFlag() || width <= 0 || height <= 0 || width > 65535 || height > 65535)
        return ErrorLogAdd("グラフィックの作成に失敗しました\n");
    GraphData* g = nullptr;
    const int handle = AddGraphHandle(width, height, textureAllowed, 0, &g, alphaFlag, paletteFlag);
    if (g->Storage->make(g) != 0) {
        // A graph without surfaces is no graph: its record goes again.
        DeleteGraphImpl(handle, 0);
        return ErrorLogAdd("グラフィックの作成に失敗しました\n");
    }
    return handle;
}

int MakeGraphImpl(int sizeX, int sizeY, int notUse3DFlag) {
    return MakeGraphCore(sizeX, sizeY, !notUse3DFlag, GetMakeGraphAlphaFlag(), 0);
}

int DeleteGraphImpl(int grHandle, int logOutFlag) {
    GraphData* g = GetGraphData(grHandle);
    if (g == nullptr) return -1;
    ForgetDrawScreenGraph(grHandle);
    ForgetBlendGraph(grHandle);
    CloseMovie(grHandle);
    g->Storage->release(g);
    if (logOutFlag) ErrorLogFmtAdd("グラフィック %s の削除", g->FileName);
    if (g->OwnedBuffer) ZvFree(g->OwnedBuffer);
    int* lost = g->LostFlag;
    SubHandle(&g_graphs.table, grHandle);
    LowerHandleHint(&g_graphs.table, HandleSlot(grHandle));
    if (lost) *lost = 1;
    return 0;
}

int InitGraph(int logOutFlag) {
    if (!GetGraphicsStartedFlag()) return 0;
    HandleTable& t = g_graphs.table;
    if (t.records == nullptr) return 0;
    for (int slot = t.nextSlot - 1; slot >= 0; --slot) {
        if (slot < t.nextSlot && t.records[slot]) DeleteGraphImpl(HandleOfSlot(&t, slot), logOutFlag);
    }
    return 0;
}

int SetGraphLostFlag(int grHandle, int* flag) {
    GraphData* g = GetGraphData(grHandle);
    if (g == nullptr) return -1;
    g->LostFlag = flag;
    if (flag) *flag = 0;
    return 0;
}

int BltGraphImageToGraph(const char* fileName, const GraphImage* image, const GraphImage* alphaImage, int srcX,
                         int srcY, int grHandle, int reverseFlag, int transFlag) {
    GraphData* g = GetGraphData(grHandle);
    if (g == nullptr) return -1;
    if (fileName != nullptr) CopyGraphText(g->FileName, sizeof(g->FileName), fileName);
    g->ReverseFlag = reverseFlag;
    g->SrcX = srcX;
    g->SrcY = srcY;
    return g->Storage->upload(g, image, alphaImage, srcX, srcY, transFlag);
}

int BltGraphImageRectToGraph(const char* fileName, const GraphImage* image, const GraphImage* alphaImage,
                             const ImageRect* srcRect, int destX, int destY, int grHandle, int reverseFlag,
                             int transFlag) {
    GraphData* g = GetGraphData(grHandle);
    if (g == nullptr) return -1;
    char dir[ZV_PATH_MAX];
    if (FileGetDir(dir) != 0) dir[0] = '\0';
    CopyGraphText(g->FileDir, sizeof(g->FileDir), dir);
    CopyGraphText(g->FileName, sizeof(g->FileName), fileName);
    g->ReverseFlag = reverseFlag;
    return g->Storage->uploadRect(g, image, alphaImage, srcRect, destX, destY, transFlag);
}

int LoadGraphCore(const char* fileName, int textureAllowed, int reverseFlag, int movieParam) {
    if (fileName == nullptr) return -1;
    ProcessMessageWhileInactive();
    if (reverseFlag == 0) {
        const int straight = LoadStraightGraph(fileName, textureAllowed);
        if (straight != STRAIGHT_GRAPH_NOT_TAKEN) return straight;
    }
    GraphImage image, alpha;
    const int loaded = LoadGraphImageFile(fileName, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0);
    if (loaded >= 0) {
        GraphImage* alphaImage = loaded == 0 ? &alpha : nullptr;
        if (reverseFlag == 1) {
            ReverseGraphImage(&image);
            if (alphaImage) ReverseGraphImage(alphaImage);
        }
        const int handle = CreateGraphFromGraphImageCore(&image, alphaImage, textureAllowed, reverseFlag, 0);
        if (handle >= 0) SetGraphFileInfo(handle, fileName);
        ReleaseGraphImage(&image);
        if (alphaImage) ReleaseGraphImage(alphaImage);
        return handle;
    }

    const ZvFileHandle file = FileOpen(fileName, 0);
    if (file == 0) return ErrorLogFmtAdd("グラフィックファイル %s がありません", fileName);
    FileClose(file);
    int width = 0, height = 0;
    const int movie = OpenMovieToGraph(fileName, &width, &height, movieParam);
    if (movie < 0) return ErrorLogFmtAdd("右記のグラフィックファイルのロードに失敗しました：%s \n", fileName);
    const int handle = MakeMovieGraph(width, height, textureAllowed);
    if (handle < 0) {
        // The movie has no graph to play into: it must not hold its slot.
        CloseMovieHandle(movie);
        return ErrorLogFmtAdd("右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s", fileName);
    }
    BindMovieToGraph(movie, handle);
    return handle;
}

int LoadDivGraphCore(const char* fileName, int allNum, int xNum, int yNum, int xSize, int ySize, int* handleBuf,
                     int textureAllowed, int reverseFlag) {
    if (fileName == nullptr) return -1;
    ProcessMessageWhileInactive();
    if (reverseFlag == 0 && allNum >= 1 && DivisionOk(allNum, xNum, yNum, xSize, ySize, handleBuf)) {
        const int base = LoadStraightGraph(fileName, textureAllowed);
        if (base != STRAIGHT_GRAPH_NOT_TAKEN) {
            // The cells take the base's file name and folder with the rest of it.
            if (base >= 0) return DivideGraph(base, allNum, xNum, yNum, xSize, ySize, handleBuf, 0);
            for (int i = 0; i < allNum; ++i) handleBuf[i] = -1;
            return -1;
        }
    }
    GraphImage image, alpha;
    const int loaded = LoadGraphImageFile(fileName, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0);
    if (loaded < 0) {
        if (handleBuf)
            for (int i = 0; i < allNum; ++i) handleBuf[i] = -1;
        return ErrorLogFmtAdd("右記のグラフィックファイルのロードに失敗しました：%s", fileName);
    }
    GraphImage* alphaImage = loaded == 0 ? &alpha : nullptr;
    if (reverseFlag == 1) {
        ReverseGraphImage(&image);
        if (alphaImage) ReverseGraphImage(alphaImage);
    }
    const int result = CreateDivGraphFromGraphImage(&image, alphaImage, allNum, xNum, yNum, xSize, ySize, handleBuf,
                                                    textureAllowed, reverseFlag, 0);
    if (result == 0) {
        for (int i = 0; i < allNum; ++i) SetGraphFileInfo(handleBuf[i], fileName);
    }
    ReleaseGraphImage(&image);
    if (alphaImage) ReleaseGraphImage(alphaImage);
    return result;
}

int LoadGraphImpl(const char* fileName, int notUse3DFlag) { return LoadGraphCore(fileName, !notUse3DFlag, 0, 0); }

int LoadDivGraphImpl(const char* fileName, int allNum, int xNum, int yNum, int xSize, int ySize, int* handleBuf,
                     int notUse3DFlag) {
    return LoadDivGraphCore(fileName, allNum, xNum, yNum, xSize, ySize, handleBuf, !notUse3DFlag, 0);
}

int GetGraphSizeImpl(int grHandle, int* sizeX, int* sizeY) {
    if (grHandle == SCREEN_FRONT || grHandle == SCREEN_BACK) return GetScreenSize(sizeX, sizeY);
    GraphData* g = GetGraphData(grHandle);
    if (g == nullptr) return -1;
    if (sizeX) *sizeX = g->Width;
    if (sizeY) *sizeY = g->Height;
    return 0;
}

int GetScreenState(int* width, int* height, int* colorBitDepth) {
    GetScreenSize(width, height);
    if (colorBitDepth) *colorBitDepth = GetDisplayColorBitDepth();
    return 0;
}

int RestoreGraphSurfaces(int grHandle) {
    GraphData* g = GetGraphData(grHandle);
    if (g == nullptr) return -1;
    g->Storage->restore(g);
    return 0;
}

int RestoreAllLostGraphs() {
    if (!GetGraphicsStartedFlag()) return 0;
    HandleTable& t = g_graphs.table;
    for (int slot = 0; slot < t.nextSlot; ++slot) {
        if (t.records[slot]) RestoreGraphSurfaces(HandleOfSlot(&t, slot));
    }
    return 0;
}
