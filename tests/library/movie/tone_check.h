// Listening to the test tone of movie_writer.h in 16-bit output samples:
// how loud a stretch is, where in the track its loudness puts it, and how
// many samples a stretch lies off the place it should come from.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "movie_writer.h"

namespace moviefix {

constexpr int kOutputRate = 44100;

// One channel of interleaved stereo.
inline std::vector<double> Channel(const std::vector<int16_t>& stereo, int channel) {
    std::vector<double> out;
    for (size_t i = size_t(channel); i < stereo.size(); i += 2) out.push_back(stereo[i]);
    return out;
}

inline double Rms(const std::vector<double>& s, size_t from, size_t count) {
    double sum = 0;
    for (size_t i = from; i < from + count && i < s.size(); ++i) sum += s[i] * s[i];
    return count ? std::sqrt(sum / double(count)) : 0;
}

// The shift (within maxLag samples) that best lines the stretch up with the
// tone as it sounds from t0 seconds on: 0 when it is in step.
inline int ToneLag(const std::vector<double>& s, size_t from, size_t count, double t0, int maxLag = 80) {
    int best = 0;
    double bestError = -1;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double error = 0;
        for (size_t i = 0; i < count && from + i < s.size(); ++i) {
            const double d = s[from + i] - ToneAt(t0 + (double(i) + lag) / kOutputRate);
            error += d * d;
        }
        if (bestError < 0 || error < bestError) {
            bestError = error;
            best = lag;
        }
    }
    return best;
}

}  // namespace moviefix
