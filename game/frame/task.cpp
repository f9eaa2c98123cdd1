// Task pools: fixed blocks of equal elements, last-in first-out reuse, and
// the active list in creation order.
#include "frame/task.h"

#include <new>

#include "frame/game_system.h"

CTask::CTask(CTaskList* list) : list_(list) {
    CTask* sentinel = list->active_;
    prev_ = sentinel->prev_;
    next_ = sentinel;
    prev_->next_ = this;
    sentinel->prev_ = this;
}

CTask::~CTask() {
    prev_->next_ = next_;
    next_->prev_ = prev_;
}

void* CTask::operator new(size_t size, CTaskList* list) noexcept { return list->Take(size); }

void CTask::operator delete(void* p, CTaskList* list) { list->GiveBack(p); }

CTaskList::CTaskList(uint32_t elementSize, uint32_t count)
    : elementSize_((elementSize + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
                   alignof(std::max_align_t)),
      capacity_(count) {
    if (elementSize_ < sizeof(CTask)) elementSize_ = sizeof(CTask);
    block_ = static_cast<unsigned char*>(::operator new(size_t(elementSize_) * (count + 1)));
    active_ = ::new (Element(0)) CTask();
    active_->prev_ = active_->next_ = active_;
    // The first element is taken first.
    free_.reserve(count);
    for (uint32_t i = count; i >= 1; --i) free_.push_back(Element(i));
}

CTaskList::~CTaskList() { ::operator delete(block_); }

void* CTaskList::Take(size_t size) {
    if (size > elementSize_) {
        GameLog("タスクの大きさ %zu がプールの要素 %u を越えています", size, elementSize_);
        return nullptr;
    }
    if (free_.empty()) return nullptr;
    void* e = free_.back();
    free_.pop_back();
    return e;
}

void CTaskList::GiveBack(void* p) { free_.push_back(p); }

void CTaskList::Clear() {
    for (iterator it(this); it.HasNext();) {
        it.Next();
        it.Erase();
    }
}

void CTaskList::iterator::Erase() {
    CTask* doomed = at_;
    at_ = at_->prev_;
    delete doomed;
}
