// Sound handles: the sound table, loading files and memory images into
// static or stream sounds, making their buffers, and deleting them.
#include "sound/sound_handle.h"

#include <algorithm>
#include <cstring>

#include "core/alloc.h"
#include "core/log.h"
#include "sound/sound_play.h"

namespace {

// Copies the decoded data into every buffer of a static sound.
int FillStaticBuffers(SOUND* s, const void* pcm, int bytes) {
    const uint8_t* src = static_cast<const uint8_t*>(pcm);
    for (int i = 0; i < s->bufferCount; ++i) {
        void *p1 = nullptr, *p2 = nullptr;
        uint32_t n1 = 0, n2 = 0;
        if (SoundBuffer_Lock(&s->buffers[i], 0, uint32_t(bytes), &p1, &n1, &p2, &n2) != 0)
            return ErrorLogAdd("サウンドデータの転送に失敗しました_1");
        std::memcpy(p1, src, n1);
        if (p2) std::memcpy(p2, src + n1, n2);
        if (SoundBuffer_Unlock(&s->buffers[i], p1, n1, p2, n2) != 0)
            return ErrorLogAdd("サウンドデータの転送に失敗しました_2");
    }
    return 0;
}

// A looped play of a static sound goes round past an encoder's delay and
// before its padding, as a looped stream does: the turns join without them.
void SetMusicLoop(SOUND* s, int musicStart, int musicEnd) {
    if (musicEnd <= 0) return;
    for (int i = 0; i < s->bufferCount; ++i) SoundBuffer_SetLoop(&s->buffers[i], musicStart, musicEnd);
}

// Sources whose size is known exactly (WAVE data, MP3 frames) decode straight into the
// first buffer, which its duplicates share. False, with no buffers left behind, when the
// data turns out shorter than its size: the caller then takes the general road.
bool DecodeIntoBuffers(SOUNDCONV* conv, int bufferNum, int handle) {
    if (bufferNum < 1 || (conv->method != SOUNDCONV_METHOD_WAVE && conv->method != SOUNDCONV_METHOD_MPEG))
        return false;
    WaveFormat format;
    GetSoundConverterFormat(conv, &format);
    const int align = format.blockAlign ? format.blockAlign : 1;
    int bytes = GetSoundConverterSize(conv);
    if (bytes <= 0) return false;
    bytes -= bytes % align;
    if (bytes <= 0 || CreateSoundBufferForSound(&format, bytes, 0, bufferNum, handle) != 0) return false;
    SOUND* s = GetSoundData(handle);
    s->format = format;
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    bool whole = false;
    if (SoundBuffer_Lock(&s->buffers[0], 0, uint32_t(bytes), &p1, &n1, &p2, &n2) == 0) {
        whole = p2 == nullptr && n1 == uint32_t(bytes) && ConvertWholeSoundInto(conv, p1, bytes) == bytes;
        SoundBuffer_Unlock(&s->buffers[0], p1, n1, p2, n2);
    }
    if (whole) {
        SetMusicLoop(s, conv->musicStart, conv->musicEnd);
        return true;
    }
    for (SOUNDBUFFER& b : s->buffers)
        if (b.valid) SoundBuffer_Release(&b);
    s->bufferCount = 0;
    return false;
}

void AppendToStreamList(SOUND* s, int handle) {
    SoundSystemState& st = SoundState();
    AddHandleList(st.streamListTail.prev, &s->listNode, handle, s);
}

}  // namespace

void LowerNextSlotHint(HandleTable* table, int slot) {
    if (slot != table->nextSlot - 1) return;
    int highest = slot - 1;
    while (highest >= 0 && !table->records[highest]) --highest;
    table->nextSlot = highest + 1;
}

SOUND* GetSoundData(int handle) {
    if (!SoundSystemRunning()) return nullptr;
    return static_cast<SOUND*>(CheckHandle(&SoundState().soundTable, handle));
}

int AddSoundData() {
    if (!SoundSystemRunning()) return -1;
    return AddHandle(&SoundState().soundTable, -1);
}

int SetCreateSoundDataTypeImpl(int type) {
    if (type < 0 || type > 3) return -1;
    SoundState().createDataType = type;
    return 0;
}

int LoadSoundMemImpl(const char* fileName, int bufferNum, int unionHandle) {
    return LoadSoundFromFile(fileName, bufferNum, unionHandle);
}

