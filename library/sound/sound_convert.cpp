// The converter front end: picks the decoding method for a stream, hands
// out its PCM through a block buffer, seeks and measures.
#include "sound/sound_convert.h"

#include <climits>
#include <cstring>

#include "core/alloc.h"
#include "sound/sound_convert_methods.h"
#include "sound/sound_system.h"

namespace {
using Detector = int (*)(SOUNDCONV*);
// Tried in this order; the first that recognises the stream wins.
constexpr Detector kDetectors[] = {DetectWave, DetectOggVorbis, DetectMp3};

// Clears everything a detector may have left half set.
void ResetConverter(SOUNDCONV* conv, const StreamReader& stream) {
    std::memset(conv, 0, sizeof(*conv));
    conv->stream = stream;
    conv->oggSampleWidth = GetSoundOggSampleWidth();
}
// Gives a converter whose method is set up its block buffer and opens it;
// on failure the method is closed again.
int StartConverter(SOUNDCONV* conv) {
    conv->block = static_cast<uint8_t*>(ZVALLOC(size_t(conv->blockSize)));
    if (!conv->block) {
        conv->ops->Close(conv);
        ResetConverter(conv, conv->stream);
        return -1;
    }
    conv->endFlag = 0;
    conv->blockLeft = 0;
    conv->blockRead = 0;
    conv->outputPos = 0;
    conv->openFlag = 1;
    return 0;
}
}  // namespace

size_t ReadStreamBytes(const StreamReader& stream, void* dest, size_t bytes) {
    if (bytes == 0) return 0;
    return stream.functions.Read(dest, 1, bytes, stream.handle);
}

int64_t StreamLength(const StreamReader& stream) {
    stream.functions.Seek(stream.handle, 0, 2);
    int64_t size = stream.functions.Tell(stream.handle);
    stream.functions.Seek(stream.handle, 0, 0);
    return size < 0 ? 0 : size;
}

int OpenSoundConverter(const StreamReader* stream, SOUNDCONV* conv) {
    if (!stream || !conv) return -1;
    bool found = false;
    for (Detector detect : kDetectors) {
        ResetConverter(conv, *stream);
        stream->functions.Seek(stream->handle, 0, 0);
        int result = detect(conv);
        if (result == 0) {
            found = true;
            break;
        }
        if (result == SOUNDCONV_REFUSED) break;
    }
    if (!found) {
        ResetConverter(conv, *stream);
        return -1;
    }
    return StartConverter(conv);
}

int OpenSoundConverterWithMethod(SOUNDCONV* conv, int method, const SoundConvMethod* ops, void* methodData,
                                 const WaveFormat& format, int blockSize) {
    ResetConverter(conv, StreamReader{});
    conv->method = method;
    conv->ops = ops;
    conv->methodData = methodData;
    conv->outFormat = format;
    conv->blockSize = blockSize - blockSize % (format.blockAlign ? format.blockAlign : 1);
    if (conv->blockSize <= 0) {
        ops->Close(conv);
        ResetConverter(conv, StreamReader{});
        return -1;
    }
    return StartConverter(conv);
}

int ReadSoundConverter(SOUNDCONV* conv, void* dest, int bytes) {
    if (!conv || !conv->openFlag) return -1;
    if (conv->endFlag) return 0;
    uint8_t* out = static_cast<uint8_t*>(dest);
    int copied = 0;
    while (copied < bytes) {
        if (conv->blockLeft == 0) {
            conv->blockRead = 0;
            if (conv->ops->Refill(conv) != 0 || conv->blockLeft <= 0) {
                conv->blockLeft = 0;
                conv->endFlag = 1;
                break;
            }
        }
        int n = bytes - copied < conv->blockLeft ? bytes - copied : conv->blockLeft;
        std::memcpy(out + copied, conv->block + conv->blockRead, size_t(n));
        copied += n;
        conv->blockRead += n;
        conv->blockLeft -= n;
        conv->outputPos += n;
    }
    return copied;
}

int SeekSoundConverter(SOUNDCONV* conv, int64_t samplePosition) {
    if (!conv || !conv->openFlag) return -1;
    if (samplePosition < 0) samplePosition = 0;
    int64_t target = conv->outFormat.blockAlign * samplePosition;
    int64_t distance = target - conv->outputPos;
    if (distance > -16 && distance < 16) return 0;
    // A seek that runs past the end of the data leaves the end flag set.
    conv->endFlag = 0;
    conv->ops->Seek(conv, target);
    return 0;
}

int CloseSoundConverter(SOUNDCONV* conv) {
    if (!conv || !conv->openFlag) return -1;
    ZvFree(conv->block);
    conv->block = nullptr;
    conv->ops->Close(conv);
    conv->methodData = nullptr;
    conv->openFlag = 0;
    return 0;
}

WaveFormat Pcm16Format(int channels, int samplesPerSec) {
    WaveFormat f = {};
    f.formatTag = WAVE_FORMAT_TAG_PCM;
    f.channels = uint16_t(channels);
    f.samplesPerSec = uint32_t(samplesPerSec);
    f.bitsPerSample = 16;
    f.blockAlign = uint16_t(2 * channels);
    f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
    return f;
}

int GetSoundConverterFormat(SOUNDCONV* conv, WaveFormat* format) {
    std::memcpy(format, &conv->outFormat, sizeof(WaveFormat));
    return 0;
}

int GetSoundConverterSize(SOUNDCONV* conv) {
    const int64_t size = SoundConverterBytes(conv);
    return size < 0 || size > INT_MAX ? -1 : int(size);
}

int64_t SoundConverterBytes(SOUNDCONV* conv) { return conv && conv->openFlag ? conv->ops->Size(conv) : -1; }

int ConvertWholeSoundInto(SOUNDCONV* conv, void* dest, int bytes) {
    if (!conv || !conv->openFlag || !dest || bytes <= 0) return -1;
    SeekSoundConverter(conv, 0);
    int got;
    if (conv->method == SOUNDCONV_METHOD_WAVE) {
        conv->stream.functions.Seek(conv->stream.handle, conv->dataStart, 0);
        got = int(ReadStreamBytes(conv->stream, dest, size_t(bytes)));
    } else {
        got = ReadSoundConverter(conv, dest, bytes);
    }
    if (got <= 0) return -1;
    return got - got % (conv->outFormat.blockAlign ? conv->outFormat.blockAlign : 1);
}

int ConvertWholeSound(SOUNDCONV* conv, WaveFormat* format, void** pcm, int* bytes) {
    if (!conv || !conv->openFlag) return -1;
    int size = GetSoundConverterSize(conv);
    if (size <= 0) return -1;
    uint8_t* data = static_cast<uint8_t*>(ZVALLOC(size_t(size)));
    if (!data) return -1;
    const int got = ConvertWholeSoundInto(conv, data, size);
    if (got < 0) {
        ZvFree(data);
        return -1;
    }
    GetSoundConverterFormat(conv, format);
    *pcm = data;
    *bytes = got;
    return 0;
}
