// JPEG decoding into rows the caller places: the loader chain's graph image
// and LoadGraph's straight road into a graph's own pixels share it.
#pragma once
#include <cstddef>

struct GraphImage;
struct StreamReader;

enum JpegRowForm {
    JPEG_ROWS_AS_FILE,   // grey files one byte a pixel, colour files blue, green, red
    JPEG_ROWS_BGRA,      // four bytes a pixel: blue, green, red, 0xFF
};

struct JpegRows {
    JpegRowForm form;
    unsigned char* base;   // row 0
    size_t pitch;
};

struct JpegRowTarget {
    // Asked once the header is read, with the image's size and component
    // count (1 or 3): fills rows, or returns -1 to refuse the image.
    int (*place)(void* context, int width, int height, int components, JpegRows* rows);
    void* context;
};

// Decodes the stream (from position 0) into the target's rows: 0 when every
// row was written, -1 when the data is no usable JPEG or the target refused.
int DecodeJpegRows(StreamReader* reader, const JpegRowTarget* target);

// The loader chain's placing: a new graph image of the file's own form (8-bit
// grey or 24-bit, rows packed without padding) whose pixels the image owns.
int PlaceJpegRowsInImage(GraphImage* image, int width, int height, int components, JpegRows* rows);
