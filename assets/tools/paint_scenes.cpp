// Full-screen pictures and lettering: the stage backgrounds, the title
// background and logo, the READY / STAGE / CLEAR words, the digits and the
// message window frame.
#include <cmath>
#include <string>

#include "paint.h"

namespace paint {
namespace {

constexpr const char* kLetterFont = "DejaVu Serif";

// A glow stretched to an oval, so it fades out inside its picture.
void OvalGlow(cairo_t* cr, double x, double y, double rx, double ry, Rgb c, double alpha) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, rx, ry);
    Glow(cr, 0, 0, 1, c, alpha);
    cairo_restore(cr);
}

void VerticalGradient(cairo_t* cr, double w, double h, Rgb top, Rgb middle, Rgb bottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 0.55, middle.r, middle.g, middle.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void Stars(cairo_t* cr, double w, double h, int count, Random& rnd) {
    for (int i = 0; i < count; ++i) {
        const double x = rnd.Range(0, w), y = rnd.Range(0, h), s = rnd.Range(0.6, 2.2);
        Glow(cr, x, y, s * 2.2, {1, 0.97, 0.9}, rnd.Range(0.35, 0.9));
    }
}

// A soft cloud of overlapping puffs.
void Cloud(cairo_t* cr, double x, double y, double size, Rgb c, double alpha, Random& rnd) {
    for (int i = 0; i < 9; ++i) {
        const double px = x + rnd.Range(-1.6, 1.6) * size, py = y + rnd.Range(-0.35, 0.3) * size;
        Glow(cr, px, py, size * rnd.Range(0.7, 1.1), c, alpha);
    }
}

// A tree crown of many leafy clumps, lit from the upper left.
void Crown(cairo_t* cr, double x, double y, double size, Rgb leaf, Rgb light, Random& rnd) {
    for (int i = 0; i < 16; ++i) {
        const double a = rnd.Range(0, 2 * M_PI), d = rnd.Range(0, 0.75) * size;
        const double px = x + std::cos(a) * d * 1.2, py = y + std::sin(a) * d * 0.8, rad = size * rnd.Range(0.35, 0.55);
        cairo_pattern_t* p = cairo_pattern_create_radial(px - rad * 0.4, py - rad * 0.5, rad * 0.1, px, py, rad);
        const Rgb hi = Mix(leaf, light, 0.35), lo = Darker(leaf, 0.3);
        cairo_pattern_add_color_stop_rgb(p, 0, hi.r, hi.g, hi.b);
        cairo_pattern_add_color_stop_rgb(p, 1, lo.r, lo.g, lo.b);
        cairo_set_source(cr, p);
        cairo_arc(cr, px, py, rad, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
}

void Trunk(cairo_t* cr, double x, double top, double bottom, double width, Rgb bark, Random& rnd) {
    cairo_move_to(cr, x - width * 0.5, top);
    cairo_line_to(cr, x + width * 0.5, top);
    cairo_curve_to(cr, x + width * 0.55, (top + bottom) / 2, x + width * 0.6, bottom - 30, x + width * 1.1, bottom);
    cairo_line_to(cr, x - width * 1.1, bottom);
    cairo_curve_to(cr, x - width * 0.6, bottom - 30, x - width * 0.55, (top + bottom) / 2, x - width * 0.5, top);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(x - width, 0, x + width, 0);
    const Rgb lit = Lighter(bark, 0.18), dark = Darker(bark, 0.35);
    cairo_pattern_add_color_stop_rgb(p, 0, lit.r, lit.g, lit.b);
    cairo_pattern_add_color_stop_rgb(p, 1, dark.r, dark.g, dark.b);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // Bark lines.
    cairo_set_line_width(cr, std::max(0.6, width * 0.06));
    SetColour(cr, Darker(bark, 0.45), 0.6);
    for (int i = 0; i < 4; ++i) {
        const double bx = x + rnd.Range(-0.35, 0.35) * width, by = rnd.Range(top, bottom - 40);
        cairo_move_to(cr, bx, by);
        cairo_curve_to(cr, bx + 2, by + 20, bx - 2, by + 40, bx + 1, by + 60);
    }
    cairo_stroke(cr);
}

// A fair-weather cloud: round heaps on a flat base, lit on top, shaded below.
void Cumulus(cairo_t* cr, double x, double y, double size, Rgb c, Rgb shade, Random& rnd) {
    cairo_save(cr);
    cairo_rectangle(cr, x - size * 2.5, y - size * 2, size * 5, size * 2.2);   // the flat base
    cairo_clip(cr);
    cairo_new_path(cr);
    for (int i = 0; i < 7; ++i) {
        const double px = x + (i - 3) * size * 0.32 + rnd.Range(-4, 4);
        const double rad = size * (0.35 + 0.3 * std::sin((i + 0.5) / 7 * M_PI)) * rnd.Range(0.85, 1.1);
        cairo_new_sub_path(cr);
        cairo_arc(cr, px, y - rad * 0.4, rad, 0, 2 * M_PI);
    }
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y - size, 0, y + size * 0.2);
    const Rgb under = Mix(c, shade, 0.45);
    cairo_pattern_add_color_stop_rgba(p, 0, c.r, c.g, c.b, 0.95);
    cairo_pattern_add_color_stop_rgba(p, 1, under.r, under.g, under.b, 0.9);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_restore(cr);
}

// Stage 1: a quiet forest at dusk, trunks fading into mist, light falling between them.
void Forest(cairo_t* cr, const Recipe& r, const Context&) {
    const double w = r.width, h = r.height;
    Random rnd(11);
    const Rgb leaf = r.Colour("leaf"), trunk = r.Colour("trunk"), mist = r.Colour("mist"), light = r.Colour("light");
    VerticalGradient(cr, w, h, r.Colour("sky"), mist, r.Colour("ground"));
    // Three rows of trees, far ones pale, near ones dark and large, mist between.
    for (int row = 0; row < 3; ++row) {
        const double fade = 0.62 - row * 0.27, scale = 0.55 + row * 0.4;
        const Rgb lc = Mix(leaf, mist, fade), tc = Mix(trunk, mist, fade);
        const int count = 8 - row * 2;
        for (int i = 0; i < count; ++i) {
            const double x = (i + rnd.Range(0.1, 0.9)) * (w + 80) / count - 40;
            Trunk(cr, x, -10, h * (0.62 + row * 0.17), 16 * scale, tc, rnd);
        }
        for (int i = 0; i < count + 2; ++i)
            Crown(cr, (i + rnd.Range(0, 1)) * (w + 120) / (count + 2) - 60, rnd.Range(-20, 60) + row * 25,
                  (70 + row * 25) * rnd.Range(0.8, 1.1), lc, light, rnd);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, h * (0.35 + row * 0.18), 0, h * (0.7 + row * 0.17));
        cairo_pattern_add_color_stop_rgba(p, 0, mist.r, mist.g, mist.b, 0);
        cairo_pattern_add_color_stop_rgba(p, 1, mist.r, mist.g, mist.b, 0.45 - row * 0.1);
        cairo_set_source(cr, p);
        cairo_rectangle(cr, 0, 0, w, h);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
    // Light falling through the canopy.
    for (int i = 0; i < 5; ++i) {
        const double x = 40 + i * 110 + rnd.Range(-20, 20);
        cairo_move_to(cr, x, 0);
        cairo_line_to(cr, x + 30, 0);
        cairo_line_to(cr, x + 150, h);
        cairo_line_to(cr, x + 80, h);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
        cairo_pattern_add_color_stop_rgba(p, 0, light.r, light.g, light.b, 0.14);
        cairo_pattern_add_color_stop_rgba(p, 1, light.r, light.g, light.b, 0.0);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
    // Ferns along the floor and glowing flowers among them.
    const Rgb fern = Mix(leaf, r.Colour("ground"), 0.3);
    for (int i = 0; i < 60; ++i) {
        const double x = rnd.Range(-10, w + 10), y = h - rnd.Range(0, 60), len = rnd.Range(25, 60);
        const double a = rnd.Range(-2.4, -0.7);
        cairo_move_to(cr, x, y + 10);
        cairo_curve_to(cr, x + std::cos(a) * len * 0.5, y - len * 0.6, x + std::cos(a) * len, y + std::sin(a) * len * 0.5,
                       x + std::cos(a) * len * 1.1, y + std::sin(a) * len * 0.2);
        cairo_set_line_width(cr, rnd.Range(3, 6));
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        SetColour(cr, Mix(fern, light, rnd.Range(0, 0.2)));
        cairo_stroke(cr);
    }
    for (int i = 0; i < 18; ++i) {
        const double x = rnd.Range(0, w), y = h - rnd.Range(5, 50);
        Glow(cr, x, y, 9, r.Colour("flower"), 0.55);
        Star(cr, x, y, 5, 3.2, 1.4, 0);
        SetColour(cr, Lighter(r.Colour("flower"), 0.6));
        cairo_fill(cr);
    }
    // Fireflies.
    for (int i = 0; i < 45; ++i)
        Glow(cr, rnd.Range(0, w), rnd.Range(h * 0.25, h), rnd.Range(3, 7), light, rnd.Range(0.4, 0.9));
}

// Stage 2: the sea under a wide sky, seen from high above the waves.
void Sea(cairo_t* cr, const Recipe& r, const Context&) {
    const double w = r.width, h = r.height, horizon = h * r.Number("horizon", 0.3);
    Random rnd(23);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, horizon);
    const Rgb s0 = r.Colour("sky"), s1 = r.Colour("haze");
    cairo_pattern_add_color_stop_rgb(sky, 0, s0.r, s0.g, s0.b);
    cairo_pattern_add_color_stop_rgb(sky, 1, s1.r, s1.g, s1.b);
    cairo_set_source(cr, sky);
    cairo_rectangle(cr, 0, 0, w, horizon);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);
    const double clouds[][3] = {{0.18, 0.32, 0.8}, {0.62, 0.36, 1.1}, {0.92, 0.55, 0.7}, {0.4, 0.72, 0.6}};
    for (const auto& c : clouds) Cumulus(cr, w * c[0], horizon * c[1], 60 * c[2], r.Colour("cloud"), s1, rnd);
    const Rgb deep = r.Colour("deep"), shallow = r.Colour("sea");
    cairo_pattern_t* sea = cairo_pattern_create_linear(0, horizon, 0, h);
    cairo_pattern_add_color_stop_rgb(sea, 0, shallow.r, shallow.g, shallow.b);
    cairo_pattern_add_color_stop_rgb(sea, 1, deep.r, deep.g, deep.b);
    cairo_set_source(cr, sea);
    cairo_rectangle(cr, 0, horizon, w, h - horizon);
    cairo_fill(cr);
    cairo_pattern_destroy(sea);
    // Waves: short strokes, growing toward the viewer.
    for (int i = 0; i < 420; ++i) {
        const double t = rnd.Next();
        const double y = horizon + t * t * (h - horizon) + 2, len = 6 + t * 40, x = rnd.Range(-20, w);
        cairo_move_to(cr, x, y);
        cairo_curve_to(cr, x + len * 0.3, y - 1.5 - t * 3, x + len * 0.7, y - 1.5 - t * 3, x + len, y);
        cairo_set_line_width(cr, 0.8 + t * 1.6);
        SetColour(cr, r.Colour("foam"), 0.18 + 0.25 * rnd.Next());
        cairo_stroke(cr);
    }
    // Long swells, darker troughs across the water.
    for (int i = 0; i < 7; ++i) {
        const double y = horizon + (h - horizon) * (0.1 + i * 0.14) * (0.6 + i * 0.07);
        cairo_move_to(cr, 0, y);
        cairo_curve_to(cr, w * 0.3, y - 6 - i, w * 0.6, y + 8 + i, w, y - 2);
        cairo_line_to(cr, w, y + 6 + i * 2);
        cairo_curve_to(cr, w * 0.6, y + 14 + i * 3, w * 0.3, y + i, 0, y + 8 + i * 2);
        cairo_close_path(cr);
        SetColour(cr, deep, 0.18);
        cairo_fill(cr);
    }
    // The sun's glitter on the water.
    for (int i = 0; i < 70; ++i) {
        const double x = w * 0.55 + rnd.Range(-60, 60) * (1 + rnd.Next()), y = horizon + rnd.Range(5, 160);
        Glow(cr, x, y, rnd.Range(2, 5), {1, 0.98, 0.88}, 0.7);
    }
    // A small wooded island on the horizon, with a pale beach.
    const Rgb island = Mix(r.Colour("island"), s1, 0.3);
    Ellipse(cr, w * 0.21, horizon + 1.5, w * 0.1, 2.5);
    SetColour(cr, Mix({0.95, 0.9, 0.75}, s1, 0.3));
    cairo_fill(cr);
    cairo_move_to(cr, w * 0.12, horizon + 1);
    cairo_curve_to(cr, w * 0.16, horizon - 18, w * 0.22, horizon - 22, w * 0.3, horizon + 1);
    cairo_close_path(cr);
    SetColour(cr, island);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, w, horizon);
    cairo_clip(cr);
    for (int i = 0; i < 14; ++i) {
        const double k = rnd.Next(), x = w * (0.14 + k * 0.14), top = horizon - 4 - 14 * std::sin(k * M_PI);
        cairo_arc(cr, x, top, 3 + 5 * std::sin(k * M_PI) * rnd.Range(0.6, 1.1), 0, 2 * M_PI);
        SetColour(cr, Mix(island, {0.2, 0.45, 0.3}, rnd.Range(0, 0.4)));
        cairo_fill(cr);
    }
    cairo_restore(cr);
    // Gulls far off.
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColour(cr, {0.95, 0.97, 1}, 0.9);
    const double gulls[][3] = {{0.7, 0.55, 7}, {0.76, 0.48, 5}, {0.8, 0.6, 6}};
    for (const auto& g : gulls) {
        const double x = w * g[0], y = horizon * g[1], s = g[2];
        cairo_move_to(cr, x - s, y - s * 0.3);
        cairo_curve_to(cr, x - s * 0.6, y - s * 0.7, x - s * 0.2, y - s * 0.5, x, y);
        cairo_curve_to(cr, x + s * 0.2, y - s * 0.5, x + s * 0.6, y - s * 0.7, x + s, y - s * 0.3);
    }
    cairo_stroke(cr);
}

