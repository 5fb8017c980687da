#include "tonecore/engine/my_list.h"

#include <new>

#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"

namespace {

template <typename Node>
Node* NewNode(void* element, std::int32_t sortValue) {
    auto* node = new (std::nothrow) Node{element, sortValue, nullptr};
    if (node == nullptr) SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
    return node;
}

}  // namespace

CMyList::CMyList(const CMyList& other) { *this = other; }

CMyList& CMyList::operator=(const CMyList& other) {
    if (this == &other) return *this;
    RemoveAll();
    for (const TNode* n = other.head_; n != nullptr; n = n->next) {
        if (AppendToTail(n->element, n->sortValue) < 0) break;
    }
    // The copy's cursor stands where the original's does.
    if (count_ > 0) Index(other.cursorIndex_ < count_ ? other.cursorIndex_ : 0);
    return *this;
}

void CMyList::StartWith(TNode* node) {
    head_ = tail_ = cursor_ = node;
    cursorIndex_ = 0;
    count_ = 1;
}

int CMyList::InsertNewHead(void* element, std::int32_t sortValue) {
    TNode* node = NewNode<TNode>(element, sortValue);
    if (node == nullptr) return -1;
    if (head_ == nullptr) {
        StartWith(node);
        return 0;
    }
    node->next = head_;
    head_ = node;
    ++cursorIndex_;  // the cursor's node moved one place back
    ++count_;
    return 0;
}

int CMyList::AppendToTail(void* element, std::int32_t sortValue) {
    TNode* node = NewNode<TNode>(element, sortValue);
    if (node == nullptr) return -1;
    if (head_ == nullptr) {
        StartWith(node);
        return 0;
    }
    tail_->next = node;
    tail_ = node;
    return ++count_ - 1;
}

int CMyList::InsertAfter(void* element, int i) {
    TNode* node = NewNode<TNode>(element, 0);
    if (node == nullptr) return -1;
    if (head_ == nullptr) {
        StartWith(node);
        return 0;
    }
    if (cursorIndex_ > i) {
        cursor_ = head_;
        cursorIndex_ = 0;
    }
    while (cursorIndex_ < i && cursor_->next != nullptr) {
        cursor_ = cursor_->next;
        ++cursorIndex_;
    }
    node->next = cursor_->next;
    cursor_->next = node;
    if (cursor_ == tail_) tail_ = node;
    cursor_ = node;
    ++count_;
    return ++cursorIndex_;
}

int CMyList::AddSorted(void* element, std::int32_t sortValue) {
    if (head_ == nullptr || sortValue <= head_->sortValue) return InsertNewHead(element, sortValue);
    if (sortValue >= tail_->sortValue) return AppendToTail(element, sortValue);
    TNode* node = NewNode<TNode>(element, sortValue);
    if (node == nullptr) return -1;
    // The tail's value is above sortValue, so the walk stops before it.
    TNode* prev = head_;
    int prevIndex = 0;
    while (prev->next->sortValue < sortValue) {
        prev = prev->next;
        ++prevIndex;
    }
    node->next = prev->next;
    prev->next = node;
    ++count_;
    cursor_ = prev;
    cursorIndex_ = prevIndex;
    return prevIndex + 1;
}

CMyList::TNode* CMyList::FindPredecessor(void* element, int* prevIndex, bool* found) const {
    *found = false;
    *prevIndex = 0;
    if (head_ == nullptr) return nullptr;
    if (head_->element == element) {
        *found = true;
        return nullptr;
    }
    int index = 0;
    for (TNode* prev = head_; prev->next != nullptr; prev = prev->next, ++index) {
        if (prev->next->element == element) {
            *found = true;
            *prevIndex = index;
            return prev;
        }
    }
    return nullptr;
}

void CMyList::Unlink(TNode* prev) {
    TNode* gone = prev != nullptr ? prev->next : head_;
    if (prev == nullptr) {
        head_ = gone->next;
        if (head_ == nullptr) tail_ = nullptr;
    } else {
        prev->next = gone->next;
        if (gone == tail_) tail_ = prev;
    }
    delete gone;
    --count_;
}

void CMyList::Remove(void* element) {
    int prevIndex = 0;
    bool found = false;
    TNode* prev = FindPredecessor(element, &prevIndex, &found);
    if (!found) return;
    Unlink(prev);
    if (prev == nullptr) {
        cursor_ = head_;
        cursorIndex_ = 0;
    } else {
        cursor_ = prev;
        cursorIndex_ = prevIndex;
    }
}

void CMyList::RemoveByIndex(int i) {
    if (i < 0 || i >= count_) return;
    Remove(Index(i));
}

void CMyList::RemoveAll() {
    while (head_ != nullptr) {
        TNode* next = head_->next;
        delete head_;
        head_ = next;
    }
    tail_ = cursor_ = nullptr;
    count_ = 0;
    cursorIndex_ = 0;
}

int CMyList::Member(void* element) {
    int prevIndex = 0;
    bool found = false;
    TNode* prev = FindPredecessor(element, &prevIndex, &found);
    if (found && prev != nullptr) {
        cursor_ = prev;
        cursorIndex_ = prevIndex;
    } else {
        cursor_ = head_;
        cursorIndex_ = 0;
    }
    return found ? 1 : 0;
}

void* CMyList::Index(int i, std::int32_t* sortValue) {
    if (head_ == nullptr || i < 0 || i >= count_) return nullptr;
    if (cursorIndex_ > i) {
        cursor_ = head_;
        cursorIndex_ = 0;
    }
    while (cursorIndex_ < i) {
        cursor_ = cursor_->next;
        ++cursorIndex_;
    }
    if (sortValue != nullptr) *sortValue = cursor_->sortValue;
    return cursor_->element;
}

void* CMyList::ElemBySortValue(std::int32_t value, int* index, std::int32_t* sortValue) {
    if (head_ == nullptr) return nullptr;
    TNode* node = head_;
    int at = 0;
    if (node->sortValue < value) {
        while (node->next != nullptr && node->next->sortValue < value) {
            node = node->next;
            ++at;
        }
    }
    cursor_ = node;
    cursorIndex_ = at;
    if (index != nullptr) *index = at;
    if (sortValue != nullptr) *sortValue = node->sortValue;
    return node->element;
}