int LoadSoundFromFile(const char* fileName, int bufferNum, int unionHandle) {
    if (!SoundSystemRunning() || !fileName) return -1;
    const int count = std::min(bufferNum, SOUND_MAX_BUFFERS);
    const int type = SoundState().createDataType;
    if (type != SOUND_DATATYPE_STATIC) {
        int handle = AddSoundData();
        if (handle == -1) return -1;
        if (AddStreamSourceFromFile(fileName, 0, handle, type, unionHandle) == 0) {
            PrepareStreamSound(handle);
            return handle;
        }
        DeleteSoundMemImpl(handle, 0);
        return -1;
    }
    void* image = nullptr;
    int size = 0;
    if (ReadFileToMemory(fileName, &image, &size) != 0) {
        ErrorLogFmtAdd("右記の音声ファイルのロードに失敗しました_1：%s", fileName);
        return -1;
    }
    int handle = LoadSoundFromImage(image, size, count, -1);
    ZvFree(image);
    if (handle == -1) {
        ErrorLogFmtAdd("右記の音声ファイルのロードに失敗しました_2：%s", fileName);
        return -1;
    }
    return handle;
}

int LoadSoundFromImage(const void* image, int size, int bufferNum, int unionHandle) {
    if (!SoundSystemRunning() || bufferNum > SOUND_MAX_BUFFERS || !image || size < 0) return -1;
    int handle = AddSoundData();
    if (handle == -1) return -1;
    const int type = SoundState().createDataType;
    if (type != SOUND_DATATYPE_STATIC) {
        if (AddStreamSourceFromImage(image, size, 0, handle, type, unionHandle) == 0) {
            PrepareStreamSound(handle);
            return handle;
        }
        DeleteSoundMemImpl(handle, 0);
        return -1;
    }

    MemStream* memory = MemStreamOpen(image, size_t(size));
    StreamReader reader = {*GetMemStreamFunctions(), reinterpret_cast<intptr_t>(memory)};
    SOUNDCONV conv;
    std::memset(&conv, 0, sizeof conv);
    WaveFormat format = {};
    void* pcm = nullptr;
    int bytes = 0;
    bool ok = false;
    int musicStart = 0, musicEnd = 0;
    if (!memory || OpenSoundConverter(&reader, &conv) != 0) {
        ErrorLogAdd("音声ファイルのＰＣＭへの変換に失敗しました");
    } else if (DecodeIntoBuffers(&conv, bufferNum, handle)) {
        CloseSoundConverter(&conv);
        MemStreamClose(reinterpret_cast<intptr_t>(memory));
        return handle;
    } else if (ConvertWholeSound(&conv, &format, &pcm, &bytes) != 0) {
        ErrorLogAdd("音声ファイルを格納するメモリ領域の確保に失敗しました");
    } else {
        ok = true;
        musicStart = conv.musicStart;
        musicEnd = conv.musicEnd;
    }
    if (conv.openFlag) CloseSoundConverter(&conv);
    if (memory) MemStreamClose(reinterpret_cast<intptr_t>(memory));

    bool filled = false;
    if (ok && CreateSoundBufferForSound(&format, bytes, 0, bufferNum, handle) == 0) {
        SOUND* s = GetSoundData(handle);
        s->format = format;
        filled = FillStaticBuffers(s, pcm, bytes) == 0;
        SetMusicLoop(s, musicStart, musicEnd);
    }
    // The buffers hold their own copy of the data.
    ZvFree(pcm);
    if (filled) return handle;
    DeleteSoundMemImpl(handle, 0);
    return -1;
}

int CreateSoundBufferForSound(const WaveFormat* format, int bytes, int streamFlag, int bufferNum, int handle) {
    SOUND* s = GetSoundData(handle);
    if (!s) return -1;
    SoundBufferDesc desc = {format, uint32_t(bytes)};
    if (!streamFlag) {
        // A count below 1 makes a sound without buffers, which never plays.
        s->bufferCount = 0;
        if (bufferNum >= 1) {
            if (SoundBuffer_Create(&s->buffers[0], &desc) != 0)
                return ErrorLogAdd("DirectSoundBuffer の作成に失敗しました\n");
            s->bufferCount = 1;
            for (int i = 1; i < bufferNum; ++i) {
                if (SoundBuffer_Duplicate(&s->buffers[i], &s->buffers[0]) != 0) break;
                s->bufferCount = i + 1;
            }
        }
    } else {
        desc.bytes = 6 * format->avgBytesPerSec;
        if (SoundBuffer_Create(&s->buffers[0], &desc) != 0)
            return ErrorLogAdd("ストリーム風サウンドバッファの作成に失敗しました\n");
        s->bufferCount = 1;
        AppendToStreamList(s, handle);
    }
    s->streamFlag = streamFlag;
    return 0;
}