// The heroine crossing the moon: hat, flying hair and cape, sword raised.
void WitchSilhouette(cairo_t* cr, double x, double y, Rgb c) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, -0.25);
    SetColour(cr, Darker(c, 0.3));
    cairo_arc(cr, 0, -6, 4, 0, 2 * M_PI);   // head
    cairo_fill(cr);
    cairo_move_to(cr, -9, -8);   // hat brim and cone bent back
    cairo_line_to(cr, 9, -9);
    cairo_line_to(cr, 3, -11);
    cairo_curve_to(cr, 1, -16, -3, -19, -9, -20);
    cairo_curve_to(cr, -5, -16, -4, -13, -4, -10);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_move_to(cr, -2, -3);   // cape streaming behind
    cairo_curve_to(cr, -10, 0, -18, 2, -26, 8);
    cairo_curve_to(cr, -18, 8, -10, 9, 3, 8);
    cairo_line_to(cr, 3, -2);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_move_to(cr, 1, 6);   // legs
    cairo_line_to(cr, -4, 15);
    cairo_move_to(cr, 3, 6);
    cairo_line_to(cr, 1, 15);
    cairo_move_to(cr, 4, -2);   // arm and sword
    cairo_line_to(cr, 9, -6);
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_move_to(cr, 9, -6);
    cairo_line_to(cr, 20, -18);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// Stage 3 and the title: open sky above a sea of clouds; `night` darkens it and adds stars.
