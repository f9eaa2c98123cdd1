// Font handles: the table of 40 font records, creation with its defaults and
// retries, the choice and sizing of the glyph cache (a texture on the 3D
// road, else system memory), deletion, the default font and the re-creation
// of fonts after the graphics system was rebuilt.
#include "graphics/font/font_handle.h"

#include <cstring>

#include "core/alloc.h"
#include "core/handle.h"
#include "core/library_state.h"
#include "core/log.h"
#include "graphics/font/font_texture.h"
#include "graphics/graphics_core.h"
#include "graphics/graphics_start.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"

namespace {

constexpr int kCharsets[] = {1, 128, 129};   // default, Shift-JIS, Hangeul
constexpr int kCacheBytes = 0x50000;
constexpr int kMinCacheCells = 20;
// Wider edges only grow the cell past any use (and its size past int range).
constexpr int kEdgeSizeMax = 64;

struct DefaultFontSettings {
    char face[DEFAULT_FONT_FACE_SIZE];
    int size, thickness, type, charsetIndex, edgeSize, italic, spacing;
};

struct FontState {
    HandleTable table{};
    int defaultHandle = -1;
    DefaultFontSettings defaults{};
    const GlyphSource* source = nullptr;
};
FontState g_font;

// Face names move between fields of different sizes: never past the target.
void CopyFace(char* dest, size_t destSize, const char* src) {
    if (!src) {
        dest[0] = 0;
        return;
    }
    size_t n = strnlen(src, destSize - 1);
    std::memcpy(dest, src, n);
    dest[n] = 0;
}

bool EnsureTable() {
    if (g_font.table.records) return true;
    return InitializeHandleTable(&g_font.table, ZV_HANDLE_FONT, FONT_HANDLE_MAX, sizeof(FontManageData),
                                 "作成できるフォントハンドル数 40 の限界を超えました\n",
                                 "フォント管理用メモリ領域の確保に失敗しました\n") == 0;
}

bool HardwareWithoutDevice() { return GetUseHardwareDrawFlag() && !GetDirectDrawObjectExists(); }

FontManageData* RecordOfSlot(int slot) {
    if (!g_font.table.records || slot < 0 || slot >= FONT_HANDLE_MAX) return nullptr;
    return static_cast<FontManageData*>(g_font.table.records[slot]);
}

int HandleOf(const FontManageData* f, int slot) { return MakeHandle(ZV_HANDLE_FONT, f->serial, slot); }

// Releases whatever a (possibly half-built) font holds and empties its slot.
void DestroyFont(FontManageData* f, int slot) {
    if (f->glyphFont && f->glyphSource) f->glyphSource->deleteFont(f->glyphFont);
    f->glyphFont = nullptr;
    if (f->cacheImage) ZvFree(f->cacheImage);
    f->cacheImage = nullptr;
    if (f->drawScreenSurface >= 0) DeleteSurface2D(f->drawScreenSurface);
    f->drawScreenSurface = -1;
    ReleaseFontTextureCache(f);
    if (f->lostFlag) *f->lostFlag = 1;
    SubHandle(&g_font.table, HandleOf(f, slot));
}

GlyphFontHandle OpenGlyphFont(const GlyphSource* source, const char* face, int size, int thickness, int italic,
                              int charset) {
    GlyphFontSpec spec{face, size, thickness * 100, italic, charset};
    return source->createFont(&spec);
}

// The glyph font, with fall-backs so that one is made whenever possible:
// other charsets for a named face; the default face, then any face, for an
// unnamed one.
GlyphFontHandle OpenWithRetries(FontManageData* f, const char* fontName, int charset) {
    const GlyphSource* src = f->glyphSource;
    GlyphFontHandle font = nullptr;
    if (fontName && fontName[0]) {
        CopyFace(f->faceName, sizeof f->faceName, fontName);
        font = OpenGlyphFont(src, f->faceName, f->size, f->thickness, f->italic, charset);
        if (!font) font = OpenGlyphFont(src, f->faceName, f->size, f->thickness, f->italic, 1);
        if (!font) font = OpenGlyphFont(src, f->faceName, f->size, f->thickness, f->italic, 128);
        if (!font) ErrorLogAdd("指定のフォントの作成に失敗しました\n");
    } else {
        f->faceName[0] = 0;
        font = OpenGlyphFont(src, "ＭＳ ゴシック", f->size, f->thickness, f->italic, charset);
        if (!font) font = OpenGlyphFont(src, "ＭＳ ゴシック", f->size, f->thickness, 0, 1);
        if (!font) font = OpenGlyphFont(src, nullptr, f->size, f->thickness, 0, 1);
        if (!font) ErrorLogAdd("フォントの作成に失敗しました\n");
    }
    return font;
}

// One column of square cells in system memory, and the draw screen the
// 2D road composes blended text in; 0, or -1 after its log line.
int MakeMemoryCache(FontManageData* f, int handle) {
    f->cacheImageBits = f->type == 0 ? 1 : 8;
    int capacity = kCacheBytes / (f->cellWidth * f->cellWidth);
    if (capacity < kMinCacheCells) capacity = kMinCacheCells;
    if (capacity > FONT_CACHE_CELL_MAX) capacity = FONT_CACHE_CELL_MAX;
    f->cellCapacity = capacity;
    f->cacheWidth = f->cellWidth;
    f->cacheHeight = f->cellWidth * capacity;
    f->cacheImagePitch = (f->cellWidth * f->cacheImageBits + 7) / 8;
    f->cellsPerColumn = capacity;
    f->cacheImage = static_cast<unsigned char*>(ZVCALLOC(size_t(f->cacheImagePitch) * size_t(f->cacheHeight)));
    if (!f->cacheImage) return ErrorLogAdd("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle");
    f->drawScreenRebuild = 1;
    if (InitFontCacheGraph(handle) != 0) return ErrorLogAdd("フォント用描画スクリーンの作成に失敗しました\n");
    return 0;
}

}  // namespace

