// Icon pictures linked into the program, found by their resource identifier
// as a window's icon is. The program's build makes the table from the
// pictures the painter draws; a program that links none has no icons.
#pragma once
#include <cstdint>

struct ProgramIcon {
    int id;
    int width, height;
    const uint32_t* pixels;   // 0xAARRGGBB, not premultiplied, rows from the top
};

struct ProgramIconTable {
    const ProgramIcon* icons;
    int count;
};

// The program's table. Weak: a program without one links, and sees it at
// address null.
extern const ProgramIconTable g_programIcons __attribute__((weak));

// The identifier's largest picture, or null (for 0, the window system's
// default, and for identifiers the program has no picture of).
const ProgramIcon* FindProgramIcon(int id);
