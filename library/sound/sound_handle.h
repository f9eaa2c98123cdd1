// Sound handles: the record behind a handle, loading a file into one, and
// deleting it.
#pragma once
#include <cstdint>

#include "core/handle.h"
#include "sound/sound_convert.h"
#include "sound/sound_system.h"

constexpr int SOUND_MAX_BUFFERS = 10;
constexpr int STREAM_MAX_SOURCES = 3;
constexpr int STREAM_WRITE_NOT_FILLED = -800;

// Create data types.
constexpr int SOUND_DATATYPE_STATIC = 0;
constexpr int SOUND_DATATYPE_MEMIMAGE = 2;      // compressed file kept in memory, decoded while playing
constexpr int SOUND_DATATYPE_FILE = 3;          // decoded from the open file while playing

// One source of a stream sound.
struct STREAMDATA {
    uint8_t repeatCount;        // more plays before the next source; 255 forever
    int dataType;               // 2 or 3
    void* image;                // type 2: the whole file
    int imageSize;
    StreamReader memStream;     // type 2: the memory stream over the image
    // Where a repeat or a looped stream's next turn begins and where a turn
    // that such a turn follows ends, in samples (0: the end of the data); set
    // from the file's encoder tag, so that the turns join without the
    // encoder's silent lead and padding.
    int64_t loopStart;
    int64_t loopEnd;
    SOUNDCONV conv;
};

struct SOUND {
    int checkValue;
    SOUNDBUFFER buffers[SOUND_MAX_BUFFERS];
    WaveFormat format;
    int streamFlag;
    int playType;
    uint32_t playStartTime;
    int sharedBufferSource;     // stream sound whose buffer this one plays through, -1 own
    int shareCount;             // stream sounds playing through this one's buffer
    int bufferUser;             // stream sound using this one's buffer now, -1 none
    int deletePending;

    // Stream playing state (see stream_sound.cpp).
    int streamBufferSize;
    int writePos;
    int windowStart;
    STREAMDATA sources[STREAM_MAX_SOURCES];
    int sourceCount;
    int currentSource;
    int repeatCount;
    int64_t bytePos;
    int64_t totalBlocks;
    int64_t playedBytes;
    uint32_t lastCursor;
    uint8_t prepared, endReached, wrapped, looped;
    int endPos;
    uint32_t endCursor;
    int loopPos;
    HandleList listNode;

    int sourceOpenedByLoader[STREAM_MAX_SOURCES];
    int bufferCount;
    int nextBuffer;
};

// The record of a valid sound handle, or null.
SOUND* GetSoundData(int handle);

int AddSoundData();
int LoadSoundMemImpl(const char* fileName, int bufferNum, int unionHandle);
int LoadSoundFromFile(const char* fileName, int bufferNum, int unionHandle);
int LoadSoundFromImage(const void* image, int size, int bufferNum, int unionHandle);
int DeleteSoundMemImpl(int handle, int flag);
int SetCreateSoundDataTypeImpl(int type);
int CreateSoundBufferForSound(const WaveFormat* format, int bytes, int streamFlag, int bufferNum, int handle);
int AddStreamSourceFromFile(const char* fileName, int loop, int handle, int type, int unionHandle);
int AddStreamSourceFromImage(const void* image, int size, int loop, int handle, int type, int unionHandle);
int ReadFileToMemory(const char* fileName, void** image, int* size);
int ReadStreamToMemory(const StreamReader* stream, void** image, int* size);
