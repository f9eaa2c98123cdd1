// Actor sprites: the heroine's frames, her shot, sword and score item, the
// enemy bullets, the rabbits and crystals, the three bosses, and the
// program's icon.
#include <cmath>
#include <string>

#include "paint.h"

namespace paint {
namespace {

// Centres the drawing on the picture and scales a design made for a box of `design` units.
void Fit(cairo_t* cr, const Recipe& r, double design) {
    cairo_translate(cr, r.width / 2.0, r.height / 2.0);
    const double s = std::min(r.width, r.height) / design;
    cairo_scale(cr, s, s);
}

// ---- the heroine ---------------------------------------------------------------

// The sparkling trail below her, longer while she climbs.
void WitchTrail(cairo_t* cr, const Character& c, double lean, bool rising, Random& rnd) {
    const Rgb hair = c.Colour("hair"), gold = c.Colour("accent");
    const int sparks = rising ? 8 : 5;
    for (int i = 0; i < sparks; ++i) {
        const double t = (i + 0.5) / sparks;
        const double y = 15 + t * (rising ? 6 : 4);
        const double x = -lean * 3 * t + rnd.Range(-2.5, 2.5) * t;
        Glow(cr, x, y, 3.5 * (1 - t) + 1.5, Mix(Lighter(gold, 0.4), hair, t), 0.95 - 0.4 * t);
    }
    Glow(cr, -lean, 15.5, rising ? 5 : 4, Lighter(gold, 0.6), 0.9);
}

// One frame of the flying witch seen from behind, centred at (0, 0) in a 36 x 42 box.
void Witch(cairo_t* cr, const Character& c, double lean, bool rising) {
    const Rgb hair = c.Colour("hair"), dress = c.Colour("dress"), cape = c.Colour("cape"),
              hat = c.Colour("hat"), gold = c.Colour("accent"), skin = c.Colour("skin");
    const Rgb line = Darker(cape, 0.55);
    cairo_save(cr);
    cairo_rotate(cr, lean * 0.2);
    // Cape, trailing away from the turn.
    const double hem = rising ? 3 : 0;   // the cape streams further back while she climbs
    cairo_move_to(cr, -5, -5);
    cairo_curve_to(cr, -9 - lean * 2, 2, -12 - lean * 3, 9, -11 - lean * 4, 15 + hem);
    cairo_curve_to(cr, -6 - lean * 3, 12 + hem, -3 - lean * 3, 17 + hem, 0 - lean * 3, 14 + hem);
    cairo_curve_to(cr, 3 - lean * 3, 17 + hem, 6 - lean * 3, 12 + hem, 11 - lean * 4, 15 + hem);
    cairo_curve_to(cr, 12 - lean * 3, 9, 9 - lean * 2, 2, 5, -5);
    cairo_close_path(cr);
    FillStroke(cr, Lighter(cape, 0.15), Darker(cape, 0.3), -5, 15, line, 1.0);
    // Boots peeking below the cape.
    SetColour(cr, Darker(hat, 0.2));
    Ellipse(cr, -3 - lean, 14, 1.8, 2.6);
    Ellipse(cr, 3 - lean, 14.5, 1.8, 2.6);
    cairo_fill(cr);
    // Dress and arms.
    cairo_move_to(cr, -4, -5);
    cairo_line_to(cr, 4, -5);
    cairo_line_to(cr, 6.5, 8);
    cairo_line_to(cr, -6.5, 8);
    cairo_close_path(cr);
    FillStroke(cr, Lighter(dress, 0.2), dress, -5, 8, line, 0.9);
    SetColour(cr, gold);
    cairo_rectangle(cr, -5.2, 1, 10.4, 1.6);
    cairo_fill(cr);
    SetColour(cr, skin);
    Ellipse(cr, -7, 0, 1.8, 1.8);
    Ellipse(cr, 8.5, -2, 1.8, 1.8);
    cairo_fill(cr);
    // The sword held up in her right hand.
    Glow(cr, 11, -11, 6, Lighter(gold, 0.6), 0.35);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 2.2);
    SetColour(cr, {0.86, 0.9, 0.98});
    cairo_move_to(cr, 8.8, -3.5);
    cairo_line_to(cr, 12.6, -16);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.6);
    SetColour(cr, gold);
    cairo_move_to(cr, 6.6, -3.2);
    cairo_line_to(cr, 11.4, -1.8);
    cairo_stroke(cr);
    // Hair: the back of the head and two tails blowing down.
    SetColour(cr, hair);
    Ellipse(cr, 0, -9, 6.2, 5.8);
    cairo_fill(cr);
    for (int side = -1; side <= 1; side += 2) {
        cairo_move_to(cr, side * 4, -9);
        cairo_curve_to(cr, side * 9, -6, side * (8 + lean * side), 0, side * (6 - lean * side) - lean * 2, 5);
        cairo_curve_to(cr, side * 5, 0, side * 5, -4, side * 2, -7);
        cairo_close_path(cr);
        FillStroke(cr, hair, Darker(hair, 0.25), -9, 5, Darker(hair, 0.45), 0.7);
    }
    // The hat: a wide brim and a crooked cone with a gold band.
    Ellipse(cr, 0, -12, 9.5, 3.4);
    FillStroke(cr, Lighter(hat, 0.2), hat, -15, -9, Darker(hat, 0.5), 0.9);
    cairo_move_to(cr, -5, -12.5);
    cairo_curve_to(cr, -4, -16, -2, -19, 3 + lean * 2, -20.5);
    cairo_curve_to(cr, 1, -18, 3, -15, 5, -12.5);
    cairo_close_path(cr);
    FillStroke(cr, Lighter(hat, 0.25), hat, -20, -12, Darker(hat, 0.5), 0.9);
    SetColour(cr, gold);
    cairo_move_to(cr, -4.8, -13.2);
    cairo_curve_to(cr, -1, -14.6, 2, -14.6, 4.8, -13.2);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void PlayerSheet(cairo_t* cr, const Recipe& r, const Context& ctx) {
    const Character& c = ctx.Who(r.Text("who"));
    const int fw = int(r.Number("frame_w")), fh = int(r.Number("frame_h"));
    Random rnd(7);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col) {
            cairo_save(cr);
            cairo_rectangle(cr, col * fw, row * fh, fw, fh);
            cairo_clip(cr);
            cairo_translate(cr, col * fw + fw / 2.0, row * fh + fh / 2.0);
            cairo_scale(cr, fw / 36.0, fh / 42.0);
            WithRim(cr, r.Colour("rim"), 0.85, 1.0, [&] { Witch(cr, c, col - 1.0, row == 1); });
            WitchTrail(cr, c, col - 1.0, row == 1, rnd);
            // The soft heart of her hit point.
            Glow(cr, 0, 0, 3.5, {1, 0.95, 0.98}, 0.9);
            cairo_restore(cr);
        }
}