int DeleteSoundMemImpl(int handle, int flag) {
    SOUND* s = GetSoundData(handle);
    if (!s) return -1;
    if (s->streamFlag) StopStreamSound(handle);
    else StopSoundMemImpl(handle);

    if (!s->streamFlag) {
        for (SOUNDBUFFER& b : s->buffers)
            if (b.valid) SoundBuffer_Release(&b);
    } else {
        if (s->sharedBufferSource != -1) {
            const int sourceHandle = s->sharedBufferSource;
            s->sharedBufferSource = -1;
            if (SOUND* source = GetSoundData(sourceHandle)) {
                source->shareCount -= 1;
                if (source->bufferUser == handle) source->bufferUser = -1;
                if (source->deletePending && source->shareCount == 0) DeleteSoundMemImpl(sourceHandle, flag);
            }
        }
        if (s->shareCount != 0) {
            s->deletePending = 1;
            return 0;
        }
        if (s->listNode.prev || s->listNode.next) SubHandleList(&s->listNode);
        for (int i = 0; i < s->sourceCount; ++i) ReleaseStreamSource(s, i);
        for (SOUNDBUFFER& b : s->buffers)
            if (b.valid) SoundBuffer_Release(&b);
    }
    HandleTable& table = SoundState().soundTable;
    SubHandle(&table, handle);
    LowerNextSlotHint(&table, HandleSlot(handle));
    return 0;
}

int AddStreamSourceFromFile(const char* fileName, int loop, int handle, int type, int unionHandle) {
    ZvFileHandle file = FileOpen(fileName, 0);
    if (!file) return ErrorLogFmtAdd("右記のＷＡＶファイルのロードに失敗しました：%s \n", fileName);
    StreamReader reader = {*GetFileStreamFunctions(), file};
    int copied = 0;
    if (AddSreamSound(&reader, loop, handle, type, &copied, unionHandle) != 0) {
        FileClose(file);
        return ErrorLogFmtAdd("右記のＷＡＶファイルのセットアップに失敗しました：%s \n", fileName);
    }
    if (copied) FileClose(file);
    SOUND* s = GetSoundData(handle);
    s->sourceOpenedByLoader[s->sourceCount - 1] = 1;
    return 0;
}

int AddStreamSourceFromImage(const void* image, int size, int loop, int handle, int type, int unionHandle) {
    if (type == SOUND_DATATYPE_FILE) type = SOUND_DATATYPE_MEMIMAGE;
    MemStream* memory = MemStreamOpen(image, size_t(size));
    if (!memory) return ErrorLogAdd("ＷＡＶファイルのストリームイメージハンドルの作成に失敗しました \n");
    StreamReader reader = {*GetMemStreamFunctions(), reinterpret_cast<intptr_t>(memory)};
    int copied = 0;
    if (AddSreamSound(&reader, loop, handle, type, &copied, unionHandle) != 0) {
        MemStreamClose(reader.handle);
        return ErrorLogAdd("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n");
    }
    if (copied) MemStreamClose(reader.handle);
    SOUND* s = GetSoundData(handle);
    s->sourceOpenedByLoader[s->sourceCount - 1] = 1;
    return 0;
}

int ReadFileToMemory(const char* fileName, void** image, int* size) {
    ZvFileHandle file = FileOpen(fileName, 0);
    if (!file) return ErrorLogFmtAdd("右記のファイルのオープンに失敗しました：%s", fileName);
    FileSeek(file, 0, 2);
    int32_t length = FileTell(file);
    FileSeek(file, 0, 0);
    if (length < 0) length = 0;
    void* data = ZVALLOC(size_t(length) + 1);
    if (!data) {
        FileClose(file);
        return ErrorLogFmtAdd("右記のファイルのロードに必要なメモリの確保に失敗しました：%s", fileName);
    }
    size_t got = length ? FileRead(data, 1, size_t(length), file) : 0;
    FileClose(file);
    *image = data;
    *size = int(std::min<size_t>(got, size_t(length)));
    return 0;
}

int ReadStreamToMemory(const StreamReader* stream, void** image, int* size) {
    const StreamFunctions& f = stream->functions;
    f.Seek(stream->handle, 0, 2);
    int32_t length = f.Tell(stream->handle);
    f.Seek(stream->handle, 0, 0);
    if (length < 0) length = 0;
    void* data = ZVALLOC(size_t(length) + 1);
    if (!data) return ErrorLogAdd("ストリームの読み込みに必要なメモリの確保に失敗しました");
    size_t got = length ? f.Read(data, 1, size_t(length), stream->handle) : 0;
    *image = data;
    *size = int(std::min<size_t>(got, size_t(length)));
    return 0;
}
