// Shared pieces of the picture painter: recipe records, colours, Cairo
// helpers and the table of looks each painting module registers.
#pragma once
#include <cairo.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace paint {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

// One line of a recipe: the picture's file, size, look and named settings.
struct Recipe {
    std::string file;
    int width = 0, height = 0;
    std::string look;
    std::map<std::string, std::string> keys;

    // Without a fallback a missing setting is an error naming it.
    std::string Text(const std::string& key) const;
    std::string Text(const std::string& key, const std::string& fallback) const;
    double Number(const std::string& key) const;
    double Number(const std::string& key, double fallback) const;
    Rgb Colour(const std::string& key) const;
    Rgb Colour(const std::string& key, const char* fallback) const;
};

// A character's colours and features, shared by portraits and boss sprites.
struct Character {
    std::map<std::string, std::string> keys;
    Rgb Colour(const std::string& key) const;
    std::string Text(const std::string& key) const;
};

struct Context {
    std::map<std::string, Character> characters;
    const Character& Who(const std::string& name) const;
};

using LookFn = void (*)(cairo_t* cr, const Recipe& r, const Context& ctx);
struct Look {
    const char* name;
    LookFn draw;
};

// Each painting module lists its looks; the painter looks a recipe's look up in all of them.
extern const Look kSpriteLooks[];
extern const Look kPortraitLooks[];
extern const Look kSceneLooks[];
extern const Look kEffectLooks[];

Rgb ParseColour(const std::string& text);
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Lighter(Rgb c, double t);   // toward white
Rgb Darker(Rgb c, double t);    // toward black

void SetColour(cairo_t* cr, Rgb c, double alpha = 1.0);
// A soft round light: colour at the centre fading to nothing at radius.
void Glow(cairo_t* cr, double x, double y, double radius, Rgb c, double alpha);
void Ellipse(cairo_t* cr, double x, double y, double rx, double ry);
void RoundRect(cairo_t* cr, double x, double y, double w, double h, double radius);
void Star(cairo_t* cr, double x, double y, int points, double outer, double inner, double turn);
// Fills the current path with a vertical gradient and strokes it with an outline.
void FillStroke(cairo_t* cr, Rgb top, Rgb bottom, double y0, double y1, Rgb line, double width);
// Runs draw() into a layer, then lays it down over a rim of the given colour
// as wide as `width` device pixels around everything it drew.
template <typename Fn>
void WithRim(cairo_t* cr, Rgb c, double alpha, double width, Fn draw) {
    cairo_push_group(cr);
    draw();
    cairo_pattern_t* shape = cairo_pop_group(cr);
    for (int i = 0; i < 8; ++i) {
        static const int dx[] = {1, 1, 0, -1, -1, -1, 0, 1}, dy[] = {0, 1, 1, 1, 0, -1, -1, -1};
        double ux = dx[i] * width, uy = dy[i] * width;
        cairo_device_to_user_distance(cr, &ux, &uy);
        cairo_save(cr);
        cairo_translate(cr, ux, uy);
        SetColour(cr, c, alpha);
        cairo_mask(cr, shape);
        cairo_restore(cr);
    }
    cairo_set_source(cr, shape);
    cairo_paint(cr);
    cairo_pattern_destroy(shape);
}
// Text outline path at (x, baseline y), in a family from the system's fonts.
void TextPath(cairo_t* cr, const char* family, bool bold, bool italic, double size, double x, double y,
              const std::string& text);
double TextWidth(cairo_t* cr, const char* family, bool bold, bool italic, double size, const std::string& text);

// Small fixed generator, so every build paints the same pictures.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    double Next() {   // 0 <= v < 1
        state_ = state_ * 1664525u + 1013904223u;
        return double(state_ >> 8) / double(1u << 24);
    }
    double Range(double lo, double hi) { return lo + (hi - lo) * Next(); }

private:
    uint32_t state_;
};

// One line of a recipe: its plain words and its key=value settings. A '#'
// where a word starts begins a comment (so colours like #ff0000 stay).
struct Line {
    std::vector<std::string> words;
    std::map<std::string, std::string> keys;
    int number = 0;
};
// The recipe's lines that hold a word; throws when the file cannot be read.
std::vector<Line> ReadLines(const std::string& path);
// "path:line: ", to start a message about that line.
std::string Where(const std::string& path, const Line& l);

}  // namespace paint
