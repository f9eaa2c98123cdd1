// Effect animation sheets, drawn light-on-black for additive drawing: the
// explosion and the boss's sparks, 16 frames each, row by row.
#include <cmath>

#include "paint.h"

namespace paint {
namespace {

// Calls draw(t, frame) for every frame, clipped to its cell and centred in it.
template <typename Fn>
void EachFrame(cairo_t* cr, const Recipe& r, Fn draw) {
    const int across = int(r.Number("across")), down = int(r.Number("down"));
    const double fw = double(r.width) / across, fh = double(r.height) / down;
    cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
    for (int f = 0; f < across * down; ++f) {
        cairo_save(cr);
        cairo_rectangle(cr, (f % across) * fw, (f / across) * fh, fw, fh);
        cairo_clip(cr);
        cairo_translate(cr, (f % across) * fw + fw / 2, (f / across) * fh + fh / 2);
        draw(f / double(across * down - 1), f);
        cairo_restore(cr);
    }
}

void Explosion(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb hot = r.Colour("hot"), fire = r.Colour("fire"), smoke = r.Colour("smoke");
    EachFrame(cr, r, [&](double t, int) {
        Random rnd(101);   // the same puffs and sparks in every frame, moved along
        const double fade = 1 - t, out = 1 - fade * fade;   // fast start, slow finish
        // The first flash.
        if (t < 0.25) Glow(cr, 0, 0, 22 + 60 * t, hot, 1 - t / 0.25);
        // Billows of fire cooling into glowing smoke.
        for (int i = 0; i < 14; ++i) {
            const double a = (i + rnd.Range(0, 0.8)) * 2 * M_PI / 14, v = rnd.Range(8, 26), s = rnd.Range(9, 16);
            const double d = v * out, rad = s * (0.6 + 0.9 * out);
            const Rgb c = t < 0.35 ? Mix(hot, fire, t / 0.35) : Mix(fire, smoke, std::min(1.0, (t - 0.35) / 0.5));
            Glow(cr, std::cos(a) * d, std::sin(a) * d, rad, c, 0.85 * std::pow(fade, 1.3));
        }
        Glow(cr, 0, 0, 14 + 18 * out, Mix(hot, fire, std::min(1.0, t * 2.5)), 0.9 * std::pow(fade, 2));
        // A shock ring that spreads and thins out early.
        if (t < 0.45) {
            const double k = t / 0.45;
            cairo_arc(cr, 0, 0, 10 + 34 * k, 0, 2 * M_PI);
            cairo_set_line_width(cr, 6 * (1 - k) + 0.5);
            SetColour(cr, Lighter(fire, 0.4), 0.75 * (1 - k));
            cairo_stroke(cr);
        }
        // Sparks flung out as short streaks.
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        for (int i = 0; i < 16; ++i) {
            const double a = rnd.Range(0, 2 * M_PI), v = rnd.Range(28, 46);
            const double d = v * out + 4, tail = std::max(2.0, 9 * fade);
            if (d > 46) continue;
            cairo_move_to(cr, std::cos(a) * (d - tail), std::sin(a) * (d - tail));
            cairo_line_to(cr, std::cos(a) * d, std::sin(a) * d);
            cairo_set_line_width(cr, 1.2 + 1.6 * fade);
            SetColour(cr, Lighter(fire, 0.6), fade);
            cairo_stroke(cr);
        }
    });
}

void Sparks(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb core = r.Colour("core"), glow = r.Colour("glow");
    EachFrame(cr, r, [&](double t, int f) {
        Random rnd(202);   // the same sparkles in every frame, moved along
        const double fade = 1 - t, grow = std::sqrt(t);
        Glow(cr, 0, 0, 10 + 26 * grow, glow, 0.8 * fade);
        // A four-pointed star turning as it fades.
        Star(cr, 0, 0, 4, (14 + 30 * grow) * fade + 4, 2.5, f * 0.12);
        SetColour(cr, core, 0.9 * fade);
        cairo_fill(cr);
        Star(cr, 0, 0, 4, (8 + 16 * grow) * fade + 2, 1.5, M_PI / 4 + f * 0.12);
        SetColour(cr, glow, 0.8 * fade);
        cairo_fill(cr);
        for (int i = 0; i < 10; ++i) {
            const double a = rnd.Range(0, 2 * M_PI), d = rnd.Range(14, 42) * grow;
            Glow(cr, std::cos(a) * d, std::sin(a) * d, 3 * fade + 1.2, Lighter(glow, 0.4), fade);
        }
    });
}

}  // namespace

const Look kEffectLooks[] = {
    {"explosion", Explosion},
    {"sparks", Sparks},
    {nullptr, nullptr},
};

}  // namespace paint
