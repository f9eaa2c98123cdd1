// Colours, recipe settings and the Cairo shapes every painting module uses.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "paint.h"

namespace paint {

std::vector<Line> ReadLines(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<Line> lines;
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) {
        const size_t hash = text.find('#');
        // A '#' starts a comment only where a word starts, so colours like #ff0000 stay.
        for (size_t at = hash; at != std::string::npos; at = text.find('#', at + 1)) {
            if (at == 0 || text[at - 1] == ' ' || text[at - 1] == '\t') {
                text.erase(at);
                break;
            }
        }
        std::istringstream words(text);
        Line line;
        line.number = n;
        for (std::string w; words >> w;) {
            const size_t eq = w.find('=');
            if (eq != std::string::npos)
                line.keys[w.substr(0, eq)] = w.substr(eq + 1);
            else
                line.words.push_back(w);
        }
        if (!line.words.empty()) lines.push_back(line);
    }
    return lines;
}

std::string Where(const std::string& path, const Line& l) { return path + ":" + std::to_string(l.number) + ": "; }

std::string Recipe::Text(const std::string& key) const {
    auto it = keys.find(key);
    if (it == keys.end()) throw std::runtime_error("setting missing: " + key);
    return it->second;
}

std::string Recipe::Text(const std::string& key, const std::string& fallback) const {
    return keys.count(key) ? Text(key) : fallback;
}

double Recipe::Number(const std::string& key) const {
    const std::string text = Text(key);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0') throw std::runtime_error("not a number: " + key + "=" + text);
    return v;
}

double Recipe::Number(const std::string& key, double fallback) const { return keys.count(key) ? Number(key) : fallback; }

Rgb Recipe::Colour(const std::string& key) const { return ParseColour(Text(key)); }

Rgb Recipe::Colour(const std::string& key, const char* fallback) const {
    return ParseColour(keys.count(key) ? Text(key) : fallback);
}

Rgb Character::Colour(const std::string& key) const { return ParseColour(Text(key)); }

std::string Character::Text(const std::string& key) const {
    auto it = keys.find(key);
    if (it == keys.end()) throw std::runtime_error("character setting missing: " + key);
    return it->second;
}

const Character& Context::Who(const std::string& name) const {
    auto it = characters.find(name);
    if (it == characters.end()) throw std::runtime_error("unknown character: " + name);
    return it->second;
}

Rgb ParseColour(const std::string& text) {
    unsigned v = 0;
    if (text.size() != 7 || text[0] != '#' || std::sscanf(text.c_str() + 1, "%06x", &v) != 1)
        throw std::runtime_error("bad colour (want #rrggbb): " + text);
    return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0};
}

Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Lighter(Rgb c, double t) { return Mix(c, {1, 1, 1}, t); }
Rgb Darker(Rgb c, double t) { return Mix(c, {0, 0, 0}, t); }

void SetColour(cairo_t* cr, Rgb c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void Glow(cairo_t* cr, double x, double y, double radius, Rgb c, double alpha) {
    if (radius <= 0) return;
    cairo_pattern_t* p = cairo_pattern_create_radial(x, y, 0, x, y, radius);
    cairo_pattern_add_color_stop_rgba(p, 0.0, c.r, c.g, c.b, alpha);
    cairo_pattern_add_color_stop_rgba(p, 0.35, c.r, c.g, c.b, alpha * 0.55);
    cairo_pattern_add_color_stop_rgba(p, 1.0, c.r, c.g, c.b, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, x, y, radius, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void Ellipse(cairo_t* cr, double x, double y, double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x + radius, y + radius, radius, M_PI, 1.5 * M_PI);
    cairo_close_path(cr);
}

void Star(cairo_t* cr, double x, double y, int points, double outer, double inner, double turn) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < points * 2; ++i) {
        const double a = turn - M_PI / 2 + i * M_PI / points;
        const double r = (i % 2) ? inner : outer;
        cairo_line_to(cr, x + std::cos(a) * r, y + std::sin(a) * r);
    }
    cairo_close_path(cr);
}

void FillStroke(cairo_t* cr, Rgb top, Rgb bottom, double y0, double y1, Rgb line, double width) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    if (width > 0) {
        SetColour(cr, line);
        cairo_set_line_width(cr, width);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke_preserve(cr);
    }
    cairo_new_path(cr);
}

static void SelectFont(cairo_t* cr, const char* family, bool bold, bool italic, double size) {
    cairo_select_font_face(cr, family, italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

void TextPath(cairo_t* cr, const char* family, bool bold, bool italic, double size, double x, double y,
              const std::string& text) {
    SelectFont(cr, family, bold, italic, size);
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, text.c_str());
}

double TextWidth(cairo_t* cr, const char* family, bool bold, bool italic, double size, const std::string& text) {
    SelectFont(cr, family, bold, italic, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    return e.x_advance;
}

}  // namespace paint
