// Decoding into rows the caller places: the JPEG and PNG decoders hand their
// rows either to a graph image of the loader chain or, on LoadGraph's straight
// road, to a graph's own pixels.
#pragma once
#include <cstddef>

#include "graphics/image/color_data.h"

struct GraphImage;
struct StreamReader;

// What a decoded image holds, one or more bytes a pixel.
enum DecodedKind {
    DECODED_GREY,          // one byte
    DECODED_GREY_ALPHA,    // grey, then alpha
    DECODED_PALETTE,       // one palette index
    DECODED_COLOUR,        // blue, green, red
    DECODED_COLOUR_ALPHA,  // blue, green, red, alpha
};

enum DecodedRowForm {
    DECODED_ROWS_AS_FILE,     // the kind's own bytes
    DECODED_ROWS_FOUR_BYTES,  // colour kinds as blue, green, red, then alpha (0xFF without)
};

struct DecodedRows {
    DecodedRowForm form;
    unsigned char* base;   // row 0
    size_t pitch;
    // 0, or the rows of a band that row y shares with y + bandRows: placed
    // only for decoders that give rows in order, each band taken when done.
    int bandRows;
};

struct DecodedHeader {
    int width;
    int height;
    DecodedKind kind;
    const ColorPaletteEntry* palette;   // the palette kind's colours
    int paletteCount;
    bool rowsInOrder;   // every row written once, top down, each told done as it is
};

struct DecodedRowTarget {
    // Asked once the header is read: fills rows, or returns -1 to refuse the image.
    int (*place)(void* context, const DecodedHeader& header, DecodedRows* rows);
    // Told, when not null, that the rows above the given count are final, as
    // they become so; the decoder may also tell nothing until it returns.
    void (*rowsDone)(void* context, int rows);
    void* context;
};

// Bytes a pixel of a kind in a row form.
int DecodedPixelBytes(DecodedKind kind, DecodedRowForm form);

// Decode the stream (from position 0) into the target's rows: 0 when every
// row was written, -1 when the data is no usable image of the format or the
// target refused.
int DecodeJpegRows(StreamReader* reader, const DecodedRowTarget* target);
int DecodePngRows(StreamReader* reader, const DecodedRowTarget* target);

// The loader chain's placing: a new graph image of the kind's own form (rows
// packed without padding) whose pixels the image owns.
int PlaceDecodedRowsInImage(GraphImage* image, const DecodedHeader& header, DecodedRows* rows);
// A loader of the chain made of a decoder: 0 with the image filled, or -1
// with the image untouched.
using RowDecoder = int (*)(StreamReader* reader, const DecodedRowTarget* target);
int DecodeIntoImage(RowDecoder decode, StreamReader* reader, GraphImage* image);