void Sky(cairo_t* cr, const Recipe& r, const Context&) {
    const double w = r.width, h = r.height;
    Random rnd(uint32_t(r.Number("seed", 37)));
    VerticalGradient(cr, w, h, r.Colour("top"), r.Colour("middle"), r.Colour("bottom"));
    Stars(cr, w, h * 0.6, int(r.Number("stars", 0)), rnd);
    if (r.keys.count("moon")) {
        const double mx = r.Number("moon_x", w * 0.78), my = r.Number("moon_y", 90);
        Glow(cr, mx, my, 120, r.Colour("moon"), 0.35);
        cairo_arc(cr, mx, my, 34, 0, 2 * M_PI);
        SetColour(cr, Lighter(r.Colour("moon"), 0.5));
        cairo_fill(cr);
        SetColour(cr, r.Colour("moon"), 0.5);
        Ellipse(cr, mx - 10, my - 6, 7, 5);
        Ellipse(cr, mx + 12, my + 10, 5, 4);
        cairo_fill(cr);
        if (r.Text("witch", "no") == "yes") WitchSilhouette(cr, mx - 4, my + 4, r.Colour("top"));
    }
    if (r.keys.count("planet")) {   // a ringed world hanging in the strange sky
        const Rgb c = r.Colour("planet");
        const double px = r.Number("planet_x"), py = r.Number("planet_y"), pr = r.Number("planet_r");
        // The ring's far half goes behind the world, its near half in front.
        auto ring = [&](double from, double to) {
            cairo_save(cr);
            cairo_translate(cr, px, py);
            cairo_rotate(cr, -0.35);
            cairo_scale(cr, pr * 1.9, pr * 0.45);
            cairo_new_path(cr);
            cairo_arc(cr, 0, 0, 1, from, to);
            cairo_restore(cr);
            cairo_set_line_width(cr, 3);
            SetColour(cr, Lighter(c, 0.6), 0.7);
            cairo_stroke(cr);
        };
        Glow(cr, px, py, pr * 2, c, 0.25);
        ring(M_PI, 2 * M_PI);
        cairo_arc(cr, px, py, pr, 0, 2 * M_PI);
        cairo_pattern_t* p = cairo_pattern_create_radial(px - pr * 0.4, py - pr * 0.4, pr * 0.1, px, py, pr);
        const Rgb lit = Lighter(c, 0.5), dark = Darker(c, 0.35);
        cairo_pattern_add_color_stop_rgb(p, 0, lit.r, lit.g, lit.b);
        cairo_pattern_add_color_stop_rgb(p, 1, dark.r, dark.g, dark.b);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        ring(0, M_PI);
    }
    if (r.keys.count("castle")) {   // a far castle of crystal spires on a floating rock
        const Rgb c = r.Colour("castle"), lamp = r.Colour("window");
        const double cx = r.Number("castle_x", w * 0.3), base = h * 0.6;
        cairo_move_to(cr, cx - 95, base);
        cairo_curve_to(cr, cx - 60, base + 40, cx - 20, base + 90, cx + 5, base + 120);
        cairo_curve_to(cr, cx + 25, base + 80, cx + 60, base + 40, cx + 95, base);
        cairo_close_path(cr);
        FillStroke(cr, Darker(c, 0.45), Darker(c, 0.7), base, base + 120, Darker(c, 0.75), 1.0);
        const double spires[][3] = {{-70, 70, 12}, {-42, 130, 16}, {-12, 190, 20}, {18, 150, 17}, {46, 110, 15},
                                    {74, 60, 11}};
        for (const auto& sp : spires) {
            const double x = cx + sp[0], top = base - sp[1], half = sp[2], tip = top - half * 2.4;
            cairo_move_to(cr, x - half, base);
            cairo_line_to(cr, x - half, top);
            cairo_line_to(cr, x, tip);
            cairo_line_to(cr, x, base);
            cairo_close_path(cr);
            FillStroke(cr, Lighter(c, 0.45), Lighter(c, 0.1), tip, base, c, 0);
            cairo_move_to(cr, x + half, base);
            cairo_line_to(cr, x + half, top);
            cairo_line_to(cr, x, tip);
            cairo_line_to(cr, x, base);
            cairo_close_path(cr);
            FillStroke(cr, c, Darker(c, 0.3), tip, base, c, 0);
            cairo_move_to(cr, x - half, base);
            cairo_line_to(cr, x - half, top);
            cairo_line_to(cr, x, tip);
            cairo_line_to(cr, x + half, top);
            cairo_line_to(cr, x + half, base);
            cairo_set_line_width(cr, 1.0);
            SetColour(cr, Lighter(c, 0.7), 0.8);
            cairo_stroke(cr);
            for (double wy = top + 14; wy < base - 10; wy += 26) {   // lit windows
                RoundRect(cr, x - 3, wy, 6, 9, 3);
                SetColour(cr, lamp, 0.9);
                cairo_fill(cr);
                Glow(cr, x, wy + 4, 9, lamp, 0.35);
            }
        }
        for (int i = 0; i < 5; ++i) {   // crystals hanging under the rock
            const double x = cx - 50 + i * 25 + rnd.Range(-5, 5), y = base + 40 + rnd.Range(0, 40) - std::abs(i - 2) * 10;
            cairo_move_to(cr, x - 4, y);
            cairo_line_to(cr, x + 4, y);
            cairo_line_to(cr, x, y + 16 + rnd.Range(0, 8));
            cairo_close_path(cr);
            SetColour(cr, Lighter(c, 0.5), 0.9);
            cairo_fill(cr);
            Glow(cr, x, y + 8, 12, Lighter(c, 0.4), 0.4);
        }
    }
    // Banks of cloud, paler toward the bottom.
    const Rgb cloud = r.Colour("cloud");
    for (int band = 0; band < 4; ++band) {
        const double y = h * (0.5 + band * 0.14);
        for (int i = 0; i < 9; ++i)
            Cloud(cr, rnd.Range(-40, w + 40), y + rnd.Range(-15, 15), rnd.Range(30, 55) + band * 8,
                  Mix(cloud, {1, 1, 1}, band * 0.08), 0.3 + band * 0.08, rnd);
    }
    for (int i = 0; i < int(r.Number("sparkles", 0)); ++i)
        Glow(cr, rnd.Range(0, w), rnd.Range(0, h), rnd.Range(2, 5), r.Colour("sparkle", "#ffffff"), 0.8);
}

