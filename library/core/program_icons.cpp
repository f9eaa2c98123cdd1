// Looking up the icon pictures that the program links in.
#include "core/program_icons.h"

const ProgramIcon* FindProgramIcon(int id) {
    if (id == 0 || &g_programIcons == nullptr) return nullptr;
    const ProgramIcon* best = nullptr;
    for (int i = 0; i < g_programIcons.count; ++i) {
        const ProgramIcon& icon = g_programIcons.icons[i];
        // The window system takes one picture and scales it down: the largest looks best.
        if (icon.id == id && (!best || icon.width * icon.height > best->width * best->height)) best = &icon;
    }
    return best;
}
