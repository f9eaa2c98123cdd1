// Handle tables: slots handed out in order, a check value that refuses stale
// handles, and the doubly linked handle lists.
#include "core/handle.h"

#include <cstring>

#include "core/alloc.h"
#include "core/log.h"

int InitializeHandleTable(HandleTable* table, int kind, int capacity, int recordSize,
                          const char* tooManyText, const char* noMemoryText) {
    int keptCheck = table->checkCounter;
    if (table->records) TerminateHandleTable(table);
    table->kind = kind;
    table->capacity = capacity;
    table->recordSize = recordSize;
    table->tooManyText = tooManyText;
    table->noMemoryText = noMemoryText;
    table->records = static_cast<void**>(ZVCALLOC(sizeof(void*) * size_t(capacity)));
    table->used = 0;
    table->nextSlot = 0;
    table->checkCounter = keptCheck;
    return table->records ? 0 : -1;
}

int TerminateHandleTable(HandleTable* table) {
    ZvFree(table->records);
    table->records = nullptr;
    table->used = 0;
    table->nextSlot = 0;
    return 0;
}

int AddHandle(HandleTable* table, int reuseHandle) {
    if (!table->records) return -1;
    int slot = -1;
    bool recreate = false;
    if (reuseHandle >= 0 && (reuseHandle & HANDLE_KIND_MASK) == (table->kind << 16)) {
        int s = HandleSlot(reuseHandle);
        if (s < table->capacity && !table->records[s]) {
            slot = s;
            recreate = true;
        }
    }
    if (!recreate) {
        if (table->used == table->capacity) return ErrorLogAdd(table->tooManyText);
        if (table->nextSlot == table->capacity) {
            for (slot = 0; slot < table->capacity && table->records[slot]; ++slot) {
            }
        } else {
            slot = table->nextSlot;
        }
    }
    void* record = ZVCALLOC(size_t(table->recordSize));
    if (!record) return ErrorLogAdd(table->noMemoryText);

    int check;
    if (recreate) {
        check = (reuseHandle & HANDLE_CHECK_MASK) >> 16;
    } else {
        check = table->checkCounter;
        table->checkCounter = (table->checkCounter + 1) % HANDLE_CHECK_MAX;
    }
    static_cast<HandleRecordHead*>(record)->checkValue = check;
    table->records[slot] = record;

    table->used += 1;
    if (!recreate && table->nextSlot == slot) table->nextSlot += 1;
    if (table->used > table->nextSlot) table->nextSlot = table->used;
    return recreate ? reuseHandle : MakeHandle(table->kind, check, slot);
}

void* CheckHandle(const HandleTable* table, int handle) {
    if (handle < 0 || !table->records) return nullptr;
    if ((handle & HANDLE_KIND_MASK) != (table->kind << 16)) return nullptr;
    int slot = HandleSlot(handle);
    if (slot >= table->capacity) return nullptr;
    void* record = table->records[slot];
    if (!record) return nullptr;
    if ((static_cast<HandleRecordHead*>(record)->checkValue << 16) != (handle & HANDLE_CHECK_MASK))
        return nullptr;
    return record;
}

int SubHandle(HandleTable* table, int handle) {
    void* record = CheckHandle(table, handle);
    if (!record) return -1;
    ZvFree(record);
    table->records[HandleSlot(handle)] = nullptr;
    table->used -= 1;
    return 0;
}

int InitializeHandleList(HandleList* head, HandleList* tail) {
    head->handle = tail->handle = -1;
    head->data = tail->data = nullptr;
    head->prev = nullptr;
    head->next = tail;
    tail->prev = head;
    tail->next = nullptr;
    return 0;
}

int AddHandleList(HandleList* after, HandleList* node, int handle, void* data) {
    node->handle = handle;
    node->data = data;
    node->prev = after;
    node->next = after->next;
    if (after->next) after->next->prev = node;
    after->next = node;
    return 0;
}

int SubHandleList(HandleList* node) {
    if (node->prev) node->prev->next = node->next;
    if (node->next) node->next->prev = node->prev;
    node->prev = node->next = nullptr;
    return 0;
}