// Stage 4: a hall of crystals floating in violet dark.
void CrystalHall(cairo_t* cr, const Recipe& r, const Context&) {
    const double w = r.width, h = r.height;
    Random rnd(53);
    VerticalGradient(cr, w, h, r.Colour("top"), r.Colour("middle"), r.Colour("bottom"));
    // Drifts of nebula behind everything.
    const Rgb nebula[] = {r.Colour("nebula"), r.Colour("crystal")};
    for (int i = 0; i < 7; ++i)
        Glow(cr, rnd.Range(0, w), rnd.Range(0, h), rnd.Range(120, 220), nebula[i % 2], 0.16);
    Stars(cr, w, h, 110, rnd);
    // Crystals from far (small, dim) to near (large, bright), each lit on its left face.
    const Rgb c = r.Colour("crystal"), dark = r.Colour("middle");
    for (int i = 0; i < 22; ++i) {
        const double near = i / 21.0;
        const double x = rnd.Range(0, w), y = rnd.Range(0, h), s = 8 + 36 * near * rnd.Range(0.7, 1.0);
        const double a = rnd.Range(-0.5, 0.5);
        const Rgb face = Mix(c, dark, 0.65 - 0.5 * near);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_rotate(cr, a);
        Glow(cr, 0, 0, s * 1.8, c, 0.12 + 0.2 * near);
        cairo_move_to(cr, 0, -s * 1.4);
        cairo_line_to(cr, -s * 0.5, -s * 0.2);
        cairo_line_to(cr, 0, s * 1.4);
        cairo_close_path(cr);
        FillStroke(cr, Lighter(face, 0.45), Lighter(face, 0.1), -s, s, face, 0);
        cairo_move_to(cr, 0, -s * 1.4);
        cairo_line_to(cr, s * 0.5, -s * 0.2);
        cairo_line_to(cr, 0, s * 1.4);
        cairo_close_path(cr);
        FillStroke(cr, face, Darker(face, 0.3), -s, s, face, 0);
        cairo_move_to(cr, 0, -s * 1.4);
        cairo_line_to(cr, -s * 0.5, -s * 0.2);
        cairo_line_to(cr, 0, s * 1.4);
        cairo_line_to(cr, s * 0.5, -s * 0.2);
        cairo_close_path(cr);
        cairo_set_line_width(cr, 1.0);
        SetColour(cr, Lighter(c, 0.5), 0.5 + 0.4 * near);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
}

void TitleLogo(cairo_t* cr, const Recipe& r, const Context&) {
    const std::string title = r.Text("text");
    const double size = r.Number("size");
    const Rgb top = r.Colour("top"), bottom = r.Colour("bottom"), line = r.Colour("line"), glow = r.Colour("glow");
    const double x = 14, base = size * 0.95;
    const double tw = TextWidth(cr, kLetterFont, true, true, size, title);
    // A swash under the word, the sword of the heroine laid across it.
    OvalGlow(cr, r.width / 2.0, r.height / 2.0, r.width * 0.49, r.height * 0.49, glow, 0.35);
    cairo_move_to(cr, x + 10, base + 14);
    cairo_curve_to(cr, x + tw * 0.3, base + 2, x + tw * 0.7, base + 26, x + tw + 20, base + 6);
    cairo_set_line_width(cr, 4);
    SetColour(cr, line);
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, 2);
    SetColour(cr, Lighter(top, 0.3));
    cairo_stroke(cr);
    TextPath(cr, kLetterFont, true, true, size, x, base, title);
    cairo_set_line_width(cr, 7);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColour(cr, line);
    cairo_stroke_preserve(cr);
    FillStroke(cr, top, bottom, base - size * 0.75, base, Lighter(top, 0.6), 1.5);
    // Twinkles on the letters.
    const double spots[][3] = {{0.06, 0.7, 14}, {0.52, 0.78, 10}, {0.95, 0.55, 12}};
    for (const auto& s : spots) {
        Star(cr, x + tw * s[0], base - size * s[1], 4, s[2], s[2] * 0.22, 0);
        SetColour(cr, {1, 1, 0.95});
        cairo_fill(cr);
    }
    std::string sub = r.Text("subtitle");
    for (char& ch : sub)
        if (ch == '_') ch = ' ';
    TextPath(cr, kLetterFont, true, false, 17, x + 40, base + 38, sub);   // left, clear of the menu below
    cairo_set_line_width(cr, 4);
    SetColour(cr, line);
    cairo_stroke_preserve(cr);
    SetColour(cr, r.Colour("subcolour"));
    cairo_fill(cr);
}

