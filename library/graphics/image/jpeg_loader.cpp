// JPEG loader: a libjpeg source manager over a StreamReader and an error
// manager that returns to the loader; grey and colour JPEGs become graph
// images, four-channel (CMYK) files are refused.
//
// libjpeg reports errors by longjmp: no C++ object with a destructor lives in
// the jump frame, and the pixel buffer sits in a state record that the caller
// frees on every failure path.
#include <cstdio>   // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstring>

#include "core/alloc.h"
#include "graphics/image/image_decoders.h"
#include "graphics/image/image_stream.h"

namespace {

using namespace image_stream;

constexpr size_t kInputBufferSize = 4096;

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
    unsigned char* pixels;
};

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
    if (n == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        std::memcpy(src->buffer, kEndOfImage, sizeof(kEndOfImage));
        n = sizeof(kEndOfImage);
    }
    src->pub.next_input_byte = src->buffer;
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
        src->buffer = static_cast<JOCTET*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kInputBufferSize));
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

int DecodeJpeg(JpegLoadState* st, StreamReader* reader, GraphImage* image) {
    j_decompress_ptr cinfo = &st->cinfo;
    if (setjmp(st->error.jump)) return -1;
    jpeg_create_decompress(cinfo);
    SetJpegReadStream(cinfo, reader);
    jpeg_read_header(cinfo, TRUE);
    // Four-channel files would come out as CMYK bytes, not colours.
    if (cinfo->num_components != 1 && cinfo->num_components != 3) return -1;
#ifdef JCS_EXTENSIONS
    // The library can hand out blue, green, red itself: rows go straight in.
    const bool direct = cinfo->out_color_space == JCS_RGB;
    if (direct) cinfo->out_color_space = JCS_EXT_BGR;
#else
    const bool direct = false;
#endif
    jpeg_start_decompress(cinfo);
    const int components = cinfo->output_components;
    if (components != 1 && components != 3) return -1;
    if (!SizeOk(cinfo->output_width, cinfo->output_height)) return -1;
    const JDIMENSION width = cinfo->output_width;
    const size_t stride = size_t(width) * components;
    if (!BytesOk(stride, cinfo->output_height)) return -1;
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                 JDIMENSION(stride), 1);
    st->pixels = static_cast<unsigned char*>(ZVALLOC(stride * cinfo->output_height));
    if (st->pixels == nullptr) return -1;
    while (cinfo->output_scanline < cinfo->output_height) {
        unsigned char* out = st->pixels + stride * cinfo->output_scanline;
        if (components == 1 || direct) {
            JSAMPROW target = out;
            jpeg_read_scanlines(cinfo, &target, 1);
            continue;
        }
        jpeg_read_scanlines(cinfo, row, 1);
        const unsigned char* in = row[0];
        for (JDIMENSION x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    jpeg_finish_decompress(cinfo);
    std::memset(image, 0, sizeof(*image));
    if (components == 1) SetColorDataGrey8(&image->ColorInfo);
    else SetColorDataStandard24(&image->ColorInfo);
    image->Width = int(cinfo->output_width);
    image->Height = int(cinfo->output_height);
    image->Pitch = int(stride);
    image->Pixels = st->pixels;
    st->pixels = nullptr;
    return 0;
}

}  // namespace

int LoadJpegImage(StreamReader* reader, GraphImage* image) {
    JpegLoadState* st = static_cast<JpegLoadState*>(ZVCALLOC(sizeof(JpegLoadState)));
    if (st == nullptr) return -1;
    st->cinfo.err = jpeg_std_error(&st->error.pub);
    st->error.pub.error_exit = ErrorExit;
    st->error.pub.output_message = SilentMessage;
    const int result = DecodeJpeg(st, reader, image);
    jpeg_destroy_decompress(&st->cinfo);
    if (st->pixels) ZvFree(st->pixels);
    ZvFree(st);
    return result;
}
