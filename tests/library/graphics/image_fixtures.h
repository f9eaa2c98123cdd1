// Small images made by the tests themselves: PNG and JPEG through libpng and
// libjpeg, BMP, TGA, DDS and BGRA bytes by hand, and a reader over memory.
#pragma once
#include <png.h>
#include <cstdio>
#include <jpeglib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/file/file_access.h"
#include "graphics/image/graph_image.h"

namespace imgfix {

using Bytes = std::vector<unsigned char>;

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void Set32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

inline void WriteFile(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

// ---- PNG ------------------------------------------------------------------
struct PngSpec {
    int width = 0, height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlace = false;
    std::vector<png_color> palette;
    std::vector<unsigned char> trns;   // palette alpha, or one grey/RGB value (16-bit BE samples)
    Bytes rows;                        // packed rows in PNG byte order, tightly
};

inline Bytes MakePng(const PngSpec& s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return Bytes();
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t len) {
            Bytes* o = static_cast<Bytes*>(png_get_io_ptr(p));
            o->insert(o->end(), data, data + len);
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.bitDepth, s.colorType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty())
        png_set_PLTE(png, info, const_cast<png_colorp>(s.palette.data()), int(s.palette.size()));
    if (!s.trns.empty()) {
        if (s.colorType == PNG_COLOR_TYPE_PALETTE) {
            png_set_tRNS(png, info, const_cast<png_bytep>(s.trns.data()), int(s.trns.size()), nullptr);
        } else {
            png_color_16 c{};
            c.gray = c.red = uint16_t(s.trns[0] << 8 | s.trns[1]);
            if (s.trns.size() >= 6) {
                c.green = uint16_t(s.trns[2] << 8 | s.trns[3]);
                c.blue = uint16_t(s.trns[4] << 8 | s.trns[5]);
            }
            png_set_tRNS(png, info, nullptr, 0, &c);
        }
    }
    png_write_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_bytep> rows(size_t(s.height));
    for (int y = 0; y < s.height; ++y) rows[size_t(y)] = const_cast<png_bytep>(s.rows.data() + rowBytes * size_t(y));
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// RGB8 or RGBA8 PNG from 0xAARRGGBB pixels.
inline Bytes MakeRgbPng(int w, int h, const std::vector<uint32_t>& px, bool alpha) {
    PngSpec s;
    s.width = w;
    s.height = h;
    s.colorType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    for (uint32_t p : px) {
        s.rows.push_back(uint8_t(p >> 16));
        s.rows.push_back(uint8_t(p >> 8));
        s.rows.push_back(uint8_t(p));
        if (alpha) s.rows.push_back(uint8_t(p >> 24));
    }
    return MakePng(s);
}

// ---- JPEG -----------------------------------------------------------------
// The shapes of JPEG a game meets: chroma subsampled or not, progressive,
// with restart markers, stored as RGB without the colour transform.
struct JpegSpec {
    int width = 0, height = 0;
    int components = 3;       // 1 grey, 3 colour, 4 CMYK
    Bytes pixels;             // width x height x components, rows from the top
    int quality = 100;
    int hSample = 1, vSample = 1;   // luma sampling factors (2, 2 is the common 4:2:0)
    bool progressive = false;
    int restartRows = 0;      // a restart marker every this many MCU rows
    bool rgbStored = false;   // colour kept as RGB, no YCbCr transform
};

inline Bytes MakeJpeg(const JpegSpec& s) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(s.width);
    c.image_height = JDIMENSION(s.height);
    c.input_components = s.components;
    c.in_color_space = s.components == 1 ? JCS_GRAYSCALE : (s.components == 3 ? JCS_RGB : JCS_CMYK);
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, s.quality, TRUE);
    if (s.rgbStored) jpeg_set_colorspace(&c, JCS_RGB);
    if (s.components == 3) {
        for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
        c.comp_info[0].h_samp_factor = s.hSample;
        c.comp_info[0].v_samp_factor = s.vSample;
    }
    if (s.progressive) jpeg_simple_progression(&c);
    c.restart_in_rows = s.restartRows;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(s.pixels.data() +
                                            size_t(c.next_scanline) * size_t(s.width) * size_t(s.components));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(mem, mem + size);
    free(mem);
    return out;
}

// No chroma subsampling, so flat colours come back closely.
inline Bytes MakeJpeg(int w, int h, int components, const Bytes& px, int quality = 100) {
    JpegSpec s;
    s.width = w;
    s.height = h;
    s.components = components;
    s.pixels = px;
    s.quality = quality;
    return MakeJpeg(s);
}

