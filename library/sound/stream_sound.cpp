// Stream sounds: up to three sources decoded into one looping six-second
// buffer that each message pass refills, three to four seconds ahead of the
// play cursor; sources repeat, loop without a gap, and a buffer may be shared.
#include <algorithm>
#include <cstring>

#include "core/alloc.h"
#include "core/log.h"
#include "core/window.h"
#include "platform/system_posix.h"
#include "sound/sound_core.h"
#include "sound/sound_handle.h"
#include "sound/sound_play.h"

namespace {

SOUND* GetStreamData(int handle) {
    SOUND* s = GetSoundData(handle);
    return s && s->streamFlag ? s : nullptr;
}

int AlignDown(int64_t value, int align) { return int(value - value % align); }

uint8_t SilenceByte(const SOUND* s) { return s->format.bitsPerSample == 8 ? 128 : 0; }

// The cursor lies in the circular window from L to W.
bool InWindow(uint32_t cursor, int windowStart, int writePos) {
    const int64_t p = cursor;
    if (windowStart <= writePos) return p >= windowStart && p <= writePos;
    return p >= windowStart || p <= writePos;
}

uint32_t PlayCursor(SOUNDBUFFER* b) {
    uint32_t play = 0;
    SoundBuffer_GetCurrentPosition(b, &play, nullptr);
    return play;
}

bool BufferPlaying(SOUNDBUFFER* b) {
    uint32_t status = 0;
    return SoundBuffer_GetStatus(b, &status) == 0 && (status & AUDIO_STATUS_PLAYING);
}

void ResetStreamPosition(SOUND* s) {
    s->looped = 0;
    s->bytePos = 0;
    s->playedBytes = 0;
    s->wrapped = 0;
    s->repeatCount = 0;
    s->currentSource = 0;
    s->prepared = 0;
}

// Played bytes follow the cursor; a pending loop restarts the count where
// the new loop's data begins.
void UpdatePlayedBytes(SOUND* s, SOUNDBUFFER* b) {
    const uint32_t cursor = PlayCursor(b);
    if (cursor == s->lastCursor || s->streamBufferSize <= 0) return;
    const uint32_t size = uint32_t(s->streamBufferSize);
    const uint32_t moved = (cursor + size - s->lastCursor) % size;
    if (s->wrapped) {
        const uint32_t toLoop = (uint32_t(s->loopPos) + size - s->lastCursor) % size;
        if (toLoop <= moved) {
            s->playedBytes = (cursor + size - uint32_t(s->loopPos)) % size;
            s->wrapped = 0;
            s->lastCursor = cursor;
            return;
        }
    }
    s->playedBytes += moved;
    s->lastCursor = cursor;
}

// The locked region as one sequence of bytes over its two parts.
struct LockedRegion {
    uint8_t* part[2];
    uint32_t size[2];
    int start;              // buffer offset of the first byte
    int total() const { return int(size[0] + size[1]); }
    uint8_t* At(int offset) const {
        return offset < int(size[0]) ? part[0] + offset : part[1] + (offset - int(size[0]));
    }
    int ContiguousFrom(int offset) const {
        return offset < int(size[0]) ? int(size[0]) - offset : total() - offset;
    }
    void Fill(int from, uint8_t value) {
        for (int at = from; at < total();) {
            int n = ContiguousFrom(at);
            std::memset(At(at), value, size_t(n));
            at += n;
        }
    }
};

// Whether the turn now playing is followed by one that starts at a loop
// start: a repeat of its source, or a looped stream's way back to the first
// source. Such a turn ends at its loop end, so that the two join without
// the encoder's padding and delay between them.
bool TurnJoinsTheNext(const SOUND* s) {
    const STREAMDATA& current = s->sources[s->currentSource];
    if (current.repeatCount == 255 || s->repeatCount < current.repeatCount) return true;
    return s->playType == SOUND_PLAYTYPE_LOOP && s->currentSource + 1 >= s->sourceCount;
}

// A source ran out: repeat it, move to the next one, wrap to the first, or
// end (always when giveUp is set). Returns false when the stream has ended.
bool NextSource(SOUND* s, SOUNDBUFFER* b, LockedRegion& region, int written, bool giveUp) {
    const int align = s->format.blockAlign;
    s->repeatCount += 1;
    const STREAMDATA& current = s->sources[s->currentSource];
    if (current.repeatCount != 255 && current.repeatCount < s->repeatCount) {
        s->repeatCount = 0;
        s->currentSource += 1;
    }
    const int nextByte = (region.start + written) % s->streamBufferSize;
    bool turnAgain = s->repeatCount > 0;
    if (s->currentSource >= s->sourceCount || giveUp) {
        s->looped = 1;
        if (s->playType == SOUND_PLAYTYPE_LOOP && !giveUp) {
            s->wrapped = 1;
            s->currentSource = 0;
            s->loopPos = nextByte;
            turnAgain = true;
        } else {
            s->endReached = 1;
            s->endPos = nextByte;
            s->endCursor = PlayCursor(b);
            // Everything after the data in this region is silence, so nothing
            // old is heard before the refill stops the buffer.
            region.Fill(written, SilenceByte(s));
            return false;
        }
    }
    STREAMDATA& next = s->sources[s->currentSource];
    s->bytePos = turnAgain ? align * next.loopStart : 0;
    SeekSoundConverter(&next.conv, s->bytePos / align);
    return true;
}

// Decodes into the region from the current source onwards.
void FillFromSources(SOUND* s, SOUNDBUFFER* b, LockedRegion& region) {
    int written = 0;
    // Sources that give nothing at all would be read round and round: after
    // a full turn without data the stream ends.
    int emptyReads = 0;
    const int align = s->format.blockAlign;
    while (written < region.total() && !s->endReached) {
        STREAMDATA& source = s->sources[s->currentSource];
        int want = region.ContiguousFrom(written);
        if (source.loopEnd > 0 && TurnJoinsTheNext(s))
            want = int(std::min<int64_t>(want, std::max<int64_t>(0, int64_t(align) * source.loopEnd - s->bytePos)));
        int n = want > 0 ? ReadSoundConverter(&source.conv, region.At(written), want) : 0;
        if (n > 0) {
            written += n;
            s->bytePos += n;
            emptyReads = 0;
            continue;
        }
        const bool giveUp = ++emptyReads > s->sourceCount + 1;
        if (!NextSource(s, b, region, written, giveUp)) return;
    }
}

int LockRegion(SOUNDBUFFER* b, int at, int bytes, LockedRegion* region) {
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (SoundBuffer_Lock(b, uint32_t(at), uint32_t(bytes), &p1, &n1, &p2, &n2) != 0) return -1;
    region->part[0] = static_cast<uint8_t*>(p1);
    region->part[1] = static_cast<uint8_t*>(p2);
    region->size[0] = n1;
    region->size[1] = p2 ? n2 : 0;
    region->start = at;
    return 0;
}

void UnlockRegion(SOUNDBUFFER* b, const LockedRegion& r) {
    SoundBuffer_Unlock(b, r.part[0], r.size[0], r.part[1], r.size[1]);
}

}  // namespace

