// Ogg Vorbis through libvorbisfile, read with callbacks over the
// converter's stream.
#include <vorbis/vorbisfile.h>

#include <climits>
#include <cstring>

#include "core/alloc.h"
#include "core/log.h"
#include "platform/audio_sdl.h"
#include "sound/sound_convert_methods.h"

namespace {

constexpr int kOggBlockSize = 4096;
// Holes are gaps the decoder skips over; more than this in a row ends the data.
constexpr int kMaxHolesInRow = 16;

struct OggDecoder {
    OggVorbis_File file;
    int opened;
};

OggDecoder* DecoderOf(SOUNDCONV* conv) { return static_cast<OggDecoder*>(conv->methodData); }

size_t OggRead(void* buffer, size_t size, size_t count, void* source) {
    if (size == 0) return 0;
    const StreamReader& s = static_cast<SOUNDCONV*>(source)->stream;
    return ReadStreamBytes(s, buffer, size * count) / size;
}

int OggSeek(void* source, ogg_int64_t offset, int whence) {
    const StreamReader& s = static_cast<SOUNDCONV*>(source)->stream;
    return s.functions.Seek(s.handle, int32_t(offset), whence);
}

// The stream belongs to whoever opened it.
int OggClose(void*) { return 0; }

long OggTell(void* source) {
    const StreamReader& s = static_cast<SOUNDCONV*>(source)->stream;
    return long(s.functions.Tell(s.handle));
}

int OggRefill(SOUNDCONV* conv) {
    OggDecoder* d = DecoderOf(conv);
    const int width = conv->oggSampleWidth;
    for (int holes = 0; holes <= kMaxHolesInRow;) {
        int link = 0;
        long n = ov_read(&d->file, reinterpret_cast<char*>(conv->block), conv->blockSize, 0, width, width == 1 ? 0 : 1,
                         &link);
        if (n == OV_HOLE) {
            ++holes;
            continue;
        }
        if (n <= 0) return -1;
        // A chained link in another format would garble the output: it ends the data.
        vorbis_info* vi = ov_info(&d->file, link);
        if (!vi || vi->channels != conv->outFormat.channels || uint32_t(vi->rate) != conv->outFormat.samplesPerSec)
            return -1;
        conv->blockLeft = int(n - n % conv->outFormat.blockAlign);
        conv->blockRead = 0;
        return conv->blockLeft > 0 ? 0 : -1;
    }
    return -1;
}

int OggSeekPcm(SOUNDCONV* conv, int64_t target) {
    OggDecoder* d = DecoderOf(conv);
    if (ov_pcm_seek(&d->file, target / conv->outFormat.blockAlign) != 0) conv->endFlag = 1;
    conv->outputPos = target;
    conv->blockLeft = 0;
    conv->blockRead = 0;
    return 0;
}

int64_t OggSize(SOUNDCONV* conv) {
    ogg_int64_t total = ov_pcm_total(&DecoderOf(conv)->file, -1);
    if (total < 0) return -1;
    return (int64_t(total) + 44100) * conv->outFormat.blockAlign;
}

void OggCloseDecoder(SOUNDCONV* conv) {
    OggDecoder* d = DecoderOf(conv);
    if (!d) return;
    if (d->opened) ov_clear(&d->file);
    ZvFree(d);
    conv->methodData = nullptr;
}

constexpr SoundConvMethod kOggMethod = {OggRefill, OggSeekPcm, OggSize, OggCloseDecoder};

}  // namespace

int DetectOggVorbis(SOUNDCONV* conv) {
    auto* d = static_cast<OggDecoder*>(ZVCALLOC(sizeof(OggDecoder)));
    if (!d) return SOUNDCONV_NOT_MINE;
    const ov_callbacks callbacks = {OggRead, OggSeek, OggClose, OggTell};
    if (ov_open_callbacks(conv, &d->file, nullptr, 0, callbacks) != 0) {
        ZvFree(d);
        return SOUNDCONV_NOT_MINE;
    }
    d->opened = 1;
    conv->methodData = d;
    conv->ops = &kOggMethod;

    vorbis_info* vi = ov_info(&d->file, -1);
    const ogg_int64_t total = ov_pcm_total(&d->file, -1);
    const int width = conv->oggSampleWidth == 1 ? 1 : 2;
    if (!vi || vi->channels < 1 || vi->channels > 2 || vi->rate < long(AUDIO_MIN_BUFFER_RATE) ||
        vi->rate > long(AUDIO_MAX_BUFFER_RATE) || total < 0 ||
        (int64_t(total) + 44100) * vi->channels * width > INT_MAX / 2) {
        ErrorLogFmtAdd("対応していない Ogg Vorbis ファイルです チャンネル数:%d サンプリングレート:%ld",
                       vi ? vi->channels : 0, vi ? vi->rate : 0L);
        OggCloseDecoder(conv);
        return SOUNDCONV_REFUSED;
    }
    WaveFormat f = {};
    f.formatTag = WAVE_FORMAT_TAG_PCM;
    f.channels = uint16_t(vi->channels);
    f.samplesPerSec = uint32_t(vi->rate);
    f.bitsPerSample = uint16_t(width * 8);
    f.blockAlign = uint16_t(vi->channels * width);
    f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
    conv->oggSampleWidth = width;
    conv->outFormat = f;
    conv->dataSize = int32_t(int64_t(total) * f.blockAlign);
    conv->blockSize = kOggBlockSize;
    conv->method = SOUNDCONV_METHOD_OGG;
    return 0;
}
