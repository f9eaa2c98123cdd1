// JPEG loader: a libjpeg source manager over a StreamReader, an error manager
// that returns to the loader, and the row loop that writes decoded rows where
// the caller places them; the loader chain's JPEG loader places them in a
// graph image (grey and colour files; four-channel CMYK files are refused).
//
// libjpeg reports errors by longjmp: no C++ object with a destructor lives in
// the jump frame, and whatever the target allocated is its owner's to free on
// every failure path.
#include <cstdio>   // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstring>

#include "graphics/image/image_decoders.h"
#include "graphics/image/image_stream.h"
#include "graphics/image/decoded_rows.h"

#ifndef JCS_EXTENSIONS
#error "the JPEG loader needs libjpeg's blue-green-red output forms"
#endif

namespace {

using namespace image_stream;

// The stream is read a buffer at a time into one buffer kept from load to
// load, so that a load makes no buffer of the file's size and faults in no
// fresh pages.
constexpr size_t kInputBufferSize = 64 << 10;
// Rows handed to libjpeg per call (it makes up to 16 rows an iMCU row).
constexpr int kBandRows = 16;

struct JpegSource {
    jpeg_source_mgr pub;
    JOCTET* buffer;
    boolean startOfFile;
    StreamReader* reader;
    int32_t size;
};

struct JpegErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

struct JpegLoadState {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
};

// Loads run one at a time under the library lock.
struct JpegLoaderState {
    JOCTET inputBuffer[kInputBufferSize];
};
JpegLoaderState g_jpeg;

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr cinfo) {
    reinterpret_cast<JpegSource*>(cinfo->src)->startOfFile = TRUE;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    JpegSource* src = reinterpret_cast<JpegSource*>(cinfo->src);
    const int32_t pos = Tell(src->reader);
    const int32_t remain = pos < 0 ? 0 : src->size - pos;
    size_t n = remain >= int32_t(kInputBufferSize) ? kInputBufferSize : (remain > 0 ? size_t(remain) : 0);
    // A read that fails counts as the end of the data.
    if (n > 0 && !Read(src->reader, src->buffer, n)) n = 0;
    src->pub.next_input_byte = src->buffer;
    if (n == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        std::memcpy(src->buffer, kEndOfImage, sizeof(kEndOfImage));
        n = sizeof(kEndOfImage);
    }
    src->pub.bytes_in_buffer = n;
    src->startOfFile = FALSE;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    JpegSource* src = reinterpret_cast<JpegSource*>(cinfo->src);
    if (count <= 0) return;
    while (count > long(src->pub.bytes_in_buffer)) {
        count -= long(src->pub.bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

void ErrorExit(j_common_ptr cinfo) {
    JpegErrorManager* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->output_message)(cinfo);
    longjmp(err->jump, 1);
}

// The loaders write nothing to the log or the console.
void SilentMessage(j_common_ptr) {}

void SetJpegReadStream(j_decompress_ptr cinfo, StreamReader* reader) {
    if (cinfo->src == nullptr) {
        JpegSource* src = static_cast<JpegSource*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegSource)));
        src->buffer = g_jpeg.inputBuffer;
        cinfo->src = &src->pub;
    }
    JpegSource* src = reinterpret_cast<JpegSource*>(cinfo->src);
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    src->reader = reader;
    src->size = Size(reader);   // positions are absolute; the loader starts at 0
}

// Every JPEG starts with the start-of-image marker; anything else is refused
// here, before the decompressor is set up.
bool StartsLikeJpeg(StreamReader* reader) {
    unsigned char soi[2];
    const bool jpeg = Read(reader, soi, sizeof(soi)) && soi[0] == 0xFF && soi[1] == 0xD8;
    Seek(reader, 0, 0);
    return jpeg;
}

int DecodeRows(JpegLoadState* st, StreamReader* reader, const DecodedRowTarget* target) {
    j_decompress_ptr cinfo = &st->cinfo;
    if (setjmp(st->error.jump)) return -1;
    jpeg_create_decompress(cinfo);
    SetJpegReadStream(cinfo, reader);
    jpeg_read_header(cinfo, TRUE);
    // Four-channel files would come out as CMYK bytes, not colours.
    if (cinfo->num_components != 1 && cinfo->num_components != 3) return -1;
    jpeg_calc_output_dimensions(cinfo);
    const int components = cinfo->output_components;
    if (components != 1 && components != 3) return -1;
    if (!SizeOk(cinfo->output_width, cinfo->output_height)) return -1;
    if (!BytesOk(uint64_t(cinfo->output_width) * components, cinfo->output_height)) return -1;
    const DecodedHeader header{int(cinfo->output_width), int(cinfo->output_height),
                               components == 1 ? DECODED_GREY : DECODED_COLOUR, nullptr, 0, false};
    DecodedRows rows{DECODED_ROWS_AS_FILE, nullptr, 0, 0};
    if (target->place(target->context, header, &rows) != 0) return -1;
    // libjpeg hands out blue, green, red (and an opaque fourth byte) itself:
    // rows go straight to where they belong.
    if (rows.form == DECODED_ROWS_FOUR_BYTES && components == 3) cinfo->out_color_space = JCS_EXT_BGRA;
    else if (components == 3) cinfo->out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(cinfo);
    const JDIMENSION height = cinfo->output_height;
    while (cinfo->output_scanline < height) {
        const JDIMENSION top = cinfo->output_scanline;
        JSAMPROW band[kBandRows];
        const JDIMENSION count = height - top < JDIMENSION(kBandRows) ? height - top : JDIMENSION(kBandRows);
        for (JDIMENSION i = 0; i < count; ++i) band[i] = rows.base + rows.pitch * (top + i);
        jpeg_read_scanlines(cinfo, band, count);
    }
    jpeg_finish_decompress(cinfo);
    return 0;
}

}  // namespace

int DecodeJpegRows(StreamReader* reader, const DecodedRowTarget* target) {
    if (!StartsLikeJpeg(reader)) return -1;
    JpegLoadState st;
    std::memset(&st, 0, sizeof(st));
    st.cinfo.err = jpeg_std_error(&st.error.pub);
    st.error.pub.error_exit = ErrorExit;
    st.error.pub.output_message = SilentMessage;
    const int result = DecodeRows(&st, reader, target);
    jpeg_destroy_decompress(&st.cinfo);
    return result;
}

int LoadJpegImage(StreamReader* reader, GraphImage* image) { return DecodeIntoImage(DecodeJpegRows, reader, image); }
