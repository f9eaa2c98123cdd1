// Surface back end for graphs: one 2D surface per graph, shared with the
// graphs derived from it, and the transfers of images and movie frames into
// those surfaces.
#include "graphics/directdraw/dd_graphs.h"

#include "graphics/graph_handle.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/graph_image.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"

int G_DD_InitializeGraphics() { return InitializeSurface2DTable(); }
int G_DD_TerminateGraphics() { return TerminateSurface2DTable(); }

int G_DD_MakeGraph(GraphData* graph) {
    const int handle = AddSurface2D(graph->Width, graph->Height, 0, 0, graph->Handle, nullptr, 0, 0, &graph->Settings);
    if (handle < 0) return -1;
    graph->SurfaceHandle = handle;
    return 0;
}

int G_DD_DerivationGraph(GraphData* graph, int x, int y, int width, int height, const GraphData* parent) {
    const Surface2D* base = GetSurface2D(parent->SurfaceHandle);
    if (base == nullptr) return -1;
    const int handle = AddSurface2D(width, height, 0, 0, graph->Handle, base, base->SrcX + x, base->SrcY + y,
                                    &graph->Settings);
    if (handle < 0) return -1;
    graph->SurfaceHandle = handle;
    return 0;
}

int G_DD_DeleteGraph(GraphData* graph) {
    const int result = DeleteSurface2D(graph->SurfaceHandle);
    graph->SurfaceHandle = -1;
    return result;
}

int G_DD_BltGraphImageToGraph(GraphData* graph, const GraphImage* image, const GraphImage* alphaImage, int srcX,
                              int srcY, int transFlag) {
    const Surface2D* s = GetSurface2D(graph->SurfaceHandle);
    if (s == nullptr) return -1;
    return BltGraphImageToSurface2D(image, alphaImage, s->X + srcX, s->Y + srcY, graph->SurfaceHandle, transFlag);
}

int G_DD_BltGraphImageToGraphRect(GraphData* graph, const GraphImage* image, const GraphImage* alphaImage,
                                  const ImageRect* srcRect, int destX, int destY, int transFlag) {
    const Surface2D* s = GetSurface2D(graph->SurfaceHandle);
    if (s == nullptr) return -1;
    // Only the part of the rectangle that overlaps this surface.
    ImageRect r = *srcRect;
    int dx = destX - s->X, dy = destY - s->Y;
    if (dx < 0) { r.left -= dx; dx = 0; }
    if (dy < 0) { r.top -= dy; dy = 0; }
    if (dx + (r.right - r.left) > s->Width) r.right = r.left + s->Width - dx;
    if (dy + (r.bottom - r.top) > s->Height) r.bottom = r.top + s->Height - dy;
    if (r.left >= r.right || r.top >= r.bottom) return 0;
    return BltGraphImageToSurface2DRect(image, alphaImage, &r, s->SrcX + dx, s->SrcY + dy, graph->SurfaceHandle,
                                        transFlag);
}

int G_DD_RestoreGraph(GraphData* graph) {
    const Surface2D* s = GetSurface2D(graph->SurfaceHandle);
    return s ? RestoreSurfaceData(s->SurfaceDataHandle) : -1;
}

int G_DD_FillGraph(GraphData* graph, int red, int green, int blue, int alpha) {
    const Surface2D* s = GetSurface2D(graph->SurfaceHandle);
    if (s == nullptr) return -1;
    return FillSurfaceData(s->SurfaceDataHandle, red, green, blue, alpha);
}

int G_DD_UpdateMovieFrame(const GraphImage* frame, GraphData* graph) {
    const Surface2D* s = graph ? GetSurface2D(graph->SurfaceHandle) : nullptr;
    SurfaceData* d = s ? GetSurfaceData(s->SurfaceDataHandle) : nullptr;
    // Movie graphs are made in system memory: their pixels are a MEMIMG,
    // converted into when the frame's format is another.
    if (d == nullptr || d->MemImg.ValidMagic != MEMIMG_VALID_MAGIC) return -1;
    const int width = frame->Width < d->MemImg.Width ? frame->Width : d->MemImg.Width;
    const int height = frame->Height < d->MemImg.Height ? frame->Height : d->MemImg.Height;
    BltGraphImageToMemImg(frame, nullptr, &d->MemImg, 0, 0, width, height, 0, 0, 0);
    return 0;
}
