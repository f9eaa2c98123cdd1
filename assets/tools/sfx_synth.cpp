// sfx_synth: turns the sound-effect recipes (layers of oscillators and noise
// with pitch sweeps, envelopes and filters) into 16-bit mono WAVE files.
//   sfx_synth RECIPES OUTDIR   writes OUTDIR/<name>.wav for every [name] block
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "wave_file.h"

namespace {

constexpr int kRate = 44100;

// One sound source of an effect; times in seconds, frequencies in Hz.
struct Layer {
    std::string wave = "sine";      // sine, square, triangle, saw, noise
    double start = 0, len = 0.1;
    double freqFrom = 440, freqTo = 440;
    std::vector<double> steps;      // frequency factors, one per equal slice of len
    double duty = 0.5;
    double gain = 1;
    double attack = 0.002, hold = 0, curve = 2;
    double lowFrom = 0, lowTo = 0;  // low-pass cut-off sweep, 0 for none
    double highPass = 0;
    double vibDepth = 0, vibRate = 0;   // semitones, Hz
};

struct Effect {
    std::string name;
    double peak = 0.5;
    double fade = 0.004;
    std::vector<Layer> layers;
    int line = 0;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    std::fprintf(stderr, "sfx_synth: %s: %s\n", where.c_str(), what.c_str());
    std::exit(1);
}

// "a" or "a:b" into a range.
void ParseRange(const std::string& text, double* from, double* to) {
    const size_t colon = text.find(':');
    *from = std::stod(text.substr(0, colon));
    *to = colon == std::string::npos ? *from : std::stod(text.substr(colon + 1));
}

Layer ParseLayer(std::istringstream& in, const std::string& where) {
    Layer l;
    std::string item;
    while (in >> item) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos) Fail(where, "expected key=value, got \"" + item + "\"");
        const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        try {
            if (key == "wave") l.wave = value;
            else if (key == "start") l.start = std::stod(value);
            else if (key == "len") l.len = std::stod(value);
            else if (key == "freq") ParseRange(value, &l.freqFrom, &l.freqTo);
            else if (key == "steps") {
                std::istringstream s(value);
                for (std::string f; std::getline(s, f, ',');) l.steps.push_back(std::stod(f));
            } else if (key == "duty") l.duty = std::stod(value);
            else if (key == "gain") l.gain = std::stod(value);
            else if (key == "attack") l.attack = std::stod(value);
            else if (key == "hold") l.hold = std::stod(value);
            else if (key == "curve") l.curve = std::stod(value);
            else if (key == "lowpass") ParseRange(value, &l.lowFrom, &l.lowTo);
            else if (key == "highpass") l.highPass = std::stod(value);
            else if (key == "vibrato") ParseRange(value, &l.vibDepth, &l.vibRate);
            else Fail(where, "unknown layer key \"" + key + "\"");
        } catch (const std::logic_error&) {
            Fail(where, "bad number in \"" + item + "\"");
        }
    }
    static const char* kWaves[] = {"sine", "square", "triangle", "saw", "noise"};
    if (std::find(std::begin(kWaves), std::end(kWaves), l.wave) == std::end(kWaves))
        Fail(where, "unknown wave \"" + l.wave + "\"");
    if (l.len <= 0 || l.start < 0 || l.freqFrom <= 0 || l.freqTo <= 0) Fail(where, "lengths and frequencies must be positive");
    return l;
}

std::vector<Effect> ParseRecipes(const std::string& path) {
    std::ifstream in(path);
    if (!in) Fail(path, "cannot open");
    std::vector<Effect> effects;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = path + ":" + std::to_string(number);
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string key;
        if (!(words >> key)) continue;
        if (key.front() == '[') {
            if (key.back() != ']' || key.size() < 3) Fail(where, "bad effect header");
            effects.push_back({});
            effects.back().name = key.substr(1, key.size() - 2);
            effects.back().line = number;
            continue;
        }
        if (effects.empty()) Fail(where, "settings before the first [name]");
        Effect& e = effects.back();
        if (key == "layer") {
            e.layers.push_back(ParseLayer(words, where));
        } else if (key == "peak") {
            if (!(words >> e.peak) || e.peak <= 0 || e.peak > 1) Fail(where, "peak must lie above 0 and at most 1");
        } else if (key == "fade") {
            if (!(words >> e.fade) || e.fade < 0) Fail(where, "fade must not be negative");
        } else {
            Fail(where, "unknown setting \"" + key + "\"");
        }
    }
    return effects;
}