// ---- BMP ------------------------------------------------------------------
struct BmpSpec {
    int width = 0, height = 0;     // negative height: top-down
    int bits = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    std::vector<uint32_t> palette; // 0x00RRGGBB
    uint32_t masks[4] = {0, 0, 0, 0};
    bool masksAfterHeader = false; // bit fields behind a 40-byte header
    Bytes data;                    // pixel data as stored in the file
};

inline Bytes MakeBmp(const BmpSpec& s) {
    Bytes b = {'B', 'M'};
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);   // data offset, set below
    Bytes h;
    Put32(h, s.headerSize);
    Put32(h, uint32_t(s.width));
    Put32(h, uint32_t(s.height));
    Put16(h, 1);
    Put16(h, uint32_t(s.bits));
    Put32(h, s.compression);
    Put32(h, uint32_t(s.data.size()));
    Put32(h, 2835);
    Put32(h, 2835);
    Put32(h, uint32_t(s.palette.size()));
    Put32(h, 0);
    if (s.headerSize >= 52) {
        for (int i = 0; i < 4; ++i) Put32(h, s.masks[i]);
    }
    h.resize(s.headerSize, 0);
    b.insert(b.end(), h.begin(), h.end());
    if (s.masksAfterHeader)
        for (int i = 0; i < 3; ++i) Put32(b, s.masks[i]);
    for (uint32_t c : s.palette) Put32(b, c & 0xFFFFFF);
    Set32(b, 10, uint32_t(b.size()));
    b.insert(b.end(), s.data.begin(), s.data.end());
    Set32(b, 2, uint32_t(b.size()));
    return b;
}

// ---- TGA ------------------------------------------------------------------
inline Bytes TgaHeader(int type, int width, int height, int depth, int descriptor, int mapType = 0,
                       int mapFirst = 0, int mapLength = 0, int mapEntryBits = 0, int idLength = 0) {
    Bytes b = {uint8_t(idLength), uint8_t(mapType), uint8_t(type)};
    Put16(b, uint32_t(mapFirst));
    Put16(b, uint32_t(mapLength));
    b.push_back(uint8_t(mapEntryBits));
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, uint32_t(width));
    Put16(b, uint32_t(height));
    b.push_back(uint8_t(depth));
    b.push_back(uint8_t(descriptor));
    return b;
}

inline void AppendTgaFooter(Bytes& b) {
    Put32(b, 0);
    Put32(b, 0);
    const char* sig = "TRUEVISION-XFILE";
    b.insert(b.end(), sig, sig + 16);
    b.push_back('.');
    b.push_back(0);
}

// ---- DDS ------------------------------------------------------------------
inline Bytes DdsHeader(int width, int height, uint32_t pfFlags, uint32_t fourCC, int bits, uint32_t r, uint32_t g,
                       uint32_t bl, uint32_t a, int pitch = 0) {
    Bytes b = {'D', 'D', 'S', ' '};
    Bytes d(124, 0);
    Set32(d, 0, 124);
    Set32(d, 4, 0x1007 | (pitch ? 0x8 : 0));
    Set32(d, 8, uint32_t(height));
    Set32(d, 12, uint32_t(width));
    Set32(d, 16, uint32_t(pitch));
    Set32(d, 72, 32);
    Set32(d, 76, pfFlags);
    Set32(d, 80, fourCC);
    Set32(d, 84, uint32_t(bits));
    Set32(d, 88, r);
    Set32(d, 92, g);
    Set32(d, 96, bl);
    Set32(d, 100, a);
    b.insert(b.end(), d.begin(), d.end());
    return b;
}

// ---- BGRA -----------------------------------------------------------------
inline Bytes BgraHeader(uint32_t format, int width, int height) {
    Bytes b = {'B', 'G', 'R', 'A'};
    Put32(b, format);
    Put32(b, uint32_t(width));
    Put32(b, uint32_t(height));
    return b;
}

// ---- decoding -------------------------------------------------------------
// Runs the whole loader chain over a memory image; -1 when refused.
inline int Decode(const Bytes& data, GraphImage* image) {
    std::memset(image, 0, sizeof(*image));
    MemStream* stream = MemStreamOpen(data.data(), data.size());
    if (stream == nullptr) return -1;
    // The memory stream's own operations, so this needs nothing else of the file layer.
    StreamReader reader;
    reader.functions = StreamFunctions{MemStreamTell, MemStreamSeek, MemStreamRead,
                                       MemStreamEof, MemStreamIdleCheck, MemStreamClose};
    reader.handle = reinterpret_cast<intptr_t>(stream);
    int result = CallImageLoaders(&reader, image);
    MemStreamClose(reader.handle);
    return result;
}

}  // namespace imgfix
