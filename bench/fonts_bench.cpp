// A 40-character HUD line drawn once per frame into a 640x480 software
// screen: through the glyph cache, side by side with rasterising the same
// line with FreeType on every frame.
#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <iconv.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/library_state.h"
#include "core/log.h"
#include "graphics/font/font_draw.h"
#include "graphics/font/font_handle.h"
#include "graphics/graphics_core.h"
#include "graphics/image/color_data.h"
#include "graphics/memimg/memimg_graphics.h"

namespace {

// 40 characters: ASCII digits and letters with full-width Japanese.
const char* const kHud = "SCORE 0001234560  HI 0009876540 残機3 ボム02";

struct BenchWorld {
    MEMIMG screen{};
    int plainFont = -1, aaFont = -1;
    int white = 0;
    BenchWorld() {
        g_Library.persistent.startupDir = "/tmp";
        g_Library.persistent.startupDirOnDisk = "/tmp";
        g_Library.persistent.windowMode = 1;
        InitializeDisplay();
        ResetDefaultFontState();
        InitFont();
        InitializeMemImg(&screen, 640, 480, -1, 0, MEMIMG_FORMAT_X8R8G8B8, 0, 1, 0);
        plainFont = CreateFontToHandleImpl(nullptr, 20, -1, 0, -1, -1, 0, -1, -1);
        aaFont = CreateFontToHandleImpl(nullptr, 20, -1, 2, -1, -1, 0, -1, -1);
        white = GetColorImpl(255, 255, 255);
    }
};
BenchWorld& World() {
    static BenchWorld w;
    return w;
}

void Cached(benchmark::State& state, bool antialias) {
    BenchWorld& w = World();
    const int font = antialias ? w.aaFont : w.plainFont;
    for (auto _ : state) {
        int width = DrawFontStringToMemImg(&w.screen, nullptr, 8, 8, kHud, w.white, 0, font, 0, 0xFFFFFF);
        benchmark::DoNotOptimize(width);
    }
    state.SetItemsProcessed(state.iterations() * 40);
}

// The same line with FreeType alone: every glyph loaded, rendered and
// written on every frame (the text is turned into Unicode once, outside).
void FreeTypeDirect(benchmark::State& state, bool antialias) {
    BenchWorld& w = World();
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0 ||
        FT_New_Face(library, "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", 0, &face) != 0) {
        state.SkipWithError("no IPA Gothic");
        return;
    }
    FT_Set_Pixel_Sizes(face, 0, 19);
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    std::vector<uint32_t> text(64);
    char* in = const_cast<char*>(kHud);
    size_t inLeft = std::strlen(kHud), outLeft = text.size() * 4;
    char* out = reinterpret_cast<char*>(text.data());
    iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    text.resize(text.size() - outLeft / 4);
    const FT_Int32 flags = FT_LOAD_RENDER | FT_LOAD_NO_BITMAP | (antialias ? 0 : FT_LOAD_TARGET_MONO);
    for (auto _ : state) {
        int pen = 8;
        for (uint32_t c : text) {
            if (FT_Load_Char(face, c, flags) != 0) continue;
            const FT_GlyphSlot g = face->glyph;
            const FT_Bitmap& b = g->bitmap;
            const int left = pen + g->bitmap_left, top = 8 + 16 - g->bitmap_top;
            for (unsigned r = 0; r < b.rows; ++r) {
                const int y = top + int(r);
                if (y < 0 || y >= 480) continue;
                uint32_t* row = reinterpret_cast<uint32_t*>(w.screen.Pixels + size_t(y) * w.screen.Pitch);
                const unsigned char* src = b.buffer + ptrdiff_t(r) * b.pitch;
                for (unsigned x = 0; x < b.width; ++x) {
                    const int px = left + int(x);
                    if (px < 0 || px >= 640) continue;
                    const unsigned v = antialias ? src[x] : (src[x >> 3] >> (7 - (x & 7)) & 1) * 255;
                    if (v) row[px] = 0x00FFFFFF | v << 24;
                }
            }
            pen += int(g->advance.x >> 6);
        }
        benchmark::DoNotOptimize(pen);
    }
    state.SetItemsProcessed(state.iterations() * 40);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

}  // namespace

BENCHMARK_CAPTURE(Cached, hud_plain, false);
BENCHMARK_CAPTURE(FreeTypeDirect, hud_plain, false);
BENCHMARK_CAPTURE(Cached, hud_antialiased, true);
BENCHMARK_CAPTURE(FreeTypeDirect, hud_antialiased, true);