int ClaimStreamBuffer(int handle, SOUND* sound, SOUNDBUFFER** buffer, int force) {
    if (!sound->streamFlag) {
        *buffer = &sound->buffers[0];
        return 0;
    }
    SOUND* owner = sound;
    if (sound->sharedBufferSource != -1) {
        owner = GetSoundData(sound->sharedBufferSource);
        if (!owner) return -1;
    }
    *buffer = &owner->buffers[0];
    if (owner->bufferUser == -1 || owner->bufferUser == handle) {
        owner->bufferUser = handle;
        return 0;
    }
    if (!force) return -1;
    const int other = owner->bufferUser;
    StopStreamSound(other);
    // What the other sound had in the buffer is about to be overwritten: it
    // fills anew from its own position when it plays again.
    if (SOUND* o = GetStreamData(other)) o->prepared = 0;
    owner->bufferUser = handle;
    return 0;
}

void ReleaseStreamSource(SOUND* s, int index) {
    STREAMDATA& d = s->sources[index];
    const StreamReader fileStream = d.conv.stream;
    if (d.conv.openFlag) CloseSoundConverter(&d.conv);
    if (s->sourceOpenedByLoader[index] && d.dataType == SOUND_DATATYPE_FILE && fileStream.handle)
        fileStream.functions.Close(fileStream.handle);
    if (d.memStream.handle) d.memStream.functions.Close(d.memStream.handle);
    ZvFree(d.image);
    std::memset(&d, 0, sizeof d);
    s->sourceOpenedByLoader[index] = 0;
}

