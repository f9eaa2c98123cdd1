// LoadGraph's road for JPEG files: the file is read once and its rows are
// decoded straight into the new graph's pixels where the graph's format is one
// the decoder writes (32-bit X8R8G8B8); other graphs take the decoded image
// through the colour-converting transfer, as every loaded image does.
#include <strings.h>

#include <cstring>

#include "core/file/file_access.h"
#include "graphics/graph_handle.h"
#include "graphics/image/graph_image.h"
#include "graphics/image/jpeg_decoder.h"
#include "graphics/screen_settings.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"

namespace {

struct GraphTarget {
    const char* fileName;
    int textureAllowed;
    int handle;            // -1 until the graph is made
    bool makeFailed;
    int lockedData;        // surface data the rows go straight into, else -1
    GraphImage image;      // the decoded image when the rows cannot go straight in
};

// Only names that say JPEG try this road, so that other files are not opened
// twice; a JPEG under another name loads the ordinary way, to the same bytes.
bool JpegName(const char* fileName) {
    const char* dot = std::strrchr(fileName, '.');
    return dot != nullptr && (strcasecmp(dot, ".jpg") == 0 || strcasecmp(dot, ".jpeg") == 0);
}

// A file with an "_a" companion makes an alpha graph: the ordinary road's work.
bool AlphaCompanionExists(const char* fileName) {
    char alphaPath[ZV_PATH_MAX];
    if (MakeAlphaCompanionPath(fileName, alphaPath, sizeof(alphaPath)) != 0) return false;
    const ZvFileHandle file = FileOpen(alphaPath, 0);
    if (file == 0) return false;
    FileClose(file);
    return true;
}

// X8R8G8B8 whose spare byte is set: what both the decoder's four-byte rows and
// the transfer from 24 bits give.
bool DecoderWritesFormat(const ColorData* c) {
    return c != nullptr && c->ColorBitDepth == 32 && c->PixelByte == 4 && c->RedMask == 0xFF0000 &&
           c->GreenMask == 0xFF00 && c->BlueMask == 0xFF && c->AlphaMask == 0 && c->NoneMask == 0xFF000000u;
}

// Locks the whole of the new graph's pixels for the decoder when their format
// agrees; false leaves nothing locked.
bool LockStraightRows(GraphTarget* t, JpegRows* rows) {
    const GraphData* g = GetGraphData(t->handle);
    const Surface2D* s = g ? GetSurface2D(g->SurfaceHandle) : nullptr;
    SurfaceData* d = s ? GetSurfaceData(s->SurfaceDataHandle) : nullptr;
    if (d == nullptr || d->Texture != nullptr || s->SrcX != 0 || s->SrcY != 0 || s->Width != d->Width ||
        s->Height != d->Height)
        return false;
    const ColorData* format = nullptr;
    if (d->UseMemImgFlag) {
        const MEMIMG& img = d->MemImg;
        if (img.ValidMagic == MEMIMG_VALID_MAGIC && !img.AlphaFlag && !img.PaletteFlag) format = img.ColorFormat;
    } else if (d->Surface != nullptr) {
        format = GetScreenColorData();
    }
    if (!DecoderWritesFormat(format)) return false;
    int pitch = 0;
    void* pixels = nullptr;
    if (LockSurfaceData(s->SurfaceDataHandle, &pitch, &pixels, 1, nullptr, nullptr) != 0) return false;
    t->lockedData = s->SurfaceDataHandle;
    rows->form = JPEG_ROWS_BGRA;
    rows->base = static_cast<unsigned char*>(pixels);
    rows->pitch = size_t(pitch);
    return true;
}

int PlaceInGraph(void* context, int width, int height, int components, JpegRows* rows) {
    GraphTarget* t = static_cast<GraphTarget*>(context);
    if (AlphaCompanionExists(t->fileName)) return -1;
    // Grey files make palette graphs, as their 8-bit images do.
    t->handle = MakeGraphCore(width, height, t->textureAllowed, 0, components == 1 ? 1 : 0);
    if (t->handle < 0) {
        t->makeFailed = true;
        return -1;
    }
    if (LockStraightRows(t, rows)) return 0;
    return PlaceJpegRowsInImage(&t->image, width, height, components, rows);
}

// The graph takes the rows: a straight graph is unlocked and gets its run map
// and key, any other gets the image through the transfer.
int FinishGraph(GraphTarget* t) {
    if (t->lockedData >= 0) {
        UnlockSurfaceData(t->lockedData);
        SurfaceData* d = GetSurfaceData(t->lockedData);
        // One pass over the finished pixels: building the map band by band
        // between libjpeg's calls measured slower, and unsteadily so.
        if (d->UseMemImgFlag) RefreshMemImgExtras(&d->MemImg);
        SetSurfaceColorKey(t->lockedData);
        return 0;
    }
    RefreshColorDataSpareBits(&t->image.ColorInfo);
    return BltGraphImageToGraph(nullptr, &t->image, nullptr, 0, 0, t->handle, 0, 0);
}

}  // namespace

int LoadJpegGraph(const char* fileName, int textureAllowed) {
    // User loaders are asked before the built-in ones.
    if (fileName == nullptr || !JpegName(fileName) || GetUserImageLoaderCount() != 0) return JPEG_GRAPH_NOT_TAKEN;
    const ZvFileHandle file = FileOpen(fileName, 0);
    if (file == 0) return JPEG_GRAPH_NOT_TAKEN;
    StreamReader reader;
    reader.functions = *GetFileStreamFunctions();
    reader.handle = file;

    GraphTarget t;
    std::memset(&t, 0, sizeof(t));
    t.fileName = fileName;
    t.textureAllowed = textureAllowed;
    t.handle = -1;
    t.lockedData = -1;
    const JpegRowTarget target{PlaceInGraph, &t};
    const int decoded = DecodeJpegRows(&reader, &target);
    reader.functions.Close(reader.handle);

    int result;
    if (decoded == 0) {
        result = t.handle;
        if (FinishGraph(&t) != 0) {
            DeleteGraphImpl(t.handle, 0);
            result = -1;
        } else {
            SetGraphFileInfo(t.handle, fileName);
        }
    } else if (t.handle >= 0) {
        // Data that fail past the header: the ordinary road reads the file
        // again and answers for it as before.
        if (t.lockedData >= 0) UnlockSurfaceData(t.lockedData);
        DeleteGraphImpl(t.handle, 0);
        result = JPEG_GRAPH_NOT_TAKEN;
    } else {
        result = t.makeFailed ? -1 : JPEG_GRAPH_NOT_TAKEN;
    }
    ReleaseGraphImage(&t.image);
    return result;
}
