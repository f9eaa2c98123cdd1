// Fuzz target for the sound file converters: any bytes go through the WAVE,
// Ogg Vorbis and MP3 detectors; an accepted file is decoded in pieces, sought
// back and forth, and decoded whole.
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/alloc.h"
#include "memory_reader.h"
#include "sound/sound_convert.h"

// The converters read the decoded Ogg sample width from the sound system.
int GetSoundOggSampleWidth() { return 2; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StreamReader reader;
    if (!OpenMemoryReader(data, size, &reader)) return 0;
    SOUNDCONV conv;
    std::memset(&conv, 0, sizeof conv);
    if (OpenSoundConverter(&reader, &conv) == 0) {
        std::vector<uint8_t> piece(4096);
        // Keep each run quick: at most a few pieces, then a seek each way.
        for (int i = 0; i < 8 && ReadSoundConverter(&conv, piece.data(), int(piece.size())) > 0; ++i) {
        }
        SeekSoundConverter(&conv, 100);
        ReadSoundConverter(&conv, piece.data(), int(piece.size()));
        SeekSoundConverter(&conv, 0);
        ReadSoundConverter(&conv, piece.data(), 7);
        if (GetSoundConverterSize(&conv) < (1 << 22)) {
            WaveFormat format;
            void* pcm = nullptr;
            int bytes = 0;
            if (ConvertWholeSound(&conv, &format, &pcm, &bytes) == 0) ZvFree(pcm);
        }
        CloseSoundConverter(&conv);
    }
    MemStreamClose(reader.handle);
    return 0;
}