int AddSreamSound(const StreamReader* stream, int loop, int handle, int dataType, int* dataCopied, int unionHandle) {
    SOUND* s = GetSoundData(handle);
    if (!s || !stream) return -1;
    if (s->sourceCount > 0 || s->bufferCount > 0) {
        if (!s->streamFlag)
            return ErrorLogAdd("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
        SOUNDBUFFER* b = nullptr;
        if (ClaimStreamBuffer(handle, s, &b, 0) == 0 && BufferPlaying(b))
            return ErrorLogAdd("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
        if (s->sourceCount == STREAM_MAX_SOURCES)
            return ErrorLogAdd("ストリーム風サウンドの制御データ領域がいっぱいです\n");
    }
    if (dataType != SOUND_DATATYPE_MEMIMAGE && dataType != SOUND_DATATYPE_FILE)
        return ErrorLogFmtAdd("データタイプ %d の音声データには対応していません in AddSreamSound", dataType);

    const int index = s->sourceCount;
    STREAMDATA& d = s->sources[index];
    std::memset(&d, 0, sizeof d);
    d.dataType = dataType;
    stream->functions.Seek(stream->handle, 0, 0);
    if (dataType == SOUND_DATATYPE_MEMIMAGE) {
        if (ReadStreamToMemory(stream, &d.image, &d.imageSize) != 0)
            return ErrorLogAdd("音声データの読み込みに失敗しました");
        MemStream* memory = MemStreamOpen(d.image, size_t(d.imageSize));
        d.memStream = {*GetMemStreamFunctions(), reinterpret_cast<intptr_t>(memory)};
        if (!memory || OpenSoundConverter(&d.memStream, &d.conv) != 0) {
            ReleaseStreamSource(s, index);
            return ErrorLogAdd("音声データのオープンに失敗しました");
        }
        *dataCopied = 1;
    } else {
        if (OpenSoundConverter(stream, &d.conv) != 0) {
            std::memset(&d, 0, sizeof d);
            return ErrorLogAdd("音声データのオープンに失敗しました");
        }
        *dataCopied = 0;
    }
    return AttachStreamSource(handle, loop, unionHandle);
}

int AttachStreamSource(int handle, int loop, int unionHandle) {
    SOUND* s = GetSoundData(handle);
    if (!s) return -1;
    const int index = s->sourceCount;
    STREAMDATA& d = s->sources[index];
    WaveFormat format;
    GetSoundConverterFormat(&d.conv, &format);
    if (index > 0) {
        if (std::memcmp(&format, &s->format, sizeof format) != 0) {
            ReleaseStreamSource(s, index);
            return ErrorLogAdd("フォーマットの違う音声データは同時に使うことは出来ません");
        }
    } else {
        s->format = format;
        SOUND* u = unionHandle != handle ? GetSoundData(unionHandle) : nullptr;
        if (u && u->streamFlag && u->sharedBufferSource == -1 && std::memcmp(&u->format, &format, sizeof format) == 0) {
            s->streamFlag = 1;
            s->bufferCount = 1;
            AddHandleList(SoundState().streamListTail.prev, &s->listNode, handle, s);
            s->sharedBufferSource = unionHandle;
            u->shareCount += 1;
        } else {
            if (CreateSoundBufferForSound(&format, int(6 * format.avgBytesPerSec), 1, 1, handle) != 0) {
                ReleaseStreamSource(s, index);
                return -1;
            }
            s->sharedBufferSource = -1;
        }
        s->streamBufferSize = int(6 * format.avgBytesPerSec);
        s->bufferUser = -1;
        s->shareCount = 0;
        s->deletePending = 0;
    }
    d.repeatCount = uint8_t(loop);
    d.loopStart = d.conv.musicStart;
    d.loopEnd = d.conv.musicEnd;
    s->sourceCount += 1;
    s->totalBlocks = 0;
    for (int i = 0; i < s->sourceCount; ++i)
        s->totalBlocks += SoundConverterBytes(&s->sources[i].conv) / s->format.blockAlign;
    return 0;
}

int PrepareStreamSound(int handle) {
    SOUND* s = GetStreamData(handle);
    if (!s) return -1;
    SOUNDBUFFER* b = nullptr;
    if (ClaimStreamBuffer(handle, s, &b, 0) != 0 || BufferPlaying(b) || s->prepared) return 0;
    SoundBuffer_SetCurrentPosition(b, 0);
    s->lastCursor = 0;
    s->writePos = STREAM_WRITE_NOT_FILLED;
    s->windowStart = -1;
    s->endReached = 0;
    if (s->currentSource >= s->sourceCount) s->currentSource = 0;
    SeekSoundConverter(&s->sources[s->currentSource].conv, s->bytePos / s->format.blockAlign);
    s->prepared = 1;
    RefillStreamSound(handle);
    return 0;
}

int RefillStreamSound(int handle) {
    SOUND* s = GetStreamData(handle);
    if (!s) return -1;
    SOUNDBUFFER* b = nullptr;
    if (ClaimStreamBuffer(handle, s, &b, 0) != 0 || !s->prepared) return 0;
    UpdatePlayedBytes(s, b);

    const int A = int(s->format.avgBytesPerSec);
    const int align = s->format.blockAlign;
    const int size = s->streamBufferSize;
    int fill;
    if (s->endReached) {
        uint32_t P = PlayCursor(b);
        const uint32_t E = uint32_t(s->endPos), Q = s->endCursor;
        // The cursor has passed the end of the data (data that ended right
        // at the cursor has been passed as soon as the cursor moves on).
        if (E < P && (Q <= E || Q > P)) {
            SoundBuffer_Stop(b);
            s->endReached = 0;
            ResetStreamPosition(s);
            s->looped = 1;
            return 0;
        }
        fill = AlignDown(A / 8, align);
        P = PlayCursor(b);
        if (!InWindow(P, s->windowStart, s->writePos)) return -1;
        LockedRegion region;
        if (LockRegion(b, s->writePos, fill, &region) != 0) return -1;
        region.Fill(0, SilenceByte(s));
        UnlockRegion(b, region);
    } else if (BufferPlaying(b)) {
        fill = AlignDown(A / 8, align);
        uint32_t P = PlayCursor(b);
        if (!InWindow(P, s->windowStart, s->writePos)) return -1;
        int64_t p = P, w = s->writePos;
        if (s->writePos < s->windowStart) {
            if (p < w) p += size;
            w += size;
        }
        const int64_t lead = (w - p) * 128 / A;     // in 1/128 seconds
        if (lead < 384) fill = std::max(fill, AlignDown(((384 - lead) * A) >> 7, align));
        LockedRegion region;
        if (LockRegion(b, s->writePos, fill, &region) != 0) return -1;
        FillFromSources(s, b, region);
        UnlockRegion(b, region);
    } else {
        if (s->writePos != STREAM_WRITE_NOT_FILLED) return 0;
        fill = AlignDown(int64_t(4) * A, align);
        LockedRegion region;
        if (LockRegion(b, 0, fill, &region) != 0) return -1;
        FillFromSources(s, b, region);
        UnlockRegion(b, region);
        s->windowStart = 0;
        s->writePos = fill;
        return 0;
    }
    s->writePos += fill;
    if (s->writePos >= size) s->writePos -= size;
    s->windowStart = s->writePos - 4 * A;
    if (s->windowStart < 0) s->windowStart += size;
    return 0;
}

int ProcessStreamSoundMemAll() {
    if (!SoundSystemRunning()) return -1;
    SoundSystemState& st = SoundState();
    for (HandleList* node = st.streamListHead.next; node && node != &st.streamListTail;) {
        HandleList* next = node->next;
        RefillStreamSound(node->handle);
        node = next;
    }
    return 0;
}

int PlayStreamSound(int handle, int playType, int topPositionFlag) {
    SOUND* s = GetStreamData(handle);
    if (!s) return -1;
    SOUNDBUFFER* b = nullptr;
    if (ClaimStreamBuffer(handle, s, &b, 1) != 0) return -1;
    if (!topPositionFlag && BufferPlaying(b)) return 0;
    StopStreamSound(handle);
    ClaimStreamBuffer(handle, s, &b, 1);
    if (((playType ^ s->playType) & 2) && s->looped) ResetStreamPosition(s);
    if (topPositionFlag) {
        s->looped = 0;
        if (s->playedBytes != 0) ResetStreamPosition(s);
    }
    s->playType = playType;
    // Any place but the start (on from a stop, or sought to) is mid-wave.
    const AudioStart start = s->playedBytes != 0 ? AUDIO_START_RAMPED : AUDIO_START_AT_ONCE;
    PrepareStreamSound(handle);
    if (SoundBuffer_Play(b, 1, start) != 0) return -1;
    s->playStartTime = PlatformTimeMs();
    if (playType == SOUND_PLAYTYPE_NORMAL) {
        while (CheckSoundPlaying(handle) == 1 && ProcessMessageImpl() == 0) PlatformSleepMs(1);
    }
    return 0;
}

int StopStreamSound(int handle) {
    SOUND* s = GetStreamData(handle);
    if (!s) return -1;
    SOUNDBUFFER* b = nullptr;
    if (ClaimStreamBuffer(handle, s, &b, 0) != 0) return 0;
    UpdatePlayedBytes(s, b);
    if (s->sharedBufferSource != -1)
        if (SOUND* source = GetSoundData(s->sharedBufferSource)) source->bufferUser = -1;
    if (BufferPlaying(b)) SoundBuffer_Stop(b);
    return 0;
}

int CheckStreamSound(int handle) {
    SOUND* s = GetStreamData(handle);
    if (!s) return -1;
    SOUNDBUFFER* b = nullptr;
    if (ClaimStreamBuffer(handle, s, &b, 0) != 0) return 0;
    return BufferPlaying(b) ? 1 : 0;
}

int SeekStreamSoundSample(int handle, int64_t sample) {
    SOUND* s = GetStreamData(handle);
    if (!s || sample < 0) return -1;
    StopStreamSound(handle);
    ResetStreamPosition(s);
    s->bytePos = sample * s->format.blockAlign;
    s->playedBytes = s->bytePos;
    return 0;
}

int64_t TellStreamSoundSample(int handle) {
    SOUND* s = GetStreamData(handle);
    if (!s) return -1;
    SOUNDBUFFER* b = nullptr;
    if (ClaimStreamBuffer(handle, s, &b, 0) != 0) return -1;
    UpdatePlayedBytes(s, b);
    return s->playedBytes / s->format.blockAlign;
}
