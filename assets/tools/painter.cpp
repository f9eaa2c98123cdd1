// painter: paints the game's pictures from the recipes in assets/src/art/.
//   painter --characters CHARACTERS.txt --out DIR RECIPE.txt
// A recipe line is "picture FILE WIDTH HEIGHT LOOK key=value ..."; a
// characters line is "character NAME key=value ...". PNG pictures are written
// with alpha (RGBA), JPEG pictures opaque.
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "paint.h"

namespace {

using namespace paint;

LookFn FindLook(const std::string& name) {
    for (const Look* table : {kSpriteLooks, kPortraitLooks, kSceneLooks, kEffectLooks})
        for (const Look* l = table; l->name != nullptr; ++l)
            if (name == l->name) return l->draw;
    return nullptr;
}

bool EndsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// The game keys out pure white in pictures without alpha; keep it out of ours as well,
// so no loader setting can punch holes into a sprite.
void AvoidPureWhite(cairo_surface_t* s) {
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < cairo_image_surface_get_height(s); ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + size_t(y) * stride);
        for (int x = 0; x < cairo_image_surface_get_width(s); ++x) {
            const uint32_t p = row[x], a = p >> 24;
            if (a != 0 && ((p >> 16) & 0xFF) == a && ((p >> 8) & 0xFF) == a && (p & 0xFF) == a) row[x] = p - 1;
        }
    }
    cairo_surface_mark_dirty(s);
}

void WriteJpeg(cairo_surface_t* s, const std::string& path) {
    cairo_surface_flush(s);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot write " + path);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = cairo_image_surface_get_width(s);
    c.image_height = cairo_image_surface_get_height(s);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 92, TRUE);
    jpeg_start_compress(&c, TRUE);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    std::vector<unsigned char> rgb(c.image_width * 3);
    while (c.next_scanline < c.image_height) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + size_t(c.next_scanline) * stride);
        for (unsigned x = 0; x < c.image_width; ++x) {
            rgb[x * 3] = (row[x] >> 16) & 0xFF;
            rgb[x * 3 + 1] = (row[x] >> 8) & 0xFF;
            rgb[x * 3 + 2] = row[x] & 0xFF;
        }
        JSAMPROW rows[1] = {rgb.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    if (std::fclose(f) != 0) throw std::runtime_error("cannot write " + path);
}

struct SurfaceFree {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextFree {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};

void Paint(const Recipe& r, const Context& ctx, const std::string& outDir) {
    LookFn draw = FindLook(r.look);
    if (draw == nullptr) throw std::runtime_error("unknown look " + r.look);
    const bool jpeg = EndsWith(r.file, ".jpg");
    if (!jpeg && !EndsWith(r.file, ".png")) throw std::runtime_error("pictures are .png or .jpg: " + r.file);
    if (EndsWith(r.file, "_a.png")) throw std::runtime_error("a name ending in _a names another picture's alpha");
    std::unique_ptr<cairo_surface_t, SurfaceFree> s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, r.width, r.height));
    {
        std::unique_ptr<cairo_t, ContextFree> cr(cairo_create(s.get()));
        if (jpeg) {   // opaque pictures start black: the effect sheets key black out
            cairo_set_source_rgb(cr.get(), 0, 0, 0);
            cairo_paint(cr.get());
        }
        draw(cr.get(), r, ctx);
        const cairo_status_t status = cairo_status(cr.get());
        if (status != CAIRO_STATUS_SUCCESS)
            throw std::runtime_error(std::string("drawing failed: ") + cairo_status_to_string(status));
    }
    const std::string path = outDir + "/" + r.file;
    if (jpeg) {
        WriteJpeg(s.get(), path);
    } else {
        AvoidPureWhite(s.get());
        if (cairo_surface_write_to_png(s.get(), path.c_str()) != CAIRO_STATUS_SUCCESS)
            throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string characters, outDir, recipe;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--characters" && i + 1 < argc)
            characters = argv[++i];
        else if (a == "--out" && i + 1 < argc)
            outDir = argv[++i];
        else
            recipe = a;
    }
    if (characters.empty() || outDir.empty() || recipe.empty()) {
        std::fprintf(stderr, "usage: painter --characters CHARACTERS.txt --out DIR RECIPE.txt\n");
        return 2;
    }
    Context ctx;
    std::string where;
    try {
        for (const Line& l : ReadLines(characters)) {
            where = Where(characters, l);
            if (l.words[0] != "character" || l.words.size() != 2) throw std::runtime_error("want: character NAME key=value ...");
            ctx.characters[l.words[1]].keys = l.keys;
        }
        for (const Line& l : ReadLines(recipe)) {
            where = Where(recipe, l);
            if (l.words[0] != "picture" || l.words.size() != 5)
                throw std::runtime_error("want: picture FILE WIDTH HEIGHT LOOK key=value ...");
            Recipe r;
            r.file = l.words[1];
            r.width = std::atoi(l.words[2].c_str());
            r.height = std::atoi(l.words[3].c_str());
            r.look = l.words[4];
            r.keys = l.keys;
            if (r.width <= 0 || r.height <= 0 || r.width > 4096 || r.height > 4096)
                throw std::runtime_error("bad size");
            Paint(r, ctx, outDir);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "painter: %s%s\n", where.c_str(), e.what());
        return 1;
    }
    return 0;
}
