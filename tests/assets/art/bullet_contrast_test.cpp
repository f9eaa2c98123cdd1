// Enemy bullets as a player sees them: every kind, added at 250 onto each
// stage's background as the frame loop draws it, must stand out from the
// ground and keep a colour of its own apart from the heroine's shot (drawn
// with its alpha) at the same place. Measured in CIELAB on the built
// pictures, read back from the library's screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "graphics/image/graph_image.h"
#include "zovav.h"
#include "zv_started_library.h"
#include "zv_test_support.h"

namespace {

constexpr int kKinds = 14;
constexpr int kW = 640, kH = 480;
// Points across the play field (x below 480), far enough apart that no two pictures touch.
constexpr int kStep = 30, kFirst = 30, kLast = 450;
// A picture's body: its pixels at least this opaque.
constexpr uint32_t kBodyAlpha = 64;
// What a player tells apart: a mean CIELAB difference from the ground, and
// an a*b* difference between two glows.
constexpr double kStandOut = 20, kColourApart = 20;
constexpr double kStandOutShare = 0.98, kColourApartShare = 0.90;

struct Lab {
    double L, a, b;
};

double Linear(int c) {
    const double v = c / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

Lab ToLab(uint32_t rgb) {
    const double r = Linear(int(rgb >> 16 & 0xFF)), g = Linear(int(rgb >> 8 & 0xFF)), b = Linear(int(rgb & 0xFF));
    const double xyz[3] = {(0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047, 0.2126 * r + 0.7152 * g + 0.0722 * b,
                           (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883};
    double f[3];
    for (int i = 0; i < 3; ++i)
        f[i] = xyz[i] > 216.0 / 24389 ? std::cbrt(xyz[i]) : (24389.0 / 27 * xyz[i] + 16) / 116;
    return {116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])};
}

double Distance(const Lab& p, const Lab& q) { return std::sqrt((p.L - q.L) * (p.L - q.L) + (p.a - q.a) * (p.a - q.a) + (p.b - q.b) * (p.b - q.b)); }

std::string Material(const std::string& file) { return std::string(ZV_ART_DIR) + "/" + file; }

// The offsets from a picture's centre of its body pixels, as DrawRotaGraph
// lays it down unturned.
std::vector<std::pair<int, int>> Body(const std::string& file) {
    GraphImage image{}, alpha{};
    EXPECT_GE(LoadGraphImageFile(Material(file).c_str(), nullptr, 0, 0, nullptr, 0, 2, &image, &alpha, 0), 0) << file;
    std::vector<std::pair<int, int>> body;
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x)
            if (GetGraphImagePixel(&image, x, y) >> 24 >= kBodyAlpha) body.push_back({x - image.Width / 2, y - image.Height / 2});
    ReleaseGraphImage(&image);
    ReleaseGraphImage(&alpha);
    return body;
}

// One picture drawn at one place: how far it stands from the ground, and its glow's colour.
struct Seen {
    double standOut;
    double a, b;
};

class BulletContrast : public zvtest::StartedLibrary {
protected:
    void SetUp() override {
        zvtest::StartedLibrary::SetUp();
        if (!HasFatalFailure()) SetDrawScreen(SCREEN_BACK);
    }

    std::vector<uint32_t> Grab() {
        EXPECT_EQ(SaveDrawScreenToBMP(0, 0, kW, kH, "grab.bmp"), 0);
        const std::string bmp = zvtest::ReadWholeFile("grab.bmp");
        std::vector<uint32_t> px(size_t(kW * kH));
        if (bmp.size() != 54u + size_t(kW * kH * 3)) {
            ADD_FAILURE() << "screen grab of " << bmp.size() << " bytes";
            return px;
        }
        const auto* p = reinterpret_cast<const unsigned char*>(bmp.data()) + 54;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const unsigned char* q = p + ((kH - 1 - y) * kW + x) * 3;
                px[size_t(y * kW + x)] = uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
            }
        return px;
    }

