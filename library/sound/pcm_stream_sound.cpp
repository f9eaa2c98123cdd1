// Stream sounds over PCM that their owner hands out: a converter method that
// reads the source block by block, and the stream sound made over it.
#include "sound/pcm_stream_sound.h"

#include <climits>
#include <cstring>
#include <new>

#include "sound/sound_convert_methods.h"
#include "sound/sound_handle.h"
#include "sound/sound_play.h"

namespace {

PcmSource& SourceOf(SOUNDCONV* conv) { return *static_cast<PcmSource*>(conv->methodData); }

int PcmRefill(SOUNDCONV* conv) {
    const PcmSource& source = SourceOf(conv);
    const int got = source.read(source.handle, conv->block, conv->blockSize);
    conv->blockLeft = got > 0 ? got - got % conv->outFormat.blockAlign : 0;
    conv->blockRead = 0;
    return conv->blockLeft > 0 ? 0 : -1;
}

int PcmSeek(SOUNDCONV* conv, int64_t targetByte) {
    const PcmSource& source = SourceOf(conv);
    if (source.seek(source.handle, targetByte / conv->outFormat.blockAlign) != 0) conv->endFlag = 1;
    conv->outputPos = targetByte;
    conv->blockLeft = 0;
    conv->blockRead = 0;
    return 0;
}

int64_t PcmSize(SOUNDCONV* conv) {
    const PcmSource& source = SourceOf(conv);
    const int64_t frames = source.length(source.handle);
    const int align = conv->outFormat.blockAlign;
    return frames > 0 && frames < INT_MAX / align ? frames * align : 0;
}

void PcmClose(SOUNDCONV* conv) {
    PcmSource* source = &SourceOf(conv);
    source->close(source->handle);
    delete source;
}

constexpr SoundConvMethod kPcmSourceMethod = {PcmRefill, PcmSeek, PcmSize, PcmClose};

}  // namespace

int AddPcmStreamSound(const PcmSource* source) {
    const bool usable = (source->channels == 1 || source->channels == 2) &&
                        source->samplesPerSec >= int(AUDIO_MIN_BUFFER_RATE) &&
                        source->samplesPerSec <= int(AUDIO_MAX_BUFFER_RATE);
    PcmSource* own = usable ? new (std::nothrow) PcmSource(*source) : nullptr;
    const int handle = own ? AddSoundData() : -1;
    if (handle == -1) {
        delete own;
        source->close(source->handle);
        return -1;
    }
    SOUND* s = GetSoundData(handle);
    STREAMDATA& d = s->sources[0];
    d.dataType = SOUND_DATATYPE_FILE;
    const WaveFormat format = Pcm16Format(own->channels, own->samplesPerSec);
    // A quarter of a second per read: each refill asks for at least an eighth.
    if (OpenSoundConverterWithMethod(&d.conv, SOUNDCONV_METHOD_PCM_SOURCE, &kPcmSourceMethod, own, format,
                                     int(format.avgBytesPerSec / 4)) != 0 ||
        AttachStreamSource(handle, 0, -1) != 0) {
        DeleteSoundMemImpl(handle, 0);
        return -1;
    }
    return handle;
}