void SetFontGlyphSource(const GlyphSource* source) { g_font.source = source; }

const GlyphSource* GetFontGlyphSource() { return g_font.source ? g_font.source : GetFreeTypeGlyphSource(); }

bool FontDrawingPossible() { return GetGraphicsStartedFlag() && !HardwareWithoutDevice(); }

int ResetDefaultFontState() {
    DefaultFontSettings& d = g_font.defaults;
    d = DefaultFontSettings{};
    d.size = 16;
    d.thickness = 6;
    d.type = 0;
    d.charsetIndex = 1;
    d.edgeSize = 1;
    d.italic = 0;
    d.spacing = 0;
    return 0;
}

FontManageData* GetFontManageData(int fontHandle) {
    return static_cast<FontManageData*>(CheckHandle(&g_font.table, fontHandle));
}

int CheckFontHandleValid(int fontHandle) { return GetFontManageData(fontHandle) ? 1 : 0; }

int GetDefaultFontHandle() { return g_font.defaultHandle; }

int CreateFontToHandleImpl(const char* fontName, int size, int thickness, int fontType, int charsetIndex,
                           int edgeSize, int italic, int slotIndex, int serial) {
    // A font needs the graphics system for its draw screen; made earlier, its
    // table would outlive a start-up that fails.
    if (HardwareWithoutDevice() || !GetGraphicsStartedFlag()) return -1;
    if (!EnsureTable()) return -1;

    if (fontType == -1) fontType = 0;
    if (edgeSize > 1) fontType |= FONT_TYPE_EDGE;
    if (size == -1) size = 16;
    if (thickness == -1) thickness = 6;
    if (edgeSize == -1) edgeSize = 1;
    if (charsetIndex == -1) charsetIndex = g_Library.session.charCode == 2 ? 2 : 1;
    // The cache layouts exist for types 0..3 and the charsets of the table.
    fontType &= FONT_TYPE_EDGE | FONT_TYPE_ANTIALIAS;
    if (charsetIndex < 0 || charsetIndex > 2) charsetIndex = 1;
    if (edgeSize < 1) edgeSize = 1;
    if (edgeSize > kEdgeSizeMax) edgeSize = kEdgeSizeMax;

    int slot = -1;
    if (slotIndex >= 0) {
        if (slotIndex >= FONT_HANDLE_MAX || RecordOfSlot(slotIndex)) return -1;
        slot = slotIndex;
    } else {
        for (int s = 0; s < FONT_HANDLE_MAX; ++s) {
            if (!RecordOfSlot(s)) {
                slot = s;
                break;
            }
        }
        if (slot < 0) return ErrorLogFmtAdd("作成できるフォントハンドル数 %d の限界を超えました", FONT_HANDLE_MAX);
    }
    const bool nextSerial = serial < 0;
    if (nextSerial) serial = g_font.table.checkCounter;
    serial &= HANDLE_CHECK_MAX - 1;
    const int handle = AddHandle(&g_font.table, MakeHandle(ZV_HANDLE_FONT, serial, slot));
    if (handle < 0) return -1;
    if (nextSerial) g_font.table.checkCounter = (g_font.table.checkCounter + 1) % HANDLE_CHECK_MAX;
    FontManageData* f = GetFontManageData(handle);
    f->drawScreenSurface = -1;
    f->cacheGraph = -1;
    f->edgeGraph = -1;
    f->glyphSource = GetFontGlyphSource();

    if (GetScreenColorBitDepth() == 8) fontType &= ~FONT_TYPE_ANTIALIAS;
    f->thickness = thickness;
    f->type = fontType;
    f->size = size;
    f->edgeSize = edgeSize;
    f->italic = italic;
    f->spacing = 0;
    f->textureCache = FontTextureCacheWanted() ? 1 : 0;

    f->glyphFont = OpenWithRetries(f, fontName, kCharsets[charsetIndex]);
    if (!f->glyphFont) {
        DestroyFont(f, slot);
        return -1;
    }
    GlyphTextMetrics tm{};
    if (f->glyphSource->getTextMetrics(f->glyphFont, &tm) != 0) {
        ErrorLogAdd("ＤＣの取得に失敗しました\n");
        DestroyFont(f, slot);
        return -1;
    }
    const int edgeGrow = (fontType & FONT_TYPE_EDGE) ? edgeSize * 2 : 0;
    f->ascent = tm.ascent;
    f->cellWidth = (tm.maxCharWidth + edgeGrow + 7) / 8 * 8;
    f->cellHeight = tm.height + edgeGrow;
    if (f->cellHeight & 1) f->cellHeight += 1;
    if (f->cellWidth < 8) f->cellWidth = 8;

    if (f->textureCache) {
        f->cacheRebuild = 1;
        if (!SizeFontTextureCache(f) || InitFontCacheGraph(handle) != 0) {
            // The glyphs can still live in memory, drawn by the 2D road.
            ErrorLogAdd("テクスチャ文字キャッシュの作成に失敗しました\n");
            f->textureCache = 0;
            f->cacheRebuild = 0;
        } else if (CreateFontStagingImage(f) != 0) {
            ErrorLogAdd("文字キャッシュ処理用メモリの確保に失敗しました\n");
            DestroyFont(f, slot);
            return -1;
        }
    }
    if (!f->textureCache && MakeMemoryCache(f, handle) != 0) {
        DestroyFont(f, slot);
        return -1;
    }

    InitFontCache(handle);
    f->charsetIndex = charsetIndex;
    f->lostFlag = nullptr;
    return handle;
}

