// Decoding a whole sound file image through the library's converters, as
// the audio tests compare what the game will hear.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/file/file_access.h"
#include "sound/sound_convert.h"

namespace audiotest {

// The whole first pass, and the start of the pass after seeking back to
// where the music begins (the beginning when the file does not say), which
// is how a looping stream goes round.
struct Decoded {
    bool ok = false;
    WaveFormat format = {};
    std::vector<int16_t> samples;   // interleaved
    std::vector<int16_t> again;     // the first samples after the seek back to musicStart
    int musicStart = 0, musicEnd = 0;   // what the file's encoder tag says holds the music
    size_t frames() const { return format.channels ? samples.size() / format.channels : 0; }
};

inline Decoded Decode(const std::string& bytes) {
    Decoded d;
    if (bytes.empty()) return d;
    MemStream* memory = MemStreamOpen(bytes.data(), bytes.size());
    StreamReader reader = {*GetMemStreamFunctions(), reinterpret_cast<intptr_t>(memory)};
    SOUNDCONV conv;
    std::memset(&conv, 0, sizeof conv);
    if (OpenSoundConverter(&reader, &conv) == 0) {
        GetSoundConverterFormat(&conv, &d.format);
        d.musicStart = conv.musicStart;
        d.musicEnd = conv.musicEnd;
        std::vector<int16_t> block(65536);
        for (int n; (n = ReadSoundConverter(&conv, block.data(), int(block.size() * 2))) > 0;)
            d.samples.insert(d.samples.end(), block.begin(), block.begin() + n / 2);
        if (SeekSoundConverter(&conv, conv.musicStart) == 0) {
            const int n = ReadSoundConverter(&conv, block.data(), 4096);
            if (n > 0) d.again.assign(block.begin(), block.begin() + n / 2);
        }
        d.ok = d.format.bitsPerSample == 16 && !d.samples.empty() && !d.again.empty();
        CloseSoundConverter(&conv);
    }
    MemStreamClose(reader.handle);
    return d;
}

}  // namespace audiotest
