// LoadGraph's straight road for JPEG and PNG files: the file is read once and
// its rows are decoded straight into the new graph's pixels where the graph's
// format is one the decoder writes (32-bit, blue, green, red and a fourth byte
// of alpha or 0xFF). Other graphs take the decoded image through the
// colour-converting transfer, as every loaded image does: a band of rows at a
// time into memory images without palette when the decoder gives rows in
// order, else the whole image once decoded.
#include <strings.h>

#include <cstring>

#include "core/file/file_access.h"
#include "graphics/graph_handle.h"
#include "graphics/image/decoded_rows.h"
#include "graphics/image/graph_image.h"
#include "graphics/screen_settings.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"

namespace {

// Rows are converted, and a memory image's premultiplied copy and run map
// made, a band at a time as they are decoded, while the band is still in the
// cache: this many bytes of decoded pixels a band.
constexpr size_t kBandBytes = 32 << 10;

int BandRowsOf(size_t pitch) {
    const size_t rows = kBandBytes / pitch;
    return rows < 1 ? 1 : int(rows);
}

struct GraphTarget {
    const char* fileName;
    int textureAllowed;
    int handle;            // -1 until the graph is made
    int height;
    bool makeFailed;
    int lockedData;        // surface data the rows go straight into, else -1
    int bandedData;        // surface data the rows are converted into a band at a time, else -1
    int bandTop;           // rows converted so far
    int bandRows;
    bool buildingExtras;   // a memory image's extras are made as rows come
    MemImgExtrasBuild extras;
    GraphImage image;      // the decoded image, or one band of it, when the rows cannot go straight in
};

// Only names that say JPEG or PNG try this road, so that other files are not
// opened twice; such a file under another name loads the ordinary way, to the
// same bytes.
RowDecoder DecoderForName(const char* fileName) {
    const char* dot = std::strrchr(fileName, '.');
    if (dot == nullptr) return nullptr;
    if (strcasecmp(dot, ".jpg") == 0 || strcasecmp(dot, ".jpeg") == 0) return DecodeJpegRows;
    if (strcasecmp(dot, ".png") == 0) return DecodePngRows;
    return nullptr;
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

// 32 bits, blue, green, red in the low three bytes, and the fourth byte the
// alpha or a spare byte that is set: what the decoders' four-byte rows and
// the transfer from the decoded image both give.
bool DecoderWritesFormat(const ColorData* c, bool alpha) {
    return c != nullptr && c->ColorBitDepth == 32 && c->PixelByte == 4 && c->RedMask == 0xFF0000 &&
           c->GreenMask == 0xFF00 && c->BlueMask == 0xFF &&
           (alpha ? c->AlphaMask == 0xFF000000u && c->NoneMask == 0
                  : c->AlphaMask == 0 && c->NoneMask == 0xFF000000u);
}

// The surface data that is the whole of the new graph, when it is no texture.
SurfaceData* WholeSurfaceData(const GraphTarget* t, int* dataHandle) {
    const GraphData* g = GetGraphData(t->handle);
    const Surface2D* s = g ? GetSurface2D(g->SurfaceHandle) : nullptr;
    SurfaceData* d = s ? GetSurfaceData(s->SurfaceDataHandle) : nullptr;
    if (d == nullptr || d->Texture != nullptr || s->SrcX != 0 || s->SrcY != 0 || s->Width != d->Width ||
        s->Height != d->Height)
        return nullptr;
    *dataHandle = s->SurfaceDataHandle;
    return d;
}

// Locks the whole of the new graph's pixels for the decoder when their format
// agrees; false leaves nothing locked.
bool LockStraightRows(GraphTarget* t, bool alpha, DecodedRows* rows) {
    int dataHandle = -1;
    SurfaceData* d = WholeSurfaceData(t, &dataHandle);
    if (d == nullptr) return false;
    const ColorData* format = nullptr;
    if (d->UseMemImgFlag) {
        const MEMIMG& img = d->MemImg;
        if (img.ValidMagic == MEMIMG_VALID_MAGIC && (img.AlphaFlag != 0) == alpha && !img.PaletteFlag)
            format = img.ColorFormat;
    } else if (d->Surface != nullptr && !alpha) {
        format = GetScreenColorData();
    }
    if (!DecoderWritesFormat(format, alpha)) return false;
    int pitch = 0;
    void* pixels = nullptr;
    if (LockSurfaceData(dataHandle, &pitch, &pixels, 1, nullptr, nullptr) != 0) return false;
    t->lockedData = dataHandle;
    rows->form = DECODED_ROWS_FOUR_BYTES;
    rows->base = static_cast<unsigned char*>(pixels);
    rows->pitch = size_t(pitch);
    return true;
}

int PlaceInGraph(void* context, const DecodedHeader& header, DecodedRows* rows) {
    GraphTarget* t = static_cast<GraphTarget*>(context);
    if (AlphaCompanionExists(t->fileName)) return -1;
    // The graph the decoded image would make: alpha for colour with alpha, a
    // palette graph for grey and palette files.
    const bool alpha = header.kind == DECODED_COLOUR_ALPHA;
    const bool palette = header.kind == DECODED_GREY || header.kind == DECODED_PALETTE;
    t->handle = MakeGraphCore(header.width, header.height, t->textureAllowed, alpha ? 1 : 0, palette ? 1 : 0);
    if (t->handle < 0) {
        t->makeFailed = true;
        return -1;
    }
    t->height = header.height;
    const bool colour = header.kind == DECODED_COLOUR || alpha;
    if (colour && LockStraightRows(t, alpha, rows)) {
        SurfaceData* d = GetSurfaceData(t->lockedData);
        if (d->UseMemImgFlag) {
            StartMemImgExtras(&d->MemImg, &t->extras);
            t->buildingExtras = true;
            t->bandRows = BandRowsOf(rows->pitch);
        }
        return 0;
    }
    // A memory image without palette takes the rows a band at a time through
    // the transfer the whole image would take (its key and palette count
    // would need the whole image); a picture of one band takes the whole
    // image, whose transfer makes the extras.
    int dataHandle = -1;
    SurfaceData* d = header.rowsInOrder ? WholeSurfaceData(t, &dataHandle) : nullptr;
    const size_t stride = size_t(header.width) * size_t(DecodedPixelBytes(header.kind, DECODED_ROWS_AS_FILE));
    const int bandRows = BandRowsOf(stride);
    if (d == nullptr || !d->UseMemImgFlag || d->MemImg.ValidMagic != MEMIMG_VALID_MAGIC || d->MemImg.PaletteFlag ||
        bandRows >= header.height)
        return PlaceDecodedRowsInImage(&t->image, header, rows);
    DecodedHeader band = header;
    band.height = bandRows;
    if (PlaceDecodedRowsInImage(&t->image, band, rows) != 0) return -1;
    RefreshColorDataSpareBits(&t->image.ColorInfo);
    rows->bandRows = bandRows;
    t->bandedData = dataHandle;
    t->bandRows = bandRows;
    StartMemImgExtras(&d->MemImg, &t->extras);
    t->buildingExtras = true;
    return 0;
}

// Converts the band of rows from bandTop to rows, then makes its extras.
void ConvertBand(GraphTarget* t, int rows) {
    MEMIMG* img = &GetSurfaceData(t->bandedData)->MemImg;
    BltGraphImageToMemImg(&t->image, nullptr, img, 0, 0, img->Width, rows - t->bandTop, 0, t->bandTop, 0);
    AddMemImgExtrasRows(&t->extras, rows);
    t->bandTop = rows;
}

void RowsDone(void* context, int rows) {
    GraphTarget* t = static_cast<GraphTarget*>(context);
    if (t->bandedData >= 0) {
        if (rows - t->bandTop == t->bandRows || rows == t->height) ConvertBand(t, rows);
    } else if (t->buildingExtras && rows - t->extras.rows >= t->bandRows) {
        AddMemImgExtrasRows(&t->extras, rows);
    }
}

// The graph takes the rows: a straight graph is unlocked, and it and a graph
// converted into band by band get their premultiplied copy, run map and key;
// any other gets the image through the transfer.
int FinishGraph(GraphTarget* t) {
    const int data = t->lockedData >= 0 ? t->lockedData : t->bandedData;
    if (data >= 0) {
        if (t->lockedData >= 0) UnlockSurfaceData(t->lockedData);
        // Every row was told done and converted as its band filled.
        if (t->bandedData >= 0 && t->bandTop != t->height) return -1;
        if (t->buildingExtras) EndMemImgExtras(&t->extras);
        SetSurfaceColorKey(data);
        return 0;
    }
    RefreshColorDataSpareBits(&t->image.ColorInfo);
    return BltGraphImageToGraph(nullptr, &t->image, nullptr, 0, 0, t->handle, 0, 0);
}

}  // namespace

int LoadStraightGraph(const char* fileName, int textureAllowed) {
    // User loaders are asked before the built-in ones.
    if (fileName == nullptr || GetUserImageLoaderCount() != 0) return STRAIGHT_GRAPH_NOT_TAKEN;
    const RowDecoder decode = DecoderForName(fileName);
    if (decode == nullptr) return STRAIGHT_GRAPH_NOT_TAKEN;
    const ZvFileHandle file = FileOpen(fileName, 0);
    if (file == 0) return STRAIGHT_GRAPH_NOT_TAKEN;
    StreamReader reader;
    reader.functions = *GetFileStreamFunctions();
    reader.handle = file;

    GraphTarget t;
    std::memset(&t, 0, sizeof(t));
    t.fileName = fileName;
    t.textureAllowed = textureAllowed;
    t.handle = -1;
    t.lockedData = -1;
    t.bandedData = -1;
    const DecodedRowTarget target{PlaceInGraph, RowsDone, &t};
    const int decoded = decode(&reader, &target);
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
        result = STRAIGHT_GRAPH_NOT_TAKEN;
    } else {
        result = t.makeFailed ? -1 : STRAIGHT_GRAPH_NOT_TAKEN;
    }
    ReleaseGraphImage(&t.image);
    return result;
}
