// Puts the graphs back after a lost display: every graph is flagged, the
// program's restore routine runs (by default reloading each graph from the
// file it came from), then the fonts are made again.
#include "graphics/graph_restore.h"

#include <cstring>

#include "core/file/file_access.h"
#include "core/log.h"
#include "graphics/font/font_handle.h"
#include "graphics/graph_handle.h"
#include "graphics/image/graph_image.h"

namespace {

struct RestoreState {
    int (*callback)() = RestoreGraph;   // survives every graphics start
};
RestoreState g_restore;

// The decoded file that the graphs divided from it share.
struct HeldImage {
    bool held = false;
    bool hasAlpha = false;
    char fileName[sizeof(GraphData::FileName)] = {};
    char fileDir[sizeof(GraphData::FileDir)] = {};
    int reverseFlag = 0;
    GraphImage image{};
    GraphImage alpha{};

    bool Matches(const GraphData& g) const {
        return held && reverseFlag == g.ReverseFlag && std::strcmp(fileName, g.FileName) == 0 &&
               std::strcmp(fileDir, g.FileDir) == 0;
    }
    void Release() {
        if (!held) return;
        ReleaseGraphImage(&image);
        if (hasAlpha) ReleaseGraphImage(&alpha);
        held = false;
    }
    bool Decode(const GraphData& g) {
        Release();
        if (FileSetDir(g.FileDir) != 0) return false;
        const int loaded = LoadGraphImageFile(g.FileName, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0);
        if (loaded < 0) return false;
        held = true;
        hasAlpha = loaded == 0;
        if (g.ReverseFlag == 1) {
            ReverseGraphImage(&image);
            if (hasAlpha) ReverseGraphImage(&alpha);
        }
        std::memcpy(fileName, g.FileName, sizeof(fileName));
        std::memcpy(fileDir, g.FileDir, sizeof(fileDir));
        reverseFlag = g.ReverseFlag;
        return true;
    }
};

// A name that fills its field may have been cut when it was stored: it does
// not name the file the graph came from.
bool NameMayBeCut(const char* field, size_t fieldSize) { return std::strlen(field) + 1 >= fieldSize; }

}  // namespace

int SetRestoreGraphCallback(int (*callback)()) {
    g_restore.callback = callback != nullptr ? callback : RestoreGraph;
    return 0;
}

int CheckRestoreGraphCallback() { return g_restore.callback != nullptr ? 1 : 0; }

int RestoreAllGraphs() {
    const int end = GetGraphSlotEnd();
    for (int slot = 0; slot < end; ++slot) {
        if (GraphData* g = GetGraphDataAtSlot(slot)) g->RestoreFlag = 1;
    }
    if (g_restore.callback) g_restore.callback();
    RefreshAllFonts();
    return 0;
}

int RestoreGraph() {
    ErrorLogAdd("グラフィックを復帰します\n");
    char home[ZV_PATH_MAX];
    const bool haveHome = FileGetDir(home) == 0;
    HeldImage held;
    const int end = GetGraphSlotEnd();
    for (int slot = 0; slot < end; ++slot) {
        GraphData* g = GetGraphDataAtSlot(slot);
        if (g == nullptr || g->RestoreFlag != 1 || g->FileName[0] == '\0') continue;
        g->RestoreFlag = 0;
        if (std::strlen(g->FileDir) > 128 || NameMayBeCut(g->FileName, sizeof(g->FileName))) continue;
        if (!held.Matches(*g) && !held.Decode(*g)) continue;
        BltGraphImageToGraph(nullptr, &held.image, held.hasAlpha ? &held.alpha : nullptr, g->SrcX, g->SrcY,
                             g->Handle, g->ReverseFlag, 0);
    }
    held.Release();
    if (haveHome) FileSetDir(home);
    return 0;
}