// Her magic bolt, pointing along +x.
void Shot(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb glow = r.Colour("glow"), core = r.Colour("core");
    const double w = r.width, h = r.height;
    cairo_save(cr);
    cairo_translate(cr, w * 0.62, h / 2.0);
    cairo_scale(cr, w * 0.55, h / 2.0);
    Glow(cr, 0, 0, 1.0, glow, 0.9);
    cairo_restore(cr);
    cairo_move_to(cr, 1, h / 2.0);
    cairo_curve_to(cr, w * 0.4, h * 0.2, w * 0.8, h * 0.22, w - 1.5, h / 2.0);
    cairo_curve_to(cr, w * 0.8, h * 0.78, w * 0.4, h * 0.8, 1, h / 2.0);
    SetColour(cr, Lighter(glow, 0.3), 0.85);
    cairo_fill(cr);
    SetColour(cr, core);
    Ellipse(cr, w * 0.7, h / 2.0, w * 0.2, h * 0.17);
    cairo_fill(cr);
}

// The score item: a small golden star gem.
void Item(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb gem = r.Colour("gem"), line = r.Colour("line");
    Fit(cr, r, 18);
    Glow(cr, 0, 0, 9, Lighter(gem, 0.3), 0.6);
    Star(cr, 0, 0.5, 5, 8, 3.8, 0);
    FillStroke(cr, Lighter(gem, 0.55), Darker(gem, 0.1), -8, 8, line, 1.0);
    Glow(cr, -1.5, -1.5, 3.2, {1, 1, 0.96}, 0.95);
}

