// Character portraits for the talks and the mode select: a bust with the
// character's hair, eyes, clothes and mark, and the expression the recipe asks for.
#include <cmath>
#include <string>

#include "paint.h"

namespace paint {
namespace {

// The design is a 200 x 280 bust; the face is centred at (100, 118).
constexpr double kFaceX = 100, kFaceY = 118;

void BackHairPath(cairo_t* cr, const std::string& style) {
    cairo_move_to(cr, kFaceX - 52, 120);
    if (style == "bob") {
        cairo_curve_to(cr, kFaceX - 62, 40, kFaceX + 62, 40, kFaceX + 52, 120);
        cairo_curve_to(cr, kFaceX + 58, 150, kFaceX + 54, 170, kFaceX + 46, 178);
        cairo_line_to(cr, kFaceX - 46, 178);
        cairo_curve_to(cr, kFaceX - 54, 170, kFaceX - 58, 150, kFaceX - 52, 120);
    } else {
        const double len = style == "long" ? 268 : 190;
        cairo_curve_to(cr, kFaceX - 64, 36, kFaceX + 64, 36, kFaceX + 52, 120);
        cairo_curve_to(cr, kFaceX + 66, 170, kFaceX + 72, 220, kFaceX + 64, len);
        cairo_line_to(cr, kFaceX - 64, len);
        cairo_curve_to(cr, kFaceX - 72, 220, kFaceX - 66, 170, kFaceX - 52, 120);
    }
    cairo_close_path(cr);
}

void BackHair(cairo_t* cr, const std::string& style, Rgb hair) {
    const Rgb line = Darker(hair, 0.5);
    if (style == "twin") {
        for (int side = -1; side <= 1; side += 2) {
            cairo_move_to(cr, kFaceX + side * 40, 80);
            cairo_curve_to(cr, kFaceX + side * 90, 90, kFaceX + side * 92, 190, kFaceX + side * 70, 262);
            cairo_curve_to(cr, kFaceX + side * 62, 220, kFaceX + side * 55, 170, kFaceX + side * 44, 140);
            cairo_close_path(cr);
            FillStroke(cr, Lighter(hair, 0.1), Darker(hair, 0.25), 80, 262, line, 1.5);
        }
    }
    BackHairPath(cr, style);
    FillStroke(cr, hair, Darker(hair, 0.3), 40, 268, line, 1.5);
    // A few strands catching the light, kept inside the hair.
    cairo_save(cr);
    BackHairPath(cr, style);
    cairo_clip(cr);
    cairo_set_line_width(cr, 1.6);
    SetColour(cr, Lighter(hair, 0.35), 0.7);
    for (int side = -1; side <= 1; side += 2)
        for (int k = 0; k < 3; ++k) {
            const double x0 = kFaceX + side * (46 + k * 5), bottom = style == "bob" ? 176 : 200 + k * 20;
            cairo_move_to(cr, x0, 110 + k * 8);
            cairo_curve_to(cr, x0 + side * 8, 140, x0 + side * 6, bottom - 20, x0 + side * 2, bottom);
        }
    cairo_stroke(cr);
    cairo_restore(cr);
}

void Body(cairo_t* cr, const Character& c) {
    const Rgb skin = c.Colour("skin"), dress = c.Colour("dress"), accent = c.Colour("accent");
    const Rgb line = Darker(dress, 0.6);
    // Neck.
    cairo_rectangle(cr, kFaceX - 11, 150, 22, 40);
    FillStroke(cr, Darker(skin, 0.12), skin, 150, 190, Darker(skin, 0.4), 1.2);
    // Shoulders and clothes.
    cairo_move_to(cr, kFaceX - 14, 180);
    cairo_curve_to(cr, kFaceX - 48, 186, kFaceX - 80, 196, kFaceX - 92, 280);
    cairo_line_to(cr, kFaceX + 92, 280);
    cairo_curve_to(cr, kFaceX + 80, 196, kFaceX + 48, 186, kFaceX + 14, 180);
    cairo_curve_to(cr, kFaceX + 8, 196, kFaceX - 8, 196, kFaceX - 14, 180);
    cairo_close_path(cr);
    FillStroke(cr, Lighter(dress, 0.2), Darker(dress, 0.2), 180, 280, line, 1.6);
    // Collar and a brooch in the accent colour.
    for (int side = -1; side <= 1; side += 2) {
        cairo_move_to(cr, kFaceX + side * 14, 180);
        cairo_line_to(cr, kFaceX + side * 40, 190);
        cairo_line_to(cr, kFaceX + side * 4, 222);
        cairo_close_path(cr);
        FillStroke(cr, Lighter(c.Colour("collar"), 0.2), c.Colour("collar"), 180, 222, line, 1.2);
    }
    Star(cr, kFaceX, 214, 4, 9, 3.5, 0);
    FillStroke(cr, Lighter(accent, 0.6), accent, 205, 223, Darker(accent, 0.5), 1.0);
    Glow(cr, kFaceX - 2, 211, 4, {1, 1, 1}, 0.9);
}

void FacePath(cairo_t* cr) {
    cairo_move_to(cr, kFaceX - 46, 100);
    cairo_curve_to(cr, kFaceX - 48, 60, kFaceX + 48, 60, kFaceX + 46, 100);
    cairo_curve_to(cr, kFaceX + 45, 135, kFaceX + 22, 158, kFaceX, 166);
    cairo_curve_to(cr, kFaceX - 22, 158, kFaceX - 45, 135, kFaceX - 46, 100);
    cairo_close_path(cr);
}

void Face(cairo_t* cr, Rgb skin) {
    FacePath(cr);
    FillStroke(cr, Lighter(skin, 0.2), skin, 60, 166, Darker(skin, 0.45), 1.5);
    // Ears.
    for (int side = -1; side <= 1; side += 2) {
        Ellipse(cr, kFaceX + side * 46, 114, 6, 10);
        FillStroke(cr, skin, Darker(skin, 0.1), 104, 124, Darker(skin, 0.45), 1.2);
    }
}

void Eye(cairo_t* cr, double x, double y, int side, const std::string& kind, Rgb iris, Rgb skin) {
    const Rgb lash = {0.16, 0.1, 0.14};
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    if (kind == "happy" || kind == "closed") {   // ^ ^ or a soft closed arc
        const double dy = kind == "happy" ? -6 : 5;
        cairo_move_to(cr, x - 12, y + 2);
        cairo_curve_to(cr, x - 5, y + dy, x + 5, y + dy, x + 12, y + 2);
        cairo_set_line_width(cr, 3.2);
        SetColour(cr, lash);
        cairo_stroke(cr);
        return;
    }
    const double lid = kind == "half" ? 0.45 : 0;   // share of the eye the lid covers
    const double h = kind == "wide" ? 15 : 13;
    // White of the eye.
    Ellipse(cr, x, y, 11, h);
    SetColour(cr, {0.99, 0.99, 1});
    cairo_fill(cr);
    cairo_save(cr);
    Ellipse(cr, x, y, 11, h);
    cairo_clip(cr);
    // Iris with a gradient, pupil and highlights.
    const double ir = kind == "wide" ? 7 : 9.5, iy = y + 1.5;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, iy - ir, 0, iy + ir);
    const Rgb top = Darker(iris, 0.45), bottom = Lighter(iris, 0.35);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    Ellipse(cr, x, iy, ir * 0.85, ir * 1.15);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    SetColour(cr, Darker(iris, 0.7));
    Ellipse(cr, x, iy + 1, ir * 0.38, ir * 0.55);
    cairo_fill(cr);
    SetColour(cr, {1, 1, 1});
    Ellipse(cr, x - 3, iy - 4, 2.8, 3.2);
    cairo_fill(cr);
    Ellipse(cr, x + 3, iy + 5, 1.4, 1.4);
    cairo_fill(cr);
    if (lid > 0) {
        cairo_rectangle(cr, x - 12, y - h - 1, 24, 2 * h * lid + 1);
        SetColour(cr, skin);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    // Upper lash line with a flick outward.
    const double ly = y - h + 2 * h * lid;
    cairo_move_to(cr, x - side * 12, ly + 5);
    cairo_curve_to(cr, x - side * 6, ly - 1.5, x + side * 6, ly - 1.5, x + side * 13, ly + 3);
    cairo_line_to(cr, x + side * 15, ly + 1);
    cairo_set_line_width(cr, 3.4);
    SetColour(cr, lash);
    cairo_stroke(cr);
    cairo_move_to(cr, x - 6, y + h - 0.5);
    cairo_line_to(cr, x + 6, y + h - 0.5);
    cairo_set_line_width(cr, 1.0);
    SetColour(cr, Darker(skin, 0.4));
    cairo_stroke(cr);
}

void Brow(cairo_t* cr, double x, double y, int side, const std::string& kind, Rgb hair) {
    // inner and outer heights: side -1 is the left eye, so the inner end is at +x.
    double inner = 0, outer = 0;
    if (kind == "angry") inner = 5, outer = -3;
    if (kind == "worried") inner = -5, outer = 2;
    if (kind == "raised") inner = -5, outer = -5;
    cairo_move_to(cr, x - side * 11, y + outer);
    cairo_curve_to(cr, x - side * 4, y + outer - 3, x + side * 3, y + inner - 3, x + side * 10, y + inner);
    cairo_set_line_width(cr, 2.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColour(cr, Darker(hair, 0.45));
    cairo_stroke(cr);
}

void Mouth(cairo_t* cr, const std::string& kind, Rgb skin) {
    const double x = kFaceX, y = 146;
    const Rgb line = Darker(skin, 0.6), inside = {0.62, 0.22, 0.28};
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 2.0);
    if (kind == "grin") {
        cairo_move_to(cr, x - 9, y - 2);
        cairo_curve_to(cr, x - 5, y - 3, x + 5, y - 3, x + 9, y - 2);
        cairo_curve_to(cr, x + 7, y + 8, x - 7, y + 8, x - 9, y - 2);
        cairo_close_path(cr);
        FillStroke(cr, inside, inside, y - 3, y + 8, line, 1.4);
        SetColour(cr, {0.95, 0.55, 0.6});
        Ellipse(cr, x, y + 4, 4, 2);
        cairo_fill(cr);
    } else if (kind == "open") {
        Ellipse(cr, x, y + 1, 4.5, 5.5);
        FillStroke(cr, inside, inside, y - 5, y + 7, line, 1.4);
    } else if (kind == "frown") {
        cairo_move_to(cr, x - 7, y + 3);
        cairo_curve_to(cr, x - 3, y - 2, x + 3, y - 2, x + 7, y + 3);
        SetColour(cr, line);
        cairo_stroke(cr);
    } else if (kind == "flat") {
        cairo_move_to(cr, x - 6, y);
        cairo_line_to(cr, x + 6, y);
        SetColour(cr, line);
        cairo_stroke(cr);
    } else if (kind == "smirk") {
        cairo_move_to(cr, x - 6, y);
        cairo_curve_to(cr, x - 1, y + 2, x + 4, y + 1, x + 8, y - 3);
        SetColour(cr, line);
        cairo_stroke(cr);
    } else if (kind == "shout") {
        cairo_move_to(cr, x - 9, y - 3);
        cairo_line_to(cr, x + 9, y - 3);
        cairo_curve_to(cr, x + 6, y + 9, x - 6, y + 9, x - 9, y - 3);
        cairo_close_path(cr);
        FillStroke(cr, inside, inside, y - 3, y + 9, line, 1.4);
        cairo_rectangle(cr, x - 7, y - 3, 14, 2.2);
        SetColour(cr, {1, 1, 1});
        cairo_fill(cr);
    } else {   // smile
        cairo_move_to(cr, x - 8, y - 2);
        cairo_curve_to(cr, x - 3, y + 4, x + 3, y + 4, x + 8, y - 2);
        SetColour(cr, line);
        cairo_stroke(cr);
    }
}

void Extras(cairo_t* cr, const std::string& extras) {
    auto has = [&](const char* w) { return extras.find(w) != std::string::npos; };
    if (has("blush")) {
        for (int side = -1; side <= 1; side += 2) {
            SetColour(cr, {1, 0.45, 0.5}, 0.45);
            Ellipse(cr, kFaceX + side * 27, 134, 9, 4.5);
            cairo_fill(cr);
            cairo_set_line_width(cr, 1.2);
            SetColour(cr, {0.9, 0.35, 0.4}, 0.7);
            for (int k = -1; k <= 1; ++k) {
                cairo_move_to(cr, kFaceX + side * 27 + k * 4 + 1.5, 131);
                cairo_line_to(cr, kFaceX + side * 27 + k * 4 - 1.5, 137);
            }
            cairo_stroke(cr);
        }
    }
    if (has("sweat")) {
        cairo_move_to(cr, kFaceX + 44, 70);
        cairo_curve_to(cr, kFaceX + 38, 82, kFaceX + 38, 90, kFaceX + 44, 90);
        cairo_curve_to(cr, kFaceX + 50, 90, kFaceX + 50, 82, kFaceX + 44, 70);
        FillStroke(cr, {0.85, 0.95, 1}, {0.5, 0.75, 0.98}, 70, 90, {0.25, 0.45, 0.75}, 1.2);
    }
    if (has("tears")) {
        for (int side = -1; side <= 1; side += 2) {
            cairo_move_to(cr, kFaceX + side * 20, 128);
            cairo_curve_to(cr, kFaceX + side * 17, 138, kFaceX + side * 18, 146, kFaceX + side * 21, 146);
            cairo_curve_to(cr, kFaceX + side * 24, 146, kFaceX + side * 24, 138, kFaceX + side * 20, 128);
            FillStroke(cr, {0.9, 0.97, 1}, {0.55, 0.8, 1}, 128, 146, {0.35, 0.55, 0.8}, 1.0);
        }
    }
    if (has("anger")) {   // the little cross of veins on the temple
        cairo_save(cr);
        cairo_translate(cr, kFaceX + 34, 72);
        cairo_set_line_width(cr, 2.4);
        SetColour(cr, {0.85, 0.15, 0.2});
        for (int q = 0; q < 4; ++q) {
            cairo_rotate(cr, M_PI / 2);
            cairo_move_to(cr, 2, 6);
            cairo_curve_to(cr, 2, 2, 2, 2, 6, 2);
        }
        cairo_stroke(cr);
        cairo_restore(cr);
    }
}

// The top of the head with locks hanging over the forehead, pointed at the ends.
void BangsPath(cairo_t* cr) {
    cairo_move_to(cr, kFaceX - 52, 118);
    cairo_curve_to(cr, kFaceX - 62, 40, kFaceX + 62, 40, kFaceX + 52, 118);
    const double tips[][2] = {{40, 104}, {30, 82}, {20, 100}, {8, 84}, {-4, 102}, {-16, 84},
                              {-26, 100}, {-36, 84}, {-46, 110}};
    for (const auto& t : tips) cairo_line_to(cr, kFaceX + t[0], t[1]);
    cairo_close_path(cr);
}

void Bangs(cairo_t* cr, Rgb hair, Rgb skin) {
    // The shadow the bangs cast on the forehead.
    cairo_save(cr);
    FacePath(cr);
    cairo_clip(cr);
    cairo_translate(cr, 0, 6);
    BangsPath(cr);
    SetColour(cr, Darker(skin, 0.14), 0.8);
    cairo_fill(cr);
    cairo_restore(cr);
    BangsPath(cr);
    FillStroke(cr, Lighter(hair, 0.25), hair, 40, 110, Darker(hair, 0.5), 1.5);
    // A shine across the top of the head.
    cairo_move_to(cr, kFaceX - 32, 74);
    cairo_curve_to(cr, kFaceX - 12, 64, kFaceX + 12, 64, kFaceX + 32, 74);
    cairo_set_line_width(cr, 4);
    SetColour(cr, Lighter(hair, 0.6), 0.6);
    cairo_stroke(cr);
}

void Mark(cairo_t* cr, const Character& c) {
    const std::string mark = c.Text("mark");
    const Rgb accent = c.Colour("accent");
    if (mark == "hat") {   // the witch's hat, tipped back and bent
        const Rgb hat = c.Colour("hat");
        Ellipse(cr, kFaceX, 66, 86, 17);
        FillStroke(cr, Lighter(hat, 0.25), Darker(hat, 0.2), 49, 83, Darker(hat, 0.6), 1.6);
        cairo_move_to(cr, kFaceX - 44, 64);
        cairo_curve_to(cr, kFaceX - 34, 30, kFaceX - 10, 8, kFaceX + 30, 2);
        cairo_curve_to(cr, kFaceX + 52, 0, kFaceX + 60, 10, kFaceX + 64, 20);
        cairo_curve_to(cr, kFaceX + 48, 14, kFaceX + 30, 22, kFaceX + 44, 64);
        cairo_close_path(cr);
        FillStroke(cr, Lighter(hat, 0.3), hat, 2, 64, Darker(hat, 0.6), 1.6);
        cairo_move_to(cr, kFaceX - 44, 60);
        cairo_curve_to(cr, kFaceX - 10, 50, kFaceX + 20, 50, kFaceX + 44, 60);
        cairo_line_to(cr, kFaceX + 43, 50);
        cairo_curve_to(cr, kFaceX + 20, 40, kFaceX - 10, 40, kFaceX - 41, 50);
        cairo_close_path(cr);
        FillStroke(cr, Lighter(accent, 0.3), accent, 40, 60, Darker(accent, 0.5), 1.2);
        Star(cr, kFaceX + 8, 50, 5, 8, 3.5, 0);
        FillStroke(cr, {1, 0.97, 0.75}, {1, 0.8, 0.3}, 42, 58, Darker(accent, 0.55), 1.0);
    } else if (mark == "horns") {
        for (int side = -1; side <= 1; side += 2) {
            cairo_move_to(cr, kFaceX + side * 26, 62);
            cairo_curve_to(cr, kFaceX + side * 34, 30, kFaceX + side * 50, 16, kFaceX + side * 66, 14);
            cairo_curve_to(cr, kFaceX + side * 54, 26, kFaceX + side * 46, 44, kFaceX + side * 42, 70);
            cairo_close_path(cr);
            FillStroke(cr, {0.99, 0.95, 0.82}, {0.75, 0.62, 0.42}, 14, 70, {0.42, 0.32, 0.18}, 1.5);
        }
        // A red scale clasp holding a lock at one side.
        Ellipse(cr, kFaceX - 50, 150, 6, 8);
        FillStroke(cr, Lighter(accent, 0.4), accent, 142, 158, Darker(accent, 0.5), 1.2);
    } else if (mark == "feather") {
        for (int f = 0; f < 3; ++f) {
            cairo_save(cr);
            cairo_translate(cr, kFaceX + 42, 70);
            cairo_rotate(cr, -0.9 + f * 0.45);
            Ellipse(cr, 24, 0, 24, 6.5);
            FillStroke(cr, {0.98, 0.99, 1}, Lighter(accent, 0.4), -6, 6, Darker(accent, 0.3), 1.2);
            cairo_move_to(cr, 2, 0);
            cairo_line_to(cr, 44, 0);
            cairo_set_line_width(cr, 1.0);
            SetColour(cr, Darker(accent, 0.2));
            cairo_stroke(cr);
            cairo_restore(cr);
        }
        Ellipse(cr, kFaceX + 42, 70, 6, 6);
        FillStroke(cr, Lighter(accent, 0.5), accent, 64, 76, Darker(accent, 0.5), 1.0);
    } else if (mark == "tiara") {
        cairo_move_to(cr, kFaceX - 40, 72);
        cairo_curve_to(cr, kFaceX - 14, 60, kFaceX + 14, 60, kFaceX + 40, 72);
        cairo_set_line_width(cr, 4);
        SetColour(cr, {0.95, 0.82, 0.45});
        cairo_stroke(cr);
        const double gems[][3] = {{0, 50, 12}, {-18, 60, 7}, {18, 60, 7}, {-32, 67, 4.5}, {32, 67, 4.5}};
        for (const auto& g : gems) {
            cairo_move_to(cr, kFaceX + g[0], g[1] - g[2]);
            cairo_line_to(cr, kFaceX + g[0] + g[2] * 0.55, g[1] + g[2] * 0.3);
            cairo_line_to(cr, kFaceX + g[0], g[1] + g[2]);
            cairo_line_to(cr, kFaceX + g[0] - g[2] * 0.55, g[1] + g[2] * 0.3);
            cairo_close_path(cr);
            FillStroke(cr, Lighter(accent, 0.6), accent, g[1] - g[2], g[1] + g[2], Darker(accent, 0.55), 1.0);
            Glow(cr, kFaceX + g[0], g[1], g[2] * 1.4, Lighter(accent, 0.5), 0.5);
        }
    }
}

void Portrait(cairo_t* cr, const Recipe& r, const Context& ctx) {
    const Character& c = ctx.Who(r.Text("who"));
    const Rgb hair = c.Colour("hair"), skin = c.Colour("skin"), iris = c.Colour("eyes");
    cairo_scale(cr, r.width / 200.0, r.height / 280.0);
    BackHair(cr, c.Text("style"), hair);
    Body(cr, c);
    Face(cr, skin);
    const std::string eyes = r.Text("eyes", "open"), brows = r.Text("brows", "calm");
    for (int side = -1; side <= 1; side += 2) Eye(cr, kFaceX + side * 20, 114, side, eyes, iris, skin);
    // A small nose.
    cairo_move_to(cr, kFaceX + 1, 128);
    cairo_line_to(cr, kFaceX - 1.5, 134);
    cairo_set_line_width(cr, 1.6);
    SetColour(cr, Darker(skin, 0.35));
    cairo_stroke(cr);
    Mouth(cr, r.Text("mouth", "smile"), skin);
    Bangs(cr, hair, skin);
    // Brows show through the bangs, as they carry half of the expression.
    for (int side = -1; side <= 1; side += 2) Brow(cr, kFaceX + side * 20, 94, side, brows, hair);
    Mark(cr, c);
    Extras(cr, r.Text("extra", ""));
}

}  // namespace

const Look kPortraitLooks[] = {
    {"portrait", Portrait},
    {nullptr, nullptr},
};

}  // namespace paint
