// The loader chain's placing of decoded rows: a graph image of the decoded
// kind's own form.
#include "graphics/image/decoded_rows.h"

#include <cstring>

#include "core/alloc.h"
#include "graphics/image/graph_image.h"

int DecodedPixelBytes(DecodedKind kind, DecodedRowForm form) {
    switch (kind) {
    case DECODED_GREY:
    case DECODED_PALETTE: return 1;
    case DECODED_GREY_ALPHA: return 2;
    case DECODED_COLOUR: return form == DECODED_ROWS_FOUR_BYTES ? 4 : 3;
    case DECODED_COLOUR_ALPHA: return 4;
    }
    return 0;
}

int PlaceDecodedRowsInImage(GraphImage* image, const DecodedHeader& header, DecodedRows* rows) {
    const size_t stride = size_t(header.width) * size_t(DecodedPixelBytes(header.kind, DECODED_ROWS_AS_FILE));
    std::memset(image, 0, sizeof(*image));
    image->Pixels = ZVALLOC(stride * size_t(header.height));
    if (image->Pixels == nullptr) return -1;
    ColorData& c = image->ColorInfo;
    switch (header.kind) {
    case DECODED_GREY: SetColorDataGrey8(&c); break;
    // The grey byte feeds all three colours; the alpha byte rides along unused.
    case DECODED_GREY_ALPHA: CreateColorDataImpl(&c, 16, 0xFF, 0xFF, 0xFF, 0); break;
    case DECODED_PALETTE:
        SetColorDataPalette8(&c);
        std::memset(c.Palette, 0, sizeof(c.Palette));
        for (int i = 0; i < header.paletteCount && i < 256; ++i) c.Palette[i] = header.palette[i];
        break;
    case DECODED_COLOUR: SetColorDataStandard24(&c); break;
    case DECODED_COLOUR_ALPHA: CreateColorDataImpl(&c, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u); break;
    }
    image->Width = header.width;
    image->Height = header.height;
    image->Pitch = int(stride);
    rows->form = DECODED_ROWS_AS_FILE;
    rows->base = static_cast<unsigned char*>(image->Pixels);
    rows->pitch = stride;
    rows->bandRows = 0;
    return 0;
}

int DecodeIntoImage(RowDecoder decode, StreamReader* reader, GraphImage* image) {
    GraphImage decoded;
    std::memset(&decoded, 0, sizeof(decoded));
    const auto place = [](void* context, const DecodedHeader& header, DecodedRows* rows) {
        return PlaceDecodedRowsInImage(static_cast<GraphImage*>(context), header, rows);
    };
    const DecodedRowTarget target{place, nullptr, &decoded};
    if (decode(reader, &target) != 0) {
        ReleaseGraphImage(&decoded);
        return -1;
    }
    *image = decoded;
    return 0;
}
