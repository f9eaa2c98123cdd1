// Helpers shared by the test programs: a private working folder per test and
// whole-file reads.
#pragma once
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "zovav.h"

namespace zvtest {

// A forked child still running after this many seconds is counted as hung and
// ended by its alarm: far past what a loaded machine or a sanitizer build needs,
// and still inside ctest's own limit of 300 s.
constexpr unsigned kHangSeconds = 240;

// Makes a fresh folder, enters it, and on destruction leaves and removes it.
class ScopedTempDir {
public:
    ScopedTempDir() {
        char previous[4096];
        if (getcwd(previous, sizeof previous)) previous_ = previous;
        std::string pattern = (std::filesystem::temp_directory_path() / "zvtest.XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
        if (!path_.empty() && chdir(path_.c_str()) != 0) path_.clear();
    }
    ~ScopedTempDir() {
        if (!previous_.empty() && chdir(previous_.c_str()) != 0) {
        }
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string previous_, path_;
};

// Keeps the library's message loop (and so the sound streams' refill) going for a while.
inline void PumpMessagesFor(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        ProcessMessage();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// SDL's disk audio output, written to `path`, while the object lives; the
// driver setting from before comes back after.
class DiskAudio {
public:
    explicit DiskAudio(std::string path) : path_(std::move(path)) {
        if (const char* driver = std::getenv("SDL_AUDIODRIVER")) {
            hadDriver_ = true;
            previousDriver_ = driver;
        }
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
    }
    ~DiskAudio() {
        unsetenv("SDL_DISKAUDIOFILE");
        if (hadDriver_) setenv("SDL_AUDIODRIVER", previousDriver_.c_str(), 1);
        else unsetenv("SDL_AUDIODRIVER");
    }
    DiskAudio(const DiskAudio&) = delete;
    DiskAudio& operator=(const DiskAudio&) = delete;

    const std::string& path() const { return path_; }
    // What the device has written so far, as 16-bit samples.
    std::vector<int16_t> Samples() const;

private:
    std::string path_;
    bool hadDriver_ = false;
    std::string previousDriver_;
};

// Loudness (root mean square) of each whole window of `window` samples.
inline std::vector<double> WindowRms(const std::vector<int16_t>& samples, size_t window) {
    std::vector<double> rms;
    for (size_t at = 0; at + window <= samples.size(); at += window) {
        double sum = 0;
        for (size_t i = at; i < at + window; ++i) sum += double(samples[i]) * samples[i];
        rms.push_back(std::sqrt(sum / double(window)));
    }
    return rms;
}

// The largest change between neighbouring samples of one channel in
// [from, to): every value, or every stride-th (2: one side of stereo pairs).
template <class Sample>
double LargestStep(const std::vector<Sample>& s, size_t from, size_t to = SIZE_MAX, size_t stride = 1) {
    double largest = 0;
    for (size_t i = from + stride; i < std::min(to, s.size()); i += stride)
        largest = std::max(largest, std::abs(double(s[i]) - double(s[i - stride])));
    return largest;
}

// Checks that every text appears in the log, each after the one before it.
inline void ExpectInOrder(const std::string& log, const std::vector<std::string>& texts) {
    size_t at = 0;
    for (const auto& t : texts) {
        size_t found = log.find(t, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << t << "\n" << log;
        at = found + t.size();
    }
}

// A picture in text: the rows, each ended by a newline.
inline std::string Rows(std::initializer_list<const char*> rows) {
    std::string s;
    for (const char* r : rows) (s += r) += '\n';
    return s;
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<int16_t> DiskAudio::Samples() const {
    const std::string raw = ReadWholeFile(path_);
    std::vector<int16_t> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return samples;
}

}  // namespace zvtest