// One word drawn large with a gradient, a dark edge and a glow, centred in the picture.
void Word(cairo_t* cr, const Recipe& r, const Context&) {
    const double w = r.width, h = r.height;
    const Rgb top = r.Colour("top"), bottom = r.Colour("bottom"), line = r.Colour("line");
    std::string text = r.Text("text");
    for (char& ch : text)
        if (ch == '_') ch = ' ';
    // The size shrinks until the word fits with room for its edge.
    double size = r.Number("size");
    double tw = TextWidth(cr, kLetterFont, true, true, size, text);
    if (tw > w * 0.9) {
        size *= w * 0.9 / tw;
        tw = TextWidth(cr, kLetterFont, true, true, size, text);
    }
    const double x = (w - tw) / 2, base = h / 2 + size * 0.36;
    OvalGlow(cr, w / 2, h / 2, w * 0.48, h * 0.48, r.Colour("glow"), 0.35);
    TextPath(cr, kLetterFont, true, true, size, x, base, text);
    cairo_set_line_width(cr, size * 0.14);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColour(cr, line);
    cairo_stroke_preserve(cr);
    FillStroke(cr, top, bottom, base - size * 0.72, base, Lighter(top, 0.5), 1.0);
}

// Ten digits side by side, each centred in its own cell.
void Digits(cairo_t* cr, const Recipe& r, const Context&) {
    const double cw = r.width / 10.0, h = r.height, size = r.Number("size");
    const Rgb top = r.Colour("top"), bottom = r.Colour("bottom"), line = r.Colour("line");
    for (int d = 0; d < 10; ++d) {
        const std::string s(1, char('0' + d));
        const double tw = TextWidth(cr, "DejaVu Sans", true, false, size, s);
        const double x = d * cw + (cw - tw) / 2, base = h / 2 + size * 0.36;
        TextPath(cr, "DejaVu Sans", true, false, size, x, base, s);
        cairo_set_line_width(cr, 3);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        SetColour(cr, line);
        cairo_stroke_preserve(cr);
        FillStroke(cr, top, bottom, base - size * 0.72, base, line, 0);
    }
}

