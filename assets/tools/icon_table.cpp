// icon_table: turns the painted icon pictures into the program's icon table.
//   icon_table RECIPE.txt PICTURE_DIR OUT.cpp
// Every "picture FILE W H LOOK id=N ..." line of the recipe names a PNG in
// PICTURE_DIR; OUT.cpp holds them as the table the library looks icons up
// in, by identifier N.
#include <cairo.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "paint.h"

namespace {

struct Entry {
    int id = 0;
    std::string file;
    int width = 0, height = 0;
};

std::vector<Entry> ReadRecipe(const std::string& path) {
    std::vector<Entry> entries;
    for (const paint::Line& line : paint::ReadLines(path)) {
        const auto id = line.keys.find("id");
        Entry e;
        if (id != line.keys.end()) e.id = std::stoi(id->second);
        if (line.words.size() != 5 || line.words[0] != "picture" || e.id <= 0)
            throw std::runtime_error(paint::Where(path, line) + "want: picture FILE W H LOOK id=N ...");
        e.file = line.words[1];
        e.width = std::stoi(line.words[2]);
        e.height = std::stoi(line.words[3]);
        entries.push_back(e);
    }
    return entries;
}

// The picture's pixels as 0xAARRGGBB, alpha no longer multiplied in.
std::vector<uint32_t> ReadPixels(const std::string& path, const Entry& e) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        throw std::runtime_error("cannot read " + path);
    }
    if (cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32 || cairo_image_surface_get_width(s) != e.width ||
        cairo_image_surface_get_height(s) != e.height) {
        cairo_surface_destroy(s);
        throw std::runtime_error(path + " is not a " + std::to_string(e.width) + " x " + std::to_string(e.height) +
                                 " picture with alpha");
    }
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < e.height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * stride);
        for (int x = 0; x < e.width; ++x) {
            const uint32_t p = row[x], a = p >> 24;
            auto channel = [&](int shift) { return a ? (((p >> shift) & 0xFF) * 255 + a / 2) / a : 0; };
            pixels.push_back(a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0));
        }
    }
    cairo_surface_destroy(s);
    return pixels;
}

void WriteTable(const std::string& recipe, const std::string& dir, const std::string& outPath) {
    const std::vector<Entry> entries = ReadRecipe(recipe);
    if (entries.empty()) throw std::runtime_error(recipe + " names no icon");
    std::ostringstream out;
    out << "// Made by icon_table from the painted icons: the program's icon table.\n"
           "#include \"core/program_icons.h\"\n\nnamespace {\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::vector<uint32_t> pixels = ReadPixels(dir + "/" + entries[i].file, entries[i]);
        out << "const uint32_t kPixels" << i << "[] = {";
        for (size_t p = 0; p < pixels.size(); ++p) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08Xu,", unsigned(pixels[p]));
            out << (p % 8 == 0 ? "\n    " : " ") << hex;
        }
        out << "\n};\n";
    }
    out << "const ProgramIcon kIcons[] = {\n";
    for (size_t i = 0; i < entries.size(); ++i)
        out << "    {" << entries[i].id << ", " << entries[i].width << ", " << entries[i].height << ", kPixels" << i
            << "},   // " << entries[i].file << "\n";
    out << "};\n}  // namespace\n\n"
           "extern const ProgramIconTable g_programIcons = {kIcons, "
        << entries.size() << "};\n";
    std::ofstream file(outPath);
    if (!(file << out.str()) || !file.flush()) throw std::runtime_error("cannot write " + outPath);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: icon_table RECIPE.txt PICTURE_DIR OUT.cpp\n");
        return 2;
    }
    try {
        WriteTable(argv[1], argv[2], argv[3]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "icon_table: %s\n", e.what());
        std::remove(argv[3]);
        return 1;
    }
    return 0;
}