int DeleteFontToHandleImpl(int fontHandle) {
    FontManageData* f = GetFontManageData(fontHandle);
    if (!f) return -1;
    DestroyFont(f, HandleSlot(fontHandle));
    return 0;
}

int SetFontLostFlag(int fontHandle, int* lostFlag) {
    FontManageData* f = GetFontManageData(fontHandle);
    if (!f) return -1;
    f->lostFlag = lostFlag;
    if (lostFlag) *lostFlag = 0;
    return 0;
}

int SetFontCharSpacing(int spacing, int fontHandle) {
    FontManageData* f = GetFontManageData(fontHandle);
    if (!f) return -1;
    f->spacing = spacing;
    return 0;
}

int InitFontCacheGraph(int fontHandle) {
    FontManageData* f = GetFontManageData(fontHandle);
    if (!f) return -1;
    if (f->drawScreenRebuild == 1) {
        f->drawScreenRebuild = 0;
        int width = 0, height = 0;
        GetScreenSize(&width, &height);
        GraphSurfaceSettings settings{};
        settings.AlphaFlag = (f->type & FONT_TYPE_ANTIALIAS) ? 1 : 0;
        settings.DrawValidFlag = 1;
        settings.ColorBitDepth = uint8_t(GetScreenColorBitDepth());
        const int surface = AddSurface2D(width, height, 0, 0, -1, nullptr, 0, 0, &settings);
        if (surface < 0) {
            f->drawScreenRebuild = 1;   // tried again before the next draw
            return -1;
        }
        f->drawScreenSurface = surface;
        SetSurface2DLostFlag(surface, &f->drawScreenRebuild);
    }
    if (f->textureCache) return MakeFontCacheGraph(f, fontHandle);
    return 0;
}