// The message window: a rounded frame whose middle thirds repeat cleanly when tiled.
void Window(cairo_t* cr, const Recipe& r, const Context&) {
    const double w = r.width, h = r.height;
    const Rgb fill = r.Colour("fill"), edge = r.Colour("edge"), inner = r.Colour("inner");
    RoundRect(cr, 1, 1, w - 2, h - 2, 10);
    SetColour(cr, fill, r.Number("opacity", 0.85));
    cairo_fill(cr);
    RoundRect(cr, 2, 2, w - 4, h - 4, 9);
    cairo_set_line_width(cr, 2.4);
    SetColour(cr, edge);
    cairo_stroke(cr);
    RoundRect(cr, 5.5, 5.5, w - 11, h - 11, 6);
    cairo_set_line_width(cr, 1.0);
    SetColour(cr, inner, 0.8);
    cairo_stroke(cr);
    // Gems in the corners.
    const double corners[][2] = {{5.5, 5.5}, {w - 5.5, 5.5}, {5.5, h - 5.5}, {w - 5.5, h - 5.5}};
    for (const auto& c : corners) {
        Star(cr, c[0], c[1], 4, 4.2, 1.6, 0);
        SetColour(cr, Lighter(edge, 0.4));
        cairo_fill(cr);
    }
}

}  // namespace

const Look kSceneLooks[] = {
    {"forest", Forest}, {"sea", Sea},     {"sky", Sky},       {"crystalhall", CrystalHall},
    {"logo", TitleLogo}, {"word", Word},  {"digits", Digits}, {"window", Window},
    {nullptr, nullptr},
};

}  // namespace paint
