// Glyph source over FreeType and fontconfig: faces found by name (the default
// face and unknown faces fall back to IPA Gothic), sized so that ascent plus
// descent is the asked height, Shift-JIS codes turned into Unicode at lookup.
#include "platform/glyphs_freetype.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <iconv.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <strings.h>

#include "platform/text_iconv.h"

namespace {

constexpr const char* kFallbackFile = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr const char* kFallbackFamily = "IPAGothic";
constexpr int kMaxHeight = 1024;

struct FreeTypeState {
    FT_Library library = nullptr;
    bool libraryTried = false;
    bool fontconfigReady = false;
    std::string defaultFile;   // resolved once
    int defaultIndex = 0;
};
FreeTypeState g_ft;

struct FtFont {
    FT_Face face = nullptr;
    GlyphTextMetrics metrics{};
    FT_Pos emboldenStrength = 0;   // 26.6, 0 = regular
    iconv_t toUcs4 = reinterpret_cast<iconv_t>(-1);
    // The glyph slot still holds the last rendered glyph: a size query and
    // the fetch that follows it render once.
    unsigned lastCode = 0;
    int lastFormat = 0;
    bool lastValid = false;
    bool lastBlank = false;
};

bool StartLibrary() {
    if (!g_ft.libraryTried) {
        g_ft.libraryTried = true;
        if (FT_Init_FreeType(&g_ft.library) != 0) g_ft.library = nullptr;
        g_ft.fontconfigReady = FcInit() == FcTrue;
    }
    return g_ft.library != nullptr;
}

// The file fontconfig picks for a family, only when the pick really is that
// family (fontconfig always answers with something).
bool MatchFamily(const char* familyUtf8, std::string& file, int& index) {
    if (!g_ft.fontconfigReady) return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    bool found = false;
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
        if (strcasecmp(reinterpret_cast<const char*>(family), familyUtf8) == 0) {
            found = true;
            break;
        }
    }
    FcChar8* path = nullptr;
    if (found && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        file = reinterpret_cast<const char*>(path);
        int i = 0;
        index = FcPatternGetInteger(match, FC_INDEX, 0, &i) == FcResultMatch ? i : 0;
    } else {
        found = false;
    }
    FcPatternDestroy(match);
    return found;
}

void DefaultFile(std::string& file, int& index) {
    if (g_ft.defaultFile.empty()) {
        if (!MatchFamily(kFallbackFamily, g_ft.defaultFile, g_ft.defaultIndex)) {
            g_ft.defaultFile = kFallbackFile;
            g_ft.defaultIndex = 0;
        }
    }
    file = g_ft.defaultFile;
    index = g_ft.defaultIndex;
}

void ResolveFace(const char* faceSjis, std::string& file, int& index) {
    // The game's default face is a Windows font: IPA Gothic stands in for it.
    if (faceSjis == nullptr || faceSjis[0] == 0 || std::strcmp(faceSjis, "ＭＳ ゴシック") == 0) {
        DefaultFile(file, index);
        return;
    }
    std::string utf8;
    if (ShiftJisToUtf8(faceSjis, utf8) != 0 || !MatchFamily(utf8.c_str(), file, index)) DefaultFile(file, index);
}

// Ascent and descent as the font declares them for its line height.
void DesignExtent(FT_Face face, long& ascent, long& descent) {
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    } else {
        ascent = face->ascender;
        descent = -face->descender;
    }
    if (ascent + descent <= 0) {
        ascent = face->units_per_EM;
        descent = 0;
    }
}

void CloseFont(FtFont* font) {
    if (!font) return;
    if (font->face) FT_Done_Face(font->face);
    if (font->toUcs4 != reinterpret_cast<iconv_t>(-1)) iconv_close(font->toUcs4);
    delete font;
}

GlyphFontHandle CreateFont(const GlyphFontSpec* spec) {
    if (!spec || spec->height <= 0 || spec->height > kMaxHeight || !StartLibrary()) return nullptr;
    std::string file;
    int faceIndex = 0;
    ResolveFace(spec->faceName, file, faceIndex);

    FtFont* font = new (std::nothrow) FtFont;
    if (!font) return nullptr;
    if (FT_New_Face(g_ft.library, file.c_str(), faceIndex, &font->face) != 0 || !FT_IS_SCALABLE(font->face)) {
        if (font->face) FT_Done_Face(font->face);
        font->face = nullptr;
        CloseFont(font);
        return nullptr;
    }
    font->toUcs4 = iconv_open("UTF-32LE", spec->charset == 129 ? "CP949" : "CP932");
    if (font->toUcs4 == reinterpret_cast<iconv_t>(-1)) {
        CloseFont(font);
        return nullptr;
    }

    FT_Face face = font->face;
    long designAscent = 0, designDescent = 0;
    DesignExtent(face, designAscent, designDescent);
    const double scale = double(spec->height) / double(designAscent + designDescent);
    const FT_F26Dot6 emSize = FT_F26Dot6(std::lround(face->units_per_EM * scale * 64.0));
    if (FT_Set_Char_Size(face, 0, emSize > 0 ? emSize : 1, 72, 72) != 0) {
        CloseFont(font);
        return nullptr;
    }
    GlyphTextMetrics& m = font->metrics;
    m.height = spec->height;
    m.ascent = int(std::lround(designAscent * scale));
    m.descent = m.height - m.ascent;
    m.maxCharWidth = int(std::lround(face->max_advance_width * scale));
    if (m.maxCharWidth < 1) m.maxCharWidth = 1;

    // One weight on disk: heavy weights are drawn by thickening the outline.
    if (spec->weight >= 600) font->emboldenStrength = spec->height * 2 > 64 ? spec->height * 2 : 64;
    if (spec->italic) {
        FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
        FT_Set_Transform(face, &shear, nullptr);
    }
    return font;
}