int GetFontDrawScreenSurface(int fontHandle) {
    FontManageData* f = GetFontManageData(fontHandle);
    if (!f || InitFontCacheGraph(fontHandle) != 0) return -1;
    return f->drawScreenSurface;
}

int InitFont() {
    if (HardwareWithoutDevice()) return -1;
    ErrorLogAdd("フォントの初期化を行います\n");
    ErrorLogTabAdd();
    EnsureTable();
    DefaultFontSettings kept{};
    FontManageData* d = GetFontManageData(g_font.defaultHandle);
    const bool hadDefault = d != nullptr;
    if (hadDefault) {
        CopyFace(kept.face, sizeof kept.face, d->faceName);
        kept.size = d->size;
        kept.thickness = d->thickness;
        kept.type = d->type;
        kept.charsetIndex = d->charsetIndex;
        kept.edgeSize = d->edgeSize;
        kept.italic = d->italic;
    }
    for (int slot = 0; slot < FONT_HANDLE_MAX; ++slot) {
        if (FontManageData* f = RecordOfSlot(slot)) DestroyFont(f, slot);
    }
    g_font.defaultHandle = hadDefault ? CreateFontToHandleImpl(kept.face, kept.size, kept.thickness, kept.type,
                                                               kept.charsetIndex, kept.edgeSize, kept.italic, -1, -1)
                                      : CreateFontToHandleImpl(nullptr, 16, 6, -1, -1, -1, 0, -1, -1);
    ErrorLogTabSub();
    ErrorLogAdd("フォントの初期化は正常に終了しました\n");
    return 0;
}

int TerminateFont() {
    InitFont();
    // Everything goes, also when the device is already gone.
    for (int slot = 0; slot < FONT_HANDLE_MAX; ++slot) {
        if (FontManageData* f = RecordOfSlot(slot)) DestroyFont(f, slot);
    }
    g_font.defaultHandle = -1;
    if (g_font.table.records) TerminateHandleTable(&g_font.table);
    return 0;
}

int RefreshDefaultFont() {
    const DefaultFontSettings& s = g_font.defaults;
    FontManageData* d = GetFontManageData(g_font.defaultHandle);
    if (d && std::strcmp(d->faceName, s.face) == 0 && d->type == s.type && d->size == s.size &&
        d->thickness == s.thickness && d->charsetIndex == s.charsetIndex && d->edgeSize == s.edgeSize &&
        d->italic == s.italic)
        return 0;
    if (d) DeleteFontToHandleImpl(g_font.defaultHandle);
    g_font.defaultHandle = CreateFontToHandleImpl(s.face, s.size, s.thickness, s.type, s.charsetIndex,
                                                  (s.type & FONT_TYPE_EDGE) ? s.edgeSize : -1, s.italic, -1, -1);
    SetFontCharSpacing(s.spacing, g_font.defaultHandle);
    return 0;
}

int SetFontSizeImpl(int size) {
    g_font.defaults.size = size == -1 ? 16 : size;
    return RefreshDefaultFont();
}

int SetDefaultFontState(int size, int thickness) {
    if (HardwareWithoutDevice()) return -1;
    g_font.defaults.size = size == -1 ? 16 : size;
    g_font.defaults.thickness = thickness == -1 ? 6 : thickness;
    return RefreshDefaultFont();
}

int RefreshAllFonts() {
    for (int slot = 0; slot < FONT_HANDLE_MAX; ++slot) {
        FontManageData* f = RecordOfSlot(slot);
        if (!f) continue;
        char face[FONT_FACE_NAME_SIZE];
        CopyFace(face, sizeof face, f->faceName);
        const int size = f->size, thickness = f->thickness, type = f->type, charset = f->charsetIndex;
        const int edge = f->edgeSize, italic = f->italic, spacing = f->spacing, serial = f->serial;
        DestroyFont(f, slot);
        const int handle = CreateFontToHandleImpl(face, size, thickness, type, charset, edge, italic, slot, serial);
        SetFontCharSpacing(spacing, handle);
    }
    return 0;
}

int GetFontStateToHandle(char* faceName, int* size, int* thickness, int fontHandle) {
    FontManageData* f = GetFontManageData(fontHandle);
    if (!f) return -1;
    if (faceName) CopyFace(faceName, sizeof f->faceName, f->faceName);
    if (size) *size = f->size;
    if (thickness) *thickness = f->thickness;
    return 0;
}

int GetFontHeightOfHandle(int fontHandle) {
    FontManageData* f = GetFontManageData(fontHandle);
    return f ? f->cellHeight : -1;
}
