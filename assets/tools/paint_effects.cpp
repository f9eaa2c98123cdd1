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
    EachFrame(cr, r, [&](double t, int f) {
        Random rnd(101);   // the same debris in every frame, moved along
        const double fade = 1 - t;
        // Flash, then the ball of fire growing and cooling.
        Glow(cr, 0, 0, 12 + 34 * std::sqrt(t), Mix(hot, fire, std::min(1.0, t * 1.6)), 0.95 * fade);
        Glow(cr, 0, 0, 8 + 16 * (1 - t), hot, std::max(0.0, 1 - t * 2.2));
        // Shock ring.
        cairo_arc(cr, 0, 0, 6 + 40 * std::sqrt(t), 0, 2 * M_PI);
        cairo_set_line_width(cr, 5 * fade + 0.5);
        SetColour(cr, fire, 0.7 * fade * fade);
        cairo_stroke(cr);
        // Puffs of glowing smoke drifting out.
        for (int i = 0; i < 10; ++i) {
            const double a = rnd.Range(0, 2 * M_PI), d = rnd.Range(10, 30) * (0.3 + t), s = rnd.Range(8, 14);
            Glow(cr, std::cos(a) * d, std::sin(a) * d, s * (0.6 + t), Mix(fire, smoke, t), 0.55 * fade);
        }
        // Sparks flying out.
        for (int i = 0; i < 14; ++i) {
            const double a = rnd.Range(0, 2 * M_PI), v = rnd.Range(25, 44), d = v * std::sqrt(t) + 4;
            if (d > 46) continue;
            Glow(cr, std::cos(a) * d, std::sin(a) * d, 3.5 * fade + 1, Lighter(fire, 0.5), fade);
        }
        (void)f;
    });
}

void Sparks(cairo_t* cr, const Recipe& r, const Context&) {
    const Rgb core = r.Colour("core"), glow = r.Colour("glow");
    EachFrame(cr, r, [&](double t, int f) {
        Random rnd(202);
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
