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
      capacity_(count),
      freeCount_(count) {
    if (elementSize_ < sizeof(CTask)) elementSize_ = sizeof(CTask);
    block_ = static_cast<unsigned char*>(::operator new(size_t(elementSize_) * (count + 2)));
    active_ = ::new (Element(0)) CTask();
    free_ = ::new (Element(1)) CTask();
    active_->prev_ = active_->next_ = active_;
    CTask* last = free_;
    for (uint32_t i = 2; i < count + 2; ++i) {
        CTask* e = Element(i);
        last->next_ = e;
        last = e;
    }
    last->next_ = free_;
}

CTaskList::~CTaskList() { ::operator delete(block_); }

void* CTaskList::Take(size_t size) {
    if (size > elementSize_) {
        GameLog("タスクの大きさ %zu がプールの要素 %u を越えています", size, elementSize_);
        return nullptr;
    }
    if (freeCount_ < 1) return nullptr;
    CTask* e = free_->next_;
    free_->next_ = e->next_;
    --freeCount_;
    return e;
}

void CTaskList::GiveBack(void* p) {
    CTask* e = static_cast<CTask*>(p);
    e->next_ = free_->next_;
    free_->next_ = e;
    ++freeCount_;
}

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
