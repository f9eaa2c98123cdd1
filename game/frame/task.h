// Tasks and task pools: every game object is a CTask living in a fixed pool
// (CTaskList) that is both its allocator and the ordered list the frame loop
// walks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame/hit_box.h"

class CTaskList;

class CTask {
public:
    explicit CTask(CTaskList* list);
    virtual ~CTask();
    // Tasks live in pools; the family roots give the memory back.
    static void operator delete(void*) {}
    static void* operator new(size_t size, CTaskList* list) noexcept;
    static void operator delete(void* p, CTaskList* list);

private:
    friend class CTaskList;
    CTask() = default;   // the sentinels
    CTaskList* list_ = nullptr;
    CTask* prev_ = nullptr;
    CTask* next_ = nullptr;
};

class CMover : public CTask {
public:
    CMover(CTaskList* list, float x, float y, const HitBox& hitBox) : CTask(list), x(x), y(y), hitBox(hitBox) {}
    CMover(CTaskList* list, float x, float y) : CMover(list, x, y, HitBox()) {}
    static void operator delete(void*) {}

    // One update of behaviour; false asks the owner to delete the task.
    virtual bool Move() { return true; }
    virtual void Draw() {}

    float x, y;
    HitBox hitBox;
};

class CTaskList {
public:
    CTaskList(uint32_t elementSize, uint32_t count);
    // Releases the memory without running the destructors of tasks still in it.
    ~CTaskList();
    CTaskList(const CTaskList&) = delete;
    CTaskList& operator=(const CTaskList&) = delete;

    // A free element, or null when the pool is full (or size does not fit).
    void* Take(size_t size);
    void GiveBack(void* p);
    uint32_t GetCount() const { return capacity_ - uint32_t(free_.size()); }
    uint32_t Capacity() const { return capacity_; }
    uint32_t ElementSize() const { return elementSize_; }
    void Clear();

    class iterator {
    public:
        explicit iterator(CTaskList* list) : list_(list), at_(list->active_) {}
        // The end test: false once the current task is the last one.
        bool HasNext() const { return at_->next_ != list_->active_; }
        CTask* Next() { return at_ = at_->next_; }
        // Deletes the current task; the next Next() gives its successor.
        void Erase();

    private:
        CTaskList* list_;
        CTask* at_;
    };

private:
    friend class CTask;
    void* Element(uint32_t i) { return block_ + size_t(i) * elementSize_; }

    CTask* active_;
    // Free elements are raw memory, so they are kept apart from the tasks: the last one given back is on top.
    std::vector<void*> free_;
    uint32_t elementSize_;
    uint32_t capacity_;
    unsigned char* block_;
};
