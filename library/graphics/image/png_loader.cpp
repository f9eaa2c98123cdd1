// PNG loader: feeds libpng from a StreamReader, reduces every PNG kind to 8
// bits a channel in blue-green-red order, and describes the result.
//
// libpng reports errors by longjmp: the jump frame holds no C++ object with a
// destructor, and everything allocated lives in a state record owned by the
// caller, so every failure path frees the same things.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "core/alloc.h"
#include "graphics/image/image_decoders.h"
#include "graphics/image/image_stream.h"

namespace {

using namespace image_stream;

struct PngStreamContext {
    StreamReader* reader;
    int32_t size;
};

struct PngLoadState {
    png_structp png;
    png_infop info;
    png_bytepp rows;
    unsigned char* pixels;
    PngStreamContext stream;
};

void PngReadCallback(png_structp png, png_bytep buffer, size_t length) {
    PngStreamContext* ctx = static_cast<PngStreamContext*>(png_get_io_ptr(png));
    const int32_t pos = Tell(ctx->reader);
    if (pos < 0 || ctx->size - pos < 0 || size_t(ctx->size - pos) < length || !Read(ctx->reader, buffer, length))
        png_error(png, "Read Error");
}

void PngSilentError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngSilentWarning(png_structp, png_const_charp) {}

void SetPngReadStream(png_structp png, PngStreamContext* ctx, StreamReader* reader) {
    ctx->reader = reader;
    ctx->size = Size(reader);   // the loader starts at 0
    png_set_read_fn(png, ctx, PngReadCallback);
}

// Everything that can longjmp happens here; st outlives the jump.
int DecodePng(PngLoadState* st, StreamReader* reader, GraphImage* image) {
    if (setjmp(png_jmpbuf(st->png))) return -1;

    SetPngReadStream(st->png, &st->stream, reader);
    png_set_sig_bytes(st->png, 0);
    png_read_info(st->png, st->info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(st->png, st->info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (!SizeOk(width, height)) return -1;

    png_set_strip_16(st->png);
    png_set_packing(st->png);
    png_set_packswap(st->png);
    bool expanded = false;
    if ((colorType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8) || png_get_valid(st->png, st->info, PNG_INFO_tRNS)) {
        png_set_expand(st->png);
        expanded = true;
    }
    png_set_bgr(st->png);
    png_set_interlace_handling(st->png);
    png_read_update_info(st->png, st->info);
    const size_t rowBytes = png_get_rowbytes(st->png, st->info);
    const int channels = png_get_channels(st->png, st->info);
    if (!BytesOk(rowBytes, height)) return -1;

    st->rows = static_cast<png_bytepp>(ZVALLOC(sizeof(png_bytep) * height));
    st->pixels = static_cast<unsigned char*>(ZVALLOC(rowBytes * height));
    if (st->rows == nullptr || st->pixels == nullptr) return -1;
    for (png_uint_32 y = 0; y < height; ++y) st->rows[y] = st->pixels + rowBytes * y;
    png_read_image(st->png, st->rows);
    png_read_end(st->png, nullptr);

    std::memset(image, 0, sizeof(*image));
    ColorData& c = image->ColorInfo;
    if (colorType == PNG_COLOR_TYPE_PALETTE && !expanded) {
        SetColorDataPalette8(&c);
        std::memset(c.Palette, 0, sizeof(c.Palette));
        png_colorp plte = nullptr;
        int count = 0;
        if (png_get_PLTE(st->png, st->info, &plte, &count) && plte) {
            for (int i = 0; i < count && i < 256; ++i)
                c.Palette[i] = ColorPaletteEntry{plte[i].blue, plte[i].green, plte[i].red, 0};
        }
    } else if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        if (rowBytes / 2 >= width) {
            // Grey then alpha: the grey byte feeds all three colours, the
            // alpha byte rides along unused.
            CreateColorDataImpl(&c, 16, 0xFF, 0xFF, 0xFF, 0);
        } else {
            SetColorDataGrey8(&c);
        }
    } else if (channels == 4) {
        CreateColorDataImpl(&c, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    } else {
        SetColorDataStandard24(&c);
    }
    image->Width = int(width);
    image->Height = int(height);
    image->Pitch = int(rowBytes);
    image->Pixels = st->pixels;
    st->pixels = nullptr;
    return 0;
}

}  // namespace

int LoadPngImage(StreamReader* reader, GraphImage* image) {
    PngLoadState st;
    std::memset(&st, 0, sizeof(st));
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngSilentError, PngSilentWarning);
    if (st.png == nullptr) return -1;
    st.info = png_create_info_struct(st.png);
    int result = -1;
    if (st.info != nullptr) result = DecodePng(&st, reader, image);
    png_destroy_read_struct(&st.png, st.info ? &st.info : nullptr, nullptr);
    if (st.rows) ZvFree(st.rows);
    if (st.pixels) ZvFree(st.pixels);
    return result;
}
