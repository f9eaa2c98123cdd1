// Table bookkeeping the graphics tables share on top of the core's handle tables.
#pragma once
#include "core/handle.h"

// After the record in `slot` went away: when it was the highest used slot,
// the hint drops to one past the highest slot still used (0 when empty).
inline void LowerHandleHint(HandleTable* table, int slot) {
    if (slot != table->nextSlot - 1) return;
    int s = slot;
    while (s > 0 && table->records[s - 1] == nullptr) --s;
    table->nextSlot = s;
}

// The handle of the record in `slot`, rebuilt from its check value.
inline int HandleOfSlot(const HandleTable* table, int slot) {
    return MakeHandle(table->kind, static_cast<const HandleRecordHead*>(table->records[slot])->checkValue, slot);
}
