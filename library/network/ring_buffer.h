// The network's growable first-in, first-out byte store.
#pragma once

struct RingBuffer {
    unsigned char* data;   // capacity bytes, null until the first reservation
    int start;             // oldest byte held
    int end;               // where the next byte goes
    int length;            // bytes held
    int capacity;
};

int InitializeRingBuffer(RingBuffer* ring);
int TerminateRingBuffer(RingBuffer* ring);
// Room for n more bytes; -1 (with a log line) when it cannot be made, the
// bytes held staying as they were.
int ReserveRingBuffer(RingBuffer* ring, int n);
int AddRingBufferData(RingBuffer* ring, const void* source, int n);
// Copies the n oldest bytes, removing them unless peeking; -1 when fewer are held.
int GetRingBufferData(RingBuffer* ring, void* destination, int n, int peek);
int GetRingBufferDataLength(const RingBuffer* ring);
// A position left equal to the capacity means 0.
void NormalizeRingBuffer(RingBuffer* ring);