    // The background alone, then the picture at every place, drawn in the
    // blend mode of its list; one Seen per place.
    std::vector<Seen> DrawAtEveryPlace(int back, const std::string& file, int blendMode, int blendParam) {
        ClearDrawScreen();
        DrawGraph(0, 0, back, 1);
        const std::vector<uint32_t> ground = Grab();
        const int handle = LoadGraph(Material(file).c_str());
        EXPECT_NE(handle, -1) << file;
        SetDrawBlendMode(blendMode, blendParam);
        for (int y = kFirst; y <= kLast; y += kStep)
            for (int x = kFirst; x <= kLast; x += kStep) DrawRotaGraph(x, y, 1.0, 0.0, handle, 1);
        SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
        DeleteGraph(handle);
        const std::vector<uint32_t> drawn = Grab();
        const auto body = Body(file);
        std::vector<Seen> seen;
        for (int y = kFirst; y <= kLast; y += kStep)
            for (int x = kFirst; x <= kLast; x += kStep) {
                double sum = 0;
                std::vector<Lab> labs;
                for (const auto& o : body) {
                    const size_t i = size_t((y + o.second) * kW + x + o.first);
                    labs.push_back(ToLab(drawn[i]));
                    sum += Distance(labs.back(), ToLab(ground[i]));
                }
                // The glow is the more colourful half of the body; the other half is its pale core.
                std::sort(labs.begin(), labs.end(), [](const Lab& p, const Lab& q) {
                    return std::hypot(p.a, p.b) > std::hypot(q.a, q.b);
                });
                const size_t half = std::max<size_t>(1, labs.size() / 2);
                double a = 0, b = 0;
                for (size_t i = 0; i < half; ++i) {
                    a += labs[i].a;
                    b += labs[i].b;
                }
                seen.push_back({sum / std::max<size_t>(1, body.size()), a / half, b / half});
            }
        return seen;
    }
};

TEST_F(BulletContrast, EveryKindStandsOutOnEveryStageApartFromTheShot) {
    for (int stage = 1; stage <= 4; ++stage) {
        SCOPED_TRACE("stage " + std::to_string(stage));
        // The game loads its backgrounds keying out black, its sprites keying out white.
        SetTransColor(0, 0, 0);
        const int back = LoadGraph(Material("back" + std::to_string(stage) + ".jpg").c_str());
        SetTransColor(255, 255, 255);
        ASSERT_NE(back, -1);
        const std::vector<Seen> shot = DrawAtEveryPlace(back, "shot.png", ZV_BLEND_NOBLEND, 0);
        int standing = 0, apart = 0, pairs = 0;
        std::string perKind;
        for (int kind = 0; kind < kKinds; ++kind) {
            const std::vector<Seen> seen =
                DrawAtEveryPlace(back, "bullet" + std::to_string(kind + 1) + ".png", ZV_BLEND_ADD, 250);
            int s = 0, c = 0;
            for (size_t i = 0; i < seen.size(); ++i) {
                s += seen[i].standOut >= kStandOut;
                c += std::hypot(seen[i].a - shot[i].a, seen[i].b - shot[i].b) >= kColourApart;
            }
            standing += s;
            apart += c;
            pairs += int(seen.size());
            perKind += " " + std::to_string(kind) + ":" + std::to_string(s) + "/" + std::to_string(c);
        }
        DeleteGraph(back);
        std::printf("stage %d: %.1f%% stand out, %.1f%% apart from the shot (kind:out/apart of %d places)%s\n", stage,
                    100.0 * standing / pairs, 100.0 * apart / pairs, pairs / kKinds, perKind.c_str());
        EXPECT_GE(standing, kStandOutShare * pairs) << perKind;
        EXPECT_GE(apart, kColourApartShare * pairs) << perKind;
    }
}

}  // namespace