// The sword's blade along +x: hilt at the left edge, point at the right.
void Sword(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb blade = r.Colour("blade"), gold = r.Colour("hilt"), glow = r.Colour("glow");
    const double w = r.width, h = r.height, m = h / 2.0;
    cairo_save(cr);
    cairo_translate(cr, w * 0.6, m);
    cairo_scale(cr, w * 0.42, m);
    Glow(cr, 0, 0, 1.0, glow, 0.7);
    cairo_restore(cr);
    cairo_move_to(cr, 22, m - 3.2);
    cairo_line_to(cr, w - 14, m - 2.6);
    cairo_line_to(cr, w - 1.5, m);
    cairo_line_to(cr, w - 14, m + 2.6);
    cairo_line_to(cr, 22, m + 3.2);
    cairo_close_path(cr);
    FillStroke(cr, Lighter(blade, 0.7), Darker(blade, 0.15), m - 3, m + 3, Darker(blade, 0.45), 0.8);
    cairo_set_line_width(cr, 0.8);
    SetColour(cr, {1, 1, 1}, 0.8);
    cairo_move_to(cr, 24, m - 0.4);
    cairo_line_to(cr, w - 10, m - 0.4);
    cairo_stroke(cr);
    RoundRect(cr, 17, m - 7.5, 4.5, 15, 1.8);   // cross-guard
    FillStroke(cr, Lighter(gold, 0.4), Darker(gold, 0.2), m - 7, m + 7, Darker(gold, 0.55), 0.8);
    RoundRect(cr, 6, m - 2, 11.5, 4, 1.5);   // grip
    FillStroke(cr, {0.45, 0.25, 0.55}, {0.3, 0.15, 0.4}, m - 2, m + 2, {0.2, 0.1, 0.25}, 0.6);
    Ellipse(cr, 4.2, m, 3.2, 3.2);   // pommel gem
    FillStroke(cr, Lighter(glow, 0.5), glow, m - 3, m + 3, Darker(gold, 0.5), 0.8);
}

// ---- enemy bullets (drawn additively over the field) ---------------------------
// Each body keeps most of its glow colour: a pale body added onto the ground turns white.

void Orb(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb glow = r.Colour("glow"), core = r.Colour("core");
    const double cx = r.width / 2.0, cy = r.height / 2.0, rad = std::min(cx, cy);
    Glow(cr, cx, cy, rad, glow, 0.95);
    cairo_arc(cr, cx, cy, rad * 0.62, 0, 2 * M_PI);
    SetColour(cr, Mix(glow, core, 0.2), 0.95);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, rad * 0.42, 0, 2 * M_PI);
    SetColour(cr, core);
    cairo_fill(cr);
    if (r.Text("ring", "no") == "yes") {
        cairo_arc(cr, cx, cy, rad * 0.78, 0, 2 * M_PI);
        cairo_set_line_width(cr, rad * 0.14);
        SetColour(cr, Lighter(glow, 0.4), 0.9);
        cairo_stroke(cr);
    }
}

// Oval and needle shapes lie along +x, the way the bullet flies.
void Rice(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb glow = r.Colour("glow"), core = r.Colour("core");
    const double cx = r.width / 2.0, cy = r.height / 2.0;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, cx, cy);
    Glow(cr, 0, 0, 1.0, glow, 0.95);
    cairo_restore(cr);
    SetColour(cr, Mix(glow, core, 0.2), 0.95);
    Ellipse(cr, cx, cy, cx * 0.72, cy * 0.55);
    cairo_fill(cr);
    SetColour(cr, core);
    Ellipse(cr, cx + cx * 0.08, cy, cx * 0.45, cy * 0.3);
    cairo_fill(cr);
}

void Needle(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb glow = r.Colour("glow"), core = r.Colour("core");
    const double w = r.width, cy = r.height / 2.0;
    cairo_save(cr);
    cairo_translate(cr, w / 2.0, cy);
    cairo_scale(cr, w / 2.0, cy);
    Glow(cr, 0, 0, 1.0, glow, 0.9);
    cairo_restore(cr);
    cairo_move_to(cr, w - 1, cy);
    cairo_line_to(cr, w * 0.45, cy - cy * 0.6);
    cairo_line_to(cr, 2, cy);
    cairo_line_to(cr, w * 0.45, cy + cy * 0.6);
    cairo_close_path(cr);
    SetColour(cr, Mix(glow, core, 0.2));
    cairo_fill(cr);
    cairo_move_to(cr, w - 3, cy);
    cairo_line_to(cr, 5, cy);
    cairo_set_line_width(cr, std::max(1.0, cy * 0.35));
    SetColour(cr, core);
    cairo_stroke(cr);
}

