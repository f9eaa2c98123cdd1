// Where a graph's pixels live, as a table of operations: one row for 2D
// surfaces, one for textures (lent by the 3D road while it is up). A graph
// takes its row once, when it is made, and keeps it to its end.
#pragma once

struct ColorData;
struct GraphData;
struct GraphImage;
struct GraphSurfaceSettings;
struct ImageRect;
struct SurfaceData;
struct SurfaceRect;

// The device textures behind the surface-data records of texture graphs.
struct TextureSurfaces {
    // Makes the record's texture for its settings (0 when made).
    int (*make)(SurfaceData* record);
    int (*lock)(SurfaceData* record, const SurfaceRect* rect, int* pitch, void** pixels);
    int (*unlock)(SurfaceData* record);
    int (*fill)(SurfaceData* record, int red, int green, int blue, int alpha);
    // Gives the texture back (a device already gone took it along).
    void (*release)(SurfaceData* record);
    // The pixel layout of the textures made for these settings; null when
    // the device has none.
    const ColorData* (*colorData)(const GraphSurfaceSettings& settings);
};

struct GraphStorage {
    // Readies the row's bookkeeping when graphics start (0 when usable).
    int (*start)();
    int (*make)(GraphData* graph);
    // Releases what make or derive gave the graph.
    int (*release)(GraphData* graph);
    // The image's pixels from (srcX, srcY) on into the whole graph.
    int (*upload)(GraphData* graph, const GraphImage* image, const GraphImage* alphaImage, int srcX, int srcY,
                  int transFlag);
    // A rectangle of the image to (destX, destY) of the graph.
    int (*uploadRect)(GraphData* graph, const GraphImage* image, const GraphImage* alphaImage,
                      const ImageRect* srcRect, int destX, int destY, int transFlag);
    // Brings back pixels the device lost.
    int (*restore)(GraphData* graph);
    int (*fill)(GraphData* graph, int red, int green, int blue, int alpha);
    // The graph as a view of (x, y, width, height) of the source's pixels.
    int (*derive)(GraphData* graph, int x, int y, int width, int height, const GraphData* source);
    // The largest width or height one piece of storage takes.
    int (*largestSide)();
    // A movie's current frame into the whole graph the movie plays into.
    int (*movieFrame)(const GraphImage* frame, GraphData* graph);
    // The textures of the row's surface-data records; null where they are
    // 2D surfaces or MEMIMGs.
    const TextureSurfaces* textureSurfaces;
};

// The 3D road lends its texture row while it is up (null when it goes).
void RegisterTextureGraphStorage(const GraphStorage* row);
// The texture row, or null while no 3D road is up.
const GraphStorage* TextureGraphStorage();
// The row a new graph takes: textures where the graph is a texture graph.
const GraphStorage& ChooseGraphStorage(int textureFlag);
