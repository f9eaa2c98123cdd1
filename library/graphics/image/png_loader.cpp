// PNG loader: feeds libpng from a StreamReader, reduces every PNG kind to 8
// bits a channel in blue-green-red order, and writes the rows where the
// caller places them; the loader chain's PNG loader places them in a graph
// image.
//
// libpng reports errors by longjmp: the jump frame holds no C++ object with a
// destructor, and whatever the target allocated is its owner's to free on
// every failure path.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "graphics/image/decoded_rows.h"
#include "graphics/image/image_decoders.h"
#include "graphics/image/image_stream.h"
#include "softrender/simd_level.h"

namespace {

using namespace image_stream;

// libpng asks for a chunk header, then its data, then its checksum: small
// reads are served from one kept buffer, refilled from the stream a piece at
// a time, so that a load makes no buffer of the file's size and faults in no
// fresh pages. Reads as large as the buffer go straight to libpng's memory.
constexpr size_t kReadBufferSize = 64 << 10;

struct PngStreamContext {
    StreamReader* reader;
    int32_t size;
    int32_t consumed;       // bytes handed to libpng so far
    unsigned char* buffer;  // bytes read ahead of libpng, from at to have
    size_t at;
    size_t have;
};

struct PngLoadState {
    png_structp png;
    png_infop info;
    PngStreamContext stream;
    ColorPaletteEntry palette[256];
};

// Loads run one at a time under the library lock; the read buffer is kept
// from one load to the next.
struct PngLoaderState {
    unsigned char readBuffer[kReadBufferSize];
};
PngLoaderState g_png;

void PngReadCallback(png_structp png, png_bytep out, size_t length) {
    PngStreamContext* ctx = static_cast<PngStreamContext*>(png_get_io_ptr(png));
    if (size_t(ctx->size - ctx->consumed) < length) png_error(png, "Read Error");
    ctx->consumed += int32_t(length);
    while (length > 0) {
        if (ctx->at == ctx->have) {
            // What the buffer holds is all used: the rest comes from the stream.
            if (length >= kReadBufferSize) {
                if (!Read(ctx->reader, out, length)) png_error(png, "Read Error");
                return;
            }
            const size_t left = size_t(ctx->size - ctx->consumed) + length;
            const size_t n = left < kReadBufferSize ? left : kReadBufferSize;
            if (!Read(ctx->reader, ctx->buffer, n)) png_error(png, "Read Error");
            ctx->at = 0;
            ctx->have = n;
        }
        const size_t take = ctx->have - ctx->at < length ? ctx->have - ctx->at : length;
        std::memcpy(out, ctx->buffer + ctx->at, take);
        ctx->at += take;
        out += take;
        length -= take;
    }
}

void PngSilentError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngSilentWarning(png_structp, png_const_charp) {}

// The loader starts at 0.
void SetPngReadStream(PngStreamContext* ctx, StreamReader* reader) {
    ctx->reader = reader;
    ctx->size = Size(reader);
    ctx->consumed = 0;
    ctx->buffer = g_png.readBuffer;
    ctx->at = ctx->have = 0;
}

// Every PNG starts with its eight-byte signature; anything else is refused
// here, before libpng is set up.
bool StartsLikePng(StreamReader* reader) {
    unsigned char signature[8];
    const bool png = Read(reader, signature, sizeof(signature)) && png_sig_cmp(signature, 0, 8) == 0;
    Seek(reader, 0, 0);
    return png;
}

#if defined(__x86_64__) && defined(__GNUC__)
// Eight pixels a step by one byte shuffle; returns the pixels done.
__attribute__((target("avx2"))) size_t SwapRedAndBlueAvx2(unsigned char* row, size_t width) {
    const __m256i order = _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15,
                                           2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    size_t x = 0;
    for (; x + 8 <= width; x += 8) {
        __m256i* at = reinterpret_cast<__m256i*>(row + x * 4);
        _mm256_storeu_si256(at, _mm256_shuffle_epi8(_mm256_loadu_si256(at), order));
    }
    return x;
}
#endif

// Red, green, blue, alpha bytes to blue, green, red, alpha, in place.
void SwapRedAndBlue(unsigned char* row, size_t width) {
    size_t x = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (softrender::SimdLevel() >= softrender::ISA_AVX2) x = SwapRedAndBlueAvx2(row, width);
#endif
#if defined(__SSE2__)
    const __m128i redBlue = _mm_set1_epi32(0x00FF00FF);
    for (; x + 4 <= width; x += 4) {
        __m128i* at = reinterpret_cast<__m128i*>(row + x * 4);
        const __m128i v = _mm_loadu_si128(at);
        const __m128i rb = _mm_and_si128(v, redBlue);
        _mm_storeu_si128(at, _mm_or_si128(_mm_andnot_si128(redBlue, v),
                                          _mm_or_si128(_mm_srli_epi32(rb, 16), _mm_slli_epi32(rb, 16))));
    }
#endif
    for (; x < width; ++x) std::swap(row[x * 4], row[x * 4 + 2]);
}

// What the file's pixels become once reduced: grey and palette files stay as
// they are unless a transparent colour makes them carry alpha.
DecodedKind KindOf(int colorType, bool transparency) {
    switch (colorType) {
    case PNG_COLOR_TYPE_PALETTE: return transparency ? DECODED_COLOUR_ALPHA : DECODED_PALETTE;
    case PNG_COLOR_TYPE_GRAY: return transparency ? DECODED_GREY_ALPHA : DECODED_GREY;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return DECODED_GREY_ALPHA;
    case PNG_COLOR_TYPE_RGB: return transparency ? DECODED_COLOUR_ALPHA : DECODED_COLOUR;
    default: return DECODED_COLOUR_ALPHA;
    }
}

// Everything that can longjmp happens here; st outlives the jump.
int DecodeRows(PngLoadState* st, const DecodedRowTarget* target) {
    if (setjmp(png_jmpbuf(st->png))) return -1;

    png_set_read_fn(st->png, &st->stream, PngReadCallback);
    png_set_sig_bytes(st->png, 0);
    png_read_info(st->png, st->info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(st->png, st->info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (!SizeOk(width, height)) return -1;

    const bool transparency = png_get_valid(st->png, st->info, PNG_INFO_tRNS) != 0;
    DecodedHeader header{int(width), int(height), KindOf(colorType, transparency), st->palette, 0,
                         interlace == PNG_INTERLACE_NONE};
    png_colorp plte = nullptr;
    int count = 0;
    if (header.kind == DECODED_PALETTE && png_get_PLTE(st->png, st->info, &plte, &count) && plte) {
        for (int i = 0; i < count && i < 256; ++i)
            st->palette[i] = ColorPaletteEntry{plte[i].blue, plte[i].green, plte[i].red, 0};
        header.paletteCount = count < 256 ? count : 256;
    }
    if (!BytesOk(uint64_t(width) * DecodedPixelBytes(header.kind, DECODED_ROWS_AS_FILE), height)) return -1;
    DecodedRows rows{DECODED_ROWS_AS_FILE, nullptr, 0, 0};
    if (target->place(target->context, header, &rows) != 0) return -1;

    png_set_strip_16(st->png);
    png_set_packing(st->png);
    png_set_packswap(st->png);
    if ((colorType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8) || transparency) png_set_expand(st->png);
    // Four-byte rows read in one pass swap red and blue here, each row while
    // it is in the cache, four pixels at a time; libpng's swap goes byte by byte.
    const int pixelBytes = DecodedPixelBytes(header.kind, rows.form);
    const bool swapHere = pixelBytes == 4 && interlace == PNG_INTERLACE_NONE;
    if (!swapHere) png_set_bgr(st->png);
    if (rows.form == DECODED_ROWS_FOUR_BYTES && header.kind == DECODED_COLOUR)
        png_set_filler(st->png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(st->png);
    png_read_update_info(st->png, st->info);
    // The rows placed must hold what libpng writes.
    if (png_get_rowbytes(st->png, st->info) != size_t(width) * size_t(pixelBytes)) return -1;

    // Rows of a file that is not interlaced are final as they are read.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) {
            unsigned char* row = rows.base + rows.pitch * (rows.bandRows ? y % png_uint_32(rows.bandRows) : y);
            png_read_row(st->png, row, nullptr);
            if (swapHere) SwapRedAndBlue(row, width);
            if (target->rowsDone && passes == 1) target->rowsDone(target->context, int(y + 1));
        }
    png_read_end(st->png, nullptr);
    return 0;
}

}  // namespace

int DecodePngRows(StreamReader* reader, const DecodedRowTarget* target) {
    if (!StartsLikePng(reader)) return -1;
    PngLoadState st;
    std::memset(&st, 0, sizeof(st));
    int result = -1;
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngSilentError, PngSilentWarning);
    if (st.png != nullptr) {
        st.info = png_create_info_struct(st.png);
        SetPngReadStream(&st.stream, reader);
        if (st.info != nullptr) result = DecodeRows(&st, target);
        png_destroy_read_struct(&st.png, st.info ? &st.info : nullptr, nullptr);
    }
    return result;
}

int LoadPngImage(StreamReader* reader, GraphImage* image) { return DecodeIntoImage(DecodePngRows, reader, image); }