// Deterministic white noise, so a rebuild gives the same file.
struct Noise {
    uint32_t state;
    double Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state / 2147483648.0 - 1.0;
    }
};

double Oscillator(const Layer& l, double phase, Noise& noise) {
    const double p = phase - std::floor(phase);
    if (l.wave == "sine") return std::sin(2 * M_PI * p);
    // A narrow pulse is centred on zero, so it adds no thump of its own.
    if (l.wave == "square") return (p < l.duty ? 1.0 : -1.0) - (2 * l.duty - 1);
    if (l.wave == "triangle") return p < 0.5 ? 4 * p - 1 : 3 - 4 * p;
    if (l.wave == "saw") return 2 * p - 1;
    return noise.Next();
}

double Envelope(const Layer& l, double t) {
    if (t < l.attack) return t / l.attack;
    const double decayLen = l.len - l.attack - l.hold;
    if (t < l.attack + l.hold || decayLen <= 0) return 1;
    const double u = std::min(1.0, (t - l.attack - l.hold) / decayLen);
    return std::pow(1 - u, l.curve);
}

void RenderLayer(const Layer& l, uint32_t seed, std::vector<double>& out) {
    Noise noise{seed | 1};
    const int first = int(l.start * kRate), count = int(l.len * kRate);
    double phase = 0, low = 0, band = 0, highPrev = 0, highOut = 0;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / kRate, u = double(i) / count;
        double freq = l.freqFrom * std::pow(l.freqTo / l.freqFrom, u);
        if (!l.steps.empty()) freq *= l.steps[std::min(l.steps.size() - 1, size_t(u * l.steps.size()))];
        if (l.vibDepth > 0) freq *= std::pow(2.0, l.vibDepth / 12 * std::sin(2 * M_PI * l.vibRate * t));
        phase += freq / kRate;
        double v = Oscillator(l, phase, noise);
        if (l.lowFrom > 0) {
            // A state-variable low-pass: two poles, gentle resonance.
            const double cut = l.lowFrom * std::pow(l.lowTo / l.lowFrom, u);
            const double f = 2 * std::sin(M_PI * std::min(cut, kRate / 6.0) / kRate);
            low += f * band;
            band += f * (v - low - 1.2 * band);
            v = low;
        }
        if (l.highPass > 0) {
            const double a = 1 / (1 + 2 * M_PI * l.highPass / kRate);
            highOut = a * (highOut + v - highPrev);
            highPrev = v;
            v = highOut;
        }
        const size_t at = size_t(first + i);
        if (at >= out.size()) out.resize(at + 1, 0.0);
        out[at] += v * l.gain * Envelope(l, t);
    }
}

std::vector<int16_t> Render(const Effect& e) {
    std::vector<double> mix;
    uint32_t seed = 2166136261u;
    for (char c : e.name) seed = (seed ^ uint8_t(c)) * 16777619u;
    for (size_t i = 0; i < e.layers.size(); ++i) RenderLayer(e.layers[i], seed + uint32_t(i) * 7919u, mix);
    // Both ends ramp, so the effect starts and stops without a click.
    const int ramp = std::max(1, int(e.fade * kRate));
    const int in = std::min<int>(int(0.001 * kRate), int(mix.size()) / 2);
    for (int i = 0; i < in; ++i) mix[size_t(i)] *= double(i) / in;
    for (int i = 0; i < ramp && i < int(mix.size()); ++i) mix[mix.size() - 1 - size_t(i)] *= double(i) / ramp;
    double peak = 0;
    for (double v : mix) peak = std::max(peak, std::fabs(v));
    const double scale = peak > 0 ? e.peak * 32767 / peak : 0;
    std::vector<int16_t> pcm(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) pcm[i] = int16_t(std::lround(mix[i] * scale));
    return pcm;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: sfx_synth RECIPES OUTDIR\n");
        return 2;
    }
    const std::vector<Effect> effects = ParseRecipes(argv[1]);
    for (const Effect& e : effects) {
        if (e.layers.empty()) Fail(std::string(argv[1]) + ":" + std::to_string(e.line), "effect without layers");
        const std::string path = std::string(argv[2]) + "/" + e.name + ".wav";
        if (!WriteWaveFile(path, 1, kRate, Render(e))) Fail(path, "cannot write");
    }
    return 0;
}
