#include "utilities/pointer_array.h"

#include <algorithm>
#include <new>

CPtrArrayBase::CPtrArrayBase(int growthStep) : growthStep_(std::max(growthStep, 1)) {}

void* CPtrArrayBase::At(int index) const {
    if (index < 0 || index >= count_) return nullptr;
    return items_[index];
}

bool CPtrArrayBase::Reallocate(int capacity) {
    std::unique_ptr<void*[]> block;
    if (capacity > 0) {
        block.reset(new (std::nothrow) void*[static_cast<std::size_t>(capacity)]);
        if (!block) return false;
        std::copy(items_.get(), items_.get() + count_, block.get());
        ++reallocations_;
    }
    items_ = std::move(block);
    capacity_ = capacity;
    return true;
}

bool CPtrArrayBase::Insert(int index, void* item) {
    index = std::clamp(index, 0, count_);
    if (count_ == capacity_ && !Reallocate(std::max(capacity_ * 2, growthStep_))) return false;
    std::copy_backward(items_.get() + index, items_.get() + count_, items_.get() + count_ + 1);
    items_[index] = item;
    ++count_;
    return true;
}

void* CPtrArrayBase::RemoveAt(int index) {
    if (index < 0 || index >= count_) return nullptr;
    void* item = items_[index];
    std::copy(items_.get() + index + 1, items_.get() + count_, items_.get() + index);
    --count_;
    const int half = capacity_ / 2;
    const int smaller = std::max(half, growthStep_);
    // A failed shrink only keeps the larger block.
    if (count_ <= half && smaller < capacity_) Reallocate(smaller);
    return item;
}

void CPtrArrayBase::MoveToEnd(int index) {
    if (index < 0 || index >= count_) return;
    std::rotate(items_.get() + index, items_.get() + index + 1, items_.get() + count_);
}

void CPtrArrayBase::RemoveAll() {
    items_.reset();
    count_ = 0;
    capacity_ = 0;
}