void DeleteFont(GlyphFontHandle handle) { CloseFont(static_cast<FtFont*>(handle)); }

int GetTextMetrics(GlyphFontHandle handle, GlyphTextMetrics* out) {
    if (!handle || !out) return -1;
    *out = static_cast<FtFont*>(handle)->metrics;
    return 0;
}

uint32_t ToUnicode(FtFont* font, unsigned code) {
    if (code < 0x80) return code;
    char in[2];
    size_t inLeft;
    if (code > 0xFF) {
        in[0] = char(code >> 8);
        in[1] = char(code & 0xFF);
        inLeft = 2;
    } else {
        in[0] = char(code);
        inLeft = 1;
    }
    unsigned char out[8];
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    iconv(font->toUcs4, nullptr, nullptr, nullptr, nullptr);
    if (iconv(font->toUcs4, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || outLeft != 4) return 0;
    return uint32_t(out[0]) | uint32_t(out[1]) << 8 | uint32_t(out[2]) << 16 | uint32_t(out[3]) << 24;
}

bool RenderGlyph(FtFont* font, unsigned code, int format) {
    if (font->lastValid && font->lastCode == code && font->lastFormat == format) return true;
    font->lastValid = false;
    FT_Face face = font->face;
    // A code without a glyph (or without a Unicode form) draws the font's
    // missing-glyph shape, as a character the font lacks does.
    const FT_UInt index = FT_Get_Char_Index(face, ToUnicode(font, code));
    const bool mono = format == GLYPH_BITMAP_MONO;
    FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face, index, flags) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    font->lastCode = code;
    font->lastFormat = format;
    font->lastValid = true;
    // Control codes and codes the font lacks keep the advance and show nothing.
    font->lastBlank = index == 0 || code < 0x20;
    if (font->lastBlank) return true;
    if (font->emboldenStrength && slot->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_EmboldenXY(&slot->outline, font->emboldenStrength, 0);
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
        font->lastValid = false;
        return false;
    }
    return true;
}

// One source pixel as coverage 0..255, whatever mode FreeType produced.
int SourceCoverage(const FT_Bitmap& b, int x, int y) {
    const unsigned char* row = b.buffer + (b.pitch >= 0 ? ptrdiff_t(y) * b.pitch
                                                        : ptrdiff_t(b.rows - 1 - y) * -b.pitch);
    switch (b.pixel_mode) {
        case FT_PIXEL_MODE_MONO: return (row[x >> 3] >> (7 - (x & 7)) & 1) ? 255 : 0;
        case FT_PIXEL_MODE_GRAY: return b.num_grays > 1 ? row[x] * 255 / (b.num_grays - 1) : row[x];
        default: return 0;
    }
}

long GetGlyph(GlyphFontHandle handle, unsigned code, int format, GlyphMetrics* metrics, unsigned char* buffer,
              size_t bufferSize) {
    FtFont* font = static_cast<FtFont*>(handle);
    if (!font || !metrics || (format != GLYPH_BITMAP_MONO && format != GLYPH_BITMAP_GRAY4)) return -1;
    if (!RenderGlyph(font, code, format)) return -1;
    const FT_GlyphSlot slot = font->face->glyph;
    const FT_Bitmap& b = slot->bitmap;
    metrics->cellIncX = int((slot->advance.x + 32) >> 6);
    if (font->lastBlank || b.width == 0 || b.rows == 0 || !b.buffer) {
        metrics->blackBoxX = metrics->blackBoxY = 0;
        metrics->originX = metrics->originY = 0;
        return 0;
    }
    const int w = int(b.width), h = int(b.rows);
    metrics->blackBoxX = w;
    metrics->blackBoxY = h;
    metrics->originX = slot->bitmap_left;
    metrics->originY = slot->bitmap_top;
    const int pitch = format == GLYPH_BITMAP_MONO ? (w + 31) / 32 * 4 : (w + 3) / 4 * 4;
    const long size = long(pitch) * h;
    if (!buffer || bufferSize < size_t(size)) return size;
    std::memset(buffer, 0, size_t(size));
    for (int y = 0; y < h; ++y) {
        unsigned char* out = buffer + size_t(y) * pitch;
        for (int x = 0; x < w; ++x) {
            const int c = SourceCoverage(b, x, y);
            if (format == GLYPH_BITMAP_MONO) {
                if (c >= 128) out[x >> 3] |= uint8_t(0x80 >> (x & 7));
            } else {
                out[x] = uint8_t((c * 16 + 127) / 255);
            }
        }
    }
    return size;
}

const GlyphSource kFreeTypeSource = {"freetype", CreateFont, DeleteFont, GetTextMetrics, GetGlyph};

}  // namespace

const GlyphSource* GetFreeTypeGlyphSource() { return &kFreeTypeSource; }
