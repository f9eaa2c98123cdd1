// The graph storage rows and the choice between them.
#include "graphics/graph_storage.h"

#include "graphics/directdraw/dd_graphs.h"
#include "graphics/graph_handle.h"

namespace {

int ReleaseSurface(GraphData* g) { return g->SurfaceHandle != -1 ? G_DD_DeleteGraph(g) : 0; }
int SurfaceLargestSide() { return 65535; }

// 2D surfaces: a graph is one surface, or a view of its parent's.
constexpr GraphStorage kSurfaceStorage = {
    .start = G_DD_InitializeGraphics,
    .make = G_DD_MakeGraph,
    .release = ReleaseSurface,
    .upload = G_DD_BltGraphImageToGraph,
    .uploadRect = G_DD_BltGraphImageToGraphRect,
    .restore = G_DD_RestoreGraph,
    .fill = G_DD_FillGraph,
    .derive = G_DD_DerivationGraph,
    .largestSide = SurfaceLargestSide,
    .movieFrame = G_DD_UpdateMovieFrame,
    .textureSurfaces = nullptr,
};

struct GraphStorageState {
    const GraphStorage* textures = nullptr;
};
GraphStorageState g_storage;

}  // namespace

void RegisterTextureGraphStorage(const GraphStorage* row) { g_storage.textures = row; }

const GraphStorage* TextureGraphStorage() { return g_storage.textures; }

const GraphStorage& ChooseGraphStorage(int textureFlag) {
    return textureFlag && g_storage.textures ? *g_storage.textures : kSurfaceStorage;
}