// A falling drop: round head at +x, tail toward -x.
void Drop(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb glow = r.Colour("glow"), core = r.Colour("core");
    const double w = r.width, cy = r.height / 2.0, head = cy * 0.75;
    const double hx = w - cy - 1;
    cairo_save(cr);
    cairo_translate(cr, w / 2.0, cy);
    cairo_scale(cr, w / 2.0, cy);
    Glow(cr, 0, 0, 1.0, glow, 0.9);
    cairo_restore(cr);
    cairo_move_to(cr, 1.5, cy);
    cairo_curve_to(cr, w * 0.4, cy - head * 0.3, hx - head, cy - head, hx, cy - head);
    cairo_arc(cr, hx, cy, head, -M_PI / 2, M_PI / 2);
    cairo_curve_to(cr, hx - head, cy + head, w * 0.4, cy + head * 0.3, 1.5, cy);
    SetColour(cr, Mix(glow, core, 0.2));
    cairo_fill(cr);
    SetColour(cr, core);
    Ellipse(cr, hx + head * 0.15, cy - head * 0.2, head * 0.45, head * 0.35);
    cairo_fill(cr);
}

void StarBullet(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb glow = r.Colour("glow"), core = r.Colour("core");
    const double cx = r.width / 2.0, cy = r.height / 2.0, rad = std::min(cx, cy);
    Glow(cr, cx, cy, rad, glow, 0.9);
    Star(cr, cx, cy, 5, rad * 0.9, rad * 0.42, M_PI / 2);
    SetColour(cr, Mix(glow, core, 0.25));
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, rad * 0.28, 0, 2 * M_PI);
    SetColour(cr, core);
    cairo_fill(cr);
}

// ---- enemies ---------------------------------------------------------------------

