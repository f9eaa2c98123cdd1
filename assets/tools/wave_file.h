// 16-bit PCM WAVE files, as the audio tools write them.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

// Interleaved samples; false when the file cannot be written.
inline bool WriteWaveFile(const std::string& path, int channels, int rate, const std::vector<int16_t>& samples) {
    std::ofstream out(path, std::ios::binary);
    auto put = [&out](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.put(char((value >> (8 * i)) & 0xFF));
    };
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    put(36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    put(16, 4);
    put(1, 2);                      // PCM
    put(uint32_t(channels), 2);
    put(uint32_t(rate), 4);
    put(uint32_t(rate * channels * 2), 4);
    put(uint32_t(channels * 2), 2);
    put(16, 2);
    out.write("data", 4);
    put(dataBytes, 4);
    for (int16_t s : samples) put(uint16_t(s), 2);
    return bool(out);
}
