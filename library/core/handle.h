// Handles: kind, check value and slot packed into one int, and the tables
// and lists that every kind of resource keeps.
#pragma once
#include <cstdint>

enum HandleKind : int {
    ZV_HANDLE_GRAPH = 0x0800,
    ZV_HANDLE_SOUND = 0x1000,
    ZV_HANDLE_MOVIE = 0x1800,
    ZV_HANDLE_FONT = 0x2000,
    ZV_HANDLE_SURFACE2D = 0x2800,
    ZV_HANDLE_SURFACE3D = 0x3000,
    ZV_HANDLE_SURFACEDATA = 0x3800,
    ZV_HANDLE_NETWORK = 0x4800,
    ZV_HANDLE_KEYINPUT = 0x5000,
    ZV_HANDLE_MUSIC = 0x5800,
};

constexpr int HANDLE_KIND_MASK = 0x78000000;
constexpr int HANDLE_CHECK_MASK = 0x07FF0000;
constexpr int HANDLE_SLOT_MASK = 0x0000FFFF;
constexpr int HANDLE_CHECK_MAX = 2048;

// Every record behind a handle starts with its check value.
struct HandleRecordHead {
    int checkValue;
};

struct HandleTable {
    int kind;                // kind word (0x0800, 0x1000, ...)
    int capacity;            // number of slots
    int recordSize;          // bytes allocated per record, head included
    const char* tooManyText; // logged when the table is full
    const char* noMemoryText;// logged when the record cannot be allocated
    void** records;          // capacity pointers, null = free slot
    int used;
    int nextSlot;
    int checkCounter;        // 0 .. 2047, never reset while the process runs
};

// Sets the table up with its own slot array; records and counters start empty.
// The check counter is kept across a re-initialisation so that stale handles
// stay refused.
int InitializeHandleTable(HandleTable* table, int kind, int capacity, int recordSize,
                          const char* tooManyText, const char* noMemoryText);
// Frees the slot array (not the records; delete them first).
int TerminateHandleTable(HandleTable* table);

// Makes a zeroed record and its handle; reuseHandle (or -1) names a handle to
// re-create under when its slot is free. Returns the handle or -1.
int AddHandle(HandleTable* table, int reuseHandle);
// The record of a valid handle, or null.
void* CheckHandle(const HandleTable* table, int handle);
// Frees the record of a valid handle and clears its slot; 0 or -1.
int SubHandle(HandleTable* table, int handle);

inline int HandleSlot(int handle) { return handle & HANDLE_SLOT_MASK; }
inline int MakeHandle(int kind, int check, int slot) {
    return ((check | kind) << 16) | slot;
}

struct HandleList {
    int handle;
    void* data;
    HandleList* prev;
    HandleList* next;
};

int InitializeHandleList(HandleList* head, HandleList* tail);
int AddHandleList(HandleList* after, HandleList* node, int handle, void* data);
int SubHandleList(HandleList* node);