// A winged rabbit facing the player, in a 48-unit box.
void RabbitShape(cairo_t* cr, const Recipe& r) {
    const Rgb fur = r.Colour("fur"), inner = r.Colour("inner"), eye = r.Colour("eye"), wing = r.Colour("wing");
    const Rgb line = Darker(fur, 0.55);
    const std::string extra = r.Text("extra", "");
    Fit(cr, r, 48);
    // Wings behind.
    for (int side = -1; side <= 1; side += 2) {
        cairo_move_to(cr, side * 8, 4);
        cairo_curve_to(cr, side * 18, -8, side * 25, -2, side * 23.5, 6);
        cairo_curve_to(cr, side * 21, 8, side * 20, 12, side * 15, 12);
        cairo_curve_to(cr, side * 13, 9, side * 10, 10, side * 8, 10);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(side * 8, 0, side * 24, 0);
        cairo_pattern_add_color_stop_rgba(p, 0, wing.r, wing.g, wing.b, 0.95);
        cairo_pattern_add_color_stop_rgba(p, 1, Lighter(wing, 0.5).r, Lighter(wing, 0.5).g, Lighter(wing, 0.5).b, 0.7);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
        SetColour(cr, Darker(wing, 0.5));
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
    // Ears.
    for (int side = -1; side <= 1; side += 2) {
        cairo_save(cr);
        cairo_translate(cr, side * 6.5, -13);
        cairo_rotate(cr, side * 0.22);
        Ellipse(cr, 0, -3, 4.6, 10.5);
        FillStroke(cr, Lighter(fur, 0.15), fur, -13, 7, line, 1.2);
        Ellipse(cr, 0, -3, 2.2, 7.5);
        SetColour(cr, inner);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    // Body, feet, head.
    Ellipse(cr, 0, 12, 10.5, 8.5);
    FillStroke(cr, fur, Darker(fur, 0.15), 4, 20, line, 1.2);
    Ellipse(cr, -5.5, 19.5, 3.6, 2.4);
    Ellipse(cr, 5.5, 19.5, 3.6, 2.4);
    FillStroke(cr, Lighter(fur, 0.1), Darker(fur, 0.1), 17, 22, line, 1.0);
    if (extra == "armor") {
        Ellipse(cr, 0, 12, 8.5, 6.5);
        FillStroke(cr, {0.78, 0.8, 0.86}, {0.48, 0.5, 0.6}, 6, 18, {0.25, 0.25, 0.35}, 1.0);
        SetColour(cr, r.Colour("gem", "#e04040"));
        Ellipse(cr, 0, 11, 2.2, 2.2);
        cairo_fill(cr);
    }
    Ellipse(cr, 0, -1, 12, 10.5);
    FillStroke(cr, Lighter(fur, 0.2), fur, -11, 10, line, 1.2);
    // Face.
    for (int side = -1; side <= 1; side += 2) {
        SetColour(cr, Darker(eye, 0.35));
        Ellipse(cr, side * 4.6, -2, 2.5, 3.2);
        cairo_fill(cr);
        SetColour(cr, eye);
        Ellipse(cr, side * 4.6, -1.5, 1.7, 2.3);
        cairo_fill(cr);
        SetColour(cr, {1, 1, 1}, 0.95);
        Ellipse(cr, side * 4.6 - 0.8, -3, 0.9, 0.9);
        cairo_fill(cr);
        SetColour(cr, inner, 0.55);
        Ellipse(cr, side * 7.5, 3, 2.2, 1.3);
        cairo_fill(cr);
        if (extra == "angry") {
            cairo_move_to(cr, side * 2.2, -5.8);
            cairo_line_to(cr, side * 7.2, -7.2);
            cairo_set_line_width(cr, 1.4);
            SetColour(cr, line);
            cairo_stroke(cr);
        }
    }
    SetColour(cr, inner);
    cairo_move_to(cr, -1.4, 2);
    cairo_line_to(cr, 1.4, 2);
    cairo_line_to(cr, 0, 3.6);
    cairo_close_path(cr);
    cairo_fill(cr);
    if (extra == "crown") {
        cairo_move_to(cr, -6, -10);
        cairo_line_to(cr, -6, -16);
        cairo_line_to(cr, -3, -12.5);
        cairo_line_to(cr, 0, -17);
        cairo_line_to(cr, 3, -12.5);
        cairo_line_to(cr, 6, -16);
        cairo_line_to(cr, 6, -10);
        cairo_close_path(cr);
        FillStroke(cr, {1, 0.9, 0.45}, {0.9, 0.62, 0.15}, -17, -10, {0.55, 0.35, 0.1}, 0.9);
    }
}

void Rabbit(cairo_t* cr, const Recipe& r, const Context&) {
    WithRim(cr, r.Colour("rim", "#20142e"), 0.8, 1.0, [&] { RabbitShape(cr, r); });
}

// A faceted crystal, point down, in a box of its own size.
void CrystalShape(cairo_t* cr, double cx, double cy, double w, double h, Rgb c, Rgb line) {
    const double top = cy - h / 2, bottom = cy + h / 2, mid = cy - h * 0.12;
    // Left and right halves lit differently.
    cairo_move_to(cr, cx, top);
    cairo_line_to(cr, cx - w / 2, mid);
    cairo_line_to(cr, cx, bottom);
    cairo_close_path(cr);
    FillStroke(cr, Lighter(c, 0.6), Lighter(c, 0.1), top, bottom, line, 0);
    cairo_move_to(cr, cx, top);
    cairo_line_to(cr, cx + w / 2, mid);
    cairo_line_to(cr, cx, bottom);
    cairo_close_path(cr);
    FillStroke(cr, c, Darker(c, 0.35), top, bottom, line, 0);
    // Inner facets.
    cairo_move_to(cr, cx, top);
    cairo_line_to(cr, cx - w * 0.18, mid);
    cairo_line_to(cr, cx, bottom);
    cairo_line_to(cr, cx + w * 0.18, mid);
    cairo_close_path(cr);
    SetColour(cr, Lighter(c, 0.45), 0.55);
    cairo_fill(cr);
    cairo_move_to(cr, cx - w / 2, mid);
    cairo_line_to(cr, cx + w / 2, mid);
    cairo_set_line_width(cr, 0.8);
    SetColour(cr, Lighter(c, 0.8), 0.8);
    cairo_stroke(cr);
    cairo_move_to(cr, cx, top);
    cairo_line_to(cr, cx - w / 2, mid);
    cairo_line_to(cr, cx, bottom);
    cairo_line_to(cr, cx + w / 2, mid);
    cairo_close_path(cr);
    SetColour(cr, line);
    cairo_set_line_width(cr, 1.1);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    Glow(cr, cx - w * 0.12, mid - h * 0.12, std::min(w, h) * 0.22, {1, 1, 1}, 0.85);
}

void Crystal(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb c = r.Colour("colour"), line = Darker(c, 0.6);
    const double w = r.width, h = r.height;
    const std::string form = r.Text("form", "single");
    Glow(cr, w / 2, h / 2, std::min(w, h) / 2, Lighter(c, 0.3), 0.55);
    if (form == "cluster") {
        CrystalShape(cr, w * 0.28, h * 0.56, w * 0.34, h * 0.62, Darker(c, 0.1), line);
        CrystalShape(cr, w * 0.72, h * 0.56, w * 0.34, h * 0.62, Darker(c, 0.1), line);
        CrystalShape(cr, w * 0.5, h * 0.48, w * 0.44, h * 0.9, c, line);
    } else {
        CrystalShape(cr, w / 2, h / 2, w * 0.7, h * 0.94, c, line);
    }
    if (form == "ring") {
        cairo_save(cr);
        cairo_translate(cr, w / 2, h * 0.46);
        cairo_scale(cr, w * 0.46, h * 0.12);
        cairo_arc(cr, 0, 0, 1, 0.1, M_PI - 0.1);
        cairo_restore(cr);
        cairo_set_line_width(cr, 2.0);
        SetColour(cr, r.Colour("ring"));
        cairo_stroke(cr);
    }
}

// ---- bosses ----------------------------------------------------------------------

// A magic circle of rings, runes and a star, in the boss's light.
void MagicCircle(cairo_t* cr, double rad, int points, Rgb c) {
    Glow(cr, 0, 0, rad, c, 0.45);
    cairo_set_line_width(cr, 1.6);
    SetColour(cr, Lighter(c, 0.4), 0.85);
    cairo_arc(cr, 0, 0, rad * 0.92, 0, 2 * M_PI);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_arc(cr, 0, 0, rad * 0.78, 0, 2 * M_PI);
    cairo_stroke(cr);
    for (int i = 0; i < 24; ++i) {   // runes between the rings
        const double a = i * M_PI / 12;
        cairo_save(cr);
        cairo_rotate(cr, a);
        cairo_move_to(cr, rad * 0.8, (i % 3) - 1.0);
        cairo_line_to(cr, rad * 0.9, 1.0 - (i % 2) * 2);
        cairo_restore(cr);
    }
    cairo_stroke(cr);
    cairo_new_sub_path(cr);
    for (int i = 0; i <= points; ++i) {
        const int k = (i * 2) % points;
        const double a = -M_PI / 2 + k * 2 * M_PI / points;
        cairo_line_to(cr, std::cos(a) * rad * 0.78, std::sin(a) * rad * 0.78);
    }
    SetColour(cr, Lighter(c, 0.2), 0.6);
    cairo_stroke(cr);
}

// The boss in person: a small figure facing the player, in a 100-unit box.
void BossFigure(cairo_t* cr, const Character& c, const std::string& kind) {
    const Rgb hair = c.Colour("hair"), skin = c.Colour("skin"), dress = c.Colour("dress"),
              accent = c.Colour("accent"), eye = c.Colour("eyes");
    const Rgb line = Darker(dress, 0.6);
    // Wings or cape behind.
    for (int side = -1; side <= 1; side += 2) {
        if (kind == "dragon") {
            cairo_move_to(cr, side * 8, -2);
            cairo_curve_to(cr, side * 24, -26, side * 40, -24, side * 44, -12);
            cairo_line_to(cr, side * 36, -8);
            cairo_line_to(cr, side * 38, 2);
            cairo_line_to(cr, side * 28, 0);
            cairo_line_to(cr, side * 26, 10);
            cairo_curve_to(cr, side * 20, 4, side * 14, 6, side * 8, 10);
            cairo_close_path(cr);
            FillStroke(cr, Lighter(accent, 0.1), Darker(accent, 0.3), -26, 10, Darker(accent, 0.6), 1.2);
        } else if (kind == "angel") {
            for (int f = 0; f < 4; ++f) {
                cairo_save(cr);
                cairo_translate(cr, side * 10, -4 + f * 3);
                cairo_rotate(cr, side * (-0.5 + f * 0.28));
                Ellipse(cr, side * 16, 0, 17 - f * 2, 5);
                FillStroke(cr, {0.97, 0.98, 1}, Lighter(accent, 0.45), -5, 5, Darker(accent, 0.2), 0.9);
                cairo_restore(cr);
            }
        } else {   // a long cape spread like wings
            cairo_move_to(cr, side * 6, -8);
            cairo_curve_to(cr, side * 26, -12, side * 38, 6, side * 34, 30);
            cairo_curve_to(cr, side * 24, 24, side * 16, 30, side * 6, 26);
            cairo_close_path(cr);
            FillStroke(cr, Lighter(accent, 0.1), Darker(dress, 0.2), -10, 30, line, 1.2);
        }
    }
    // Long back hair.
    cairo_move_to(cr, -13, -22);
    cairo_curve_to(cr, -20, -8, -18, 8, -14, 16);
    cairo_line_to(cr, 14, 16);
    cairo_curve_to(cr, 18, 8, 20, -8, 13, -22);
    cairo_close_path(cr);
    FillStroke(cr, hair, Darker(hair, 0.3), -22, 16, Darker(hair, 0.5), 1.0);
    // Dress.
    cairo_move_to(cr, -6, -8);
    cairo_line_to(cr, 6, -8);
    cairo_curve_to(cr, 10, 4, 16, 18, 19, 30);
    cairo_curve_to(cr, 8, 34, -8, 34, -19, 30);
    cairo_curve_to(cr, -16, 18, -10, 4, -6, -8);
    cairo_close_path(cr);
    FillStroke(cr, Lighter(dress, 0.25), Darker(dress, 0.15), -8, 34, line, 1.2);
    cairo_move_to(cr, -17, 28);
    cairo_curve_to(cr, -8, 31, 8, 31, 17, 28);
    cairo_set_line_width(cr, 2.0);
    SetColour(cr, accent);
    cairo_stroke(cr);
    // Arms reaching out, hands glowing with the attack.
    for (int side = -1; side <= 1; side += 2) {
        cairo_move_to(cr, side * 6, -6);
        cairo_curve_to(cr, side * 12, -2, side * 16, 4, side * 20, 6);
        cairo_set_line_width(cr, 4.0);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        SetColour(cr, Darker(dress, 0.05));
        cairo_stroke(cr);
        Glow(cr, side * 21, 7, 7, Lighter(accent, 0.5), 0.9);
        SetColour(cr, skin);
        Ellipse(cr, side * 20.5, 6.5, 2.2, 2.2);
        cairo_fill(cr);
    }
    // Head.
    Ellipse(cr, 0, -18, 10.5, 10);
    FillStroke(cr, skin, Darker(skin, 0.06), -28, -8, Darker(skin, 0.45), 1.0);
    for (int side = -1; side <= 1; side += 2) {
        SetColour(cr, Darker(eye, 0.5));
        Ellipse(cr, side * 4, -16.5, 2.2, 2.8);
        cairo_fill(cr);
        SetColour(cr, eye);
        Ellipse(cr, side * 4, -16, 1.6, 2.0);
        cairo_fill(cr);
        SetColour(cr, {1, 1, 1});
        Ellipse(cr, side * 4 - 0.6, -17.3, 0.7, 0.7);
        cairo_fill(cr);
    }
    SetColour(cr, Darker(skin, 0.45));
    cairo_move_to(cr, -1.5, -11.8);
    cairo_curve_to(cr, -0.5, -11.2, 0.5, -11.2, 1.5, -11.8);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    // Bangs.
    cairo_move_to(cr, -11, -17);
    cairo_curve_to(cr, -12, -28, 12, -32, 11, -17);
    cairo_line_to(cr, 8, -21);
    cairo_line_to(cr, 5, -18);
    cairo_line_to(cr, 2, -22);
    cairo_line_to(cr, -1, -18.5);
    cairo_line_to(cr, -4, -22);
    cairo_line_to(cr, -7, -19);
    cairo_close_path(cr);
    FillStroke(cr, Lighter(hair, 0.2), hair, -30, -17, Darker(hair, 0.5), 1.0);
    // What marks each of them.
    if (kind == "dragon") {
        for (int side = -1; side <= 1; side += 2) {
            cairo_move_to(cr, side * 6, -26);
            cairo_curve_to(cr, side * 9, -32, side * 13, -34, side * 16, -36);
            cairo_curve_to(cr, side * 13, -31, side * 12, -28, side * 10, -24);
            cairo_close_path(cr);
            FillStroke(cr, {0.98, 0.94, 0.8}, {0.78, 0.66, 0.45}, -36, -24, {0.45, 0.35, 0.2}, 0.9);
        }
    } else if (kind == "angel") {
        cairo_save(cr);
        cairo_translate(cr, 0, -33);
        cairo_scale(cr, 11, 3);
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_set_line_width(cr, 2.0);
        SetColour(cr, Lighter(accent, 0.5));
        cairo_stroke(cr);
    } else {
        Star(cr, 0, -29, 4, 6, 2.2, 0);
        FillStroke(cr, Lighter(accent, 0.6), accent, -35, -23, Darker(accent, 0.5), 0.8);
        for (int side = -1; side <= 1; side += 2) {
            Star(cr, side * 6, -27, 4, 3.5, 1.3, 0);
            FillStroke(cr, Lighter(accent, 0.6), accent, -31, -23, Darker(accent, 0.5), 0.6);
        }
    }
}

void Boss(cairo_t* cr, const Recipe& r, const Context& ctx) {
    const Character& c = ctx.Who(r.Text("who"));
    Fit(cr, r, 100);
    cairo_save(cr);
    cairo_scale(cr, 1, 0.9);
    MagicCircle(cr, 48, int(r.Number("points", 5)), r.Colour("circle"));
    cairo_restore(cr);
    WithRim(cr, r.Colour("rim", "#20142e"), 0.8, 1.0, [&] { BossFigure(cr, c, r.Text("kind")); });
}

// ---- the program's icon --------------------------------------------------------

// The heroine climbing through a starry night on a rounded badge, designed
// in a 64-unit box. Small icons keep only the bright stars and a thicker
// frame, so the shapes still read at 32 pixels.
void Icon(cairo_t* cr, const Recipe& r, const Context& ctx) {
    const Character& c = ctx.Who(r.Text("who"));
    const Rgb sky = r.Colour("sky"), dusk = r.Colour("dusk"), frame = r.Colour("frame");
    const Rgb gold = c.Colour("accent"), hair = c.Colour("hair");
    const bool small = std::min(r.width, r.height) < 48;
    Fit(cr, r, 64);
    RoundRect(cr, -30.5, -30.5, 61, 61, 13);
    FillStroke(cr, sky, dusk, -30, 30, frame, small ? 3.0 : 2.2);
    cairo_save(cr);
    RoundRect(cr, -28, -28, 56, 56, 11);
    cairo_clip(cr);
    // A full moon behind her, a pink glow rising from below, and the stars
    // of the stage skies.
    const Rgb moon = r.Colour("moon");
    Glow(cr, 0, 30, 30, Mix(hair, dusk, 0.35), 0.8);
    Glow(cr, 6, -10, 26, moon, 0.55);
    SetColour(cr, moon);
    cairo_arc(cr, 6, -10, 16, 0, 2 * M_PI);
    cairo_fill(cr);
    SetColour(cr, Darker(moon, 0.12), 0.8);
    Ellipse(cr, 14, -16, 3.2, 2.6);
    Ellipse(cr, 16, -4, 2.4, 2.0);
    cairo_fill(cr);
    Random rnd(102);
    for (int i = 0; i < (small ? 3 : 9); ++i) {
        const double x = rnd.Range(-24, 24), y = rnd.Range(-24, 8), size = rnd.Range(1.2, 2.4);
        if (std::hypot(x - 6, y + 10) < 21) continue;   // not on the moon
        SetColour(cr, Lighter(gold, 0.6), 0.95);
        Star(cr, x, y, 4, size * (small ? 1.6 : 1.0) + 0.8, 0.6, 0);
        cairo_fill(cr);
    }
    // Her, climbing, with the golden sparks of her trail.
    cairo_translate(cr, -2, 5);
    cairo_scale(cr, 1.15, 1.15);
    WitchTrail(cr, c, 0, true, rnd);
    WithRim(cr, r.Colour("rim"), 0.9, small ? 1.5 : 1.2, [&] { Witch(cr, c, 0, true); });
    cairo_restore(cr);
}

}  // namespace

const Look kSpriteLooks[] = {
    {"player", PlayerSheet}, {"shot", Shot},     {"item", Item},     {"sword", Sword},
    {"orb", Orb},            {"rice", Rice},     {"needle", Needle}, {"drop", Drop},
    {"star", StarBullet},    {"rabbit", Rabbit}, {"crystal", Crystal}, {"boss", Boss},
    {"icon", Icon},
    {nullptr, nullptr},
};

}  // namespace paint
