#pragma once
// CMyList: a singly linked list of (element, sort value) pairs with a
// remembered cursor, so that walks with rising indexes cost one step each.
// The list never owns its elements: removing a pair leaves the element alone.
// Sort values are times in milliseconds or byte offsets.
//
// The cursor rules are part of the contract (callers walk with Index and
// expect cheap forward steps); each operation says where it leaves the
// cursor.

#include <cstdint>

class CMyList {
public:
    CMyList() = default;
    // A copy has nodes of its own (same pairs, cursor at the same index).
    CMyList(const CMyList& other);
    CMyList& operator=(const CMyList& other);
    ~CMyList() { RemoveAll(); }

    // New pair at the head; an empty list's cursor becomes it, otherwise the
    // cursor stays on its node. 0, or -1 when out of memory.
    int InsertNewHead(void* element, std::int32_t sortValue);
    // New pair at the tail; its index (count - 1), or -1 when out of memory.
    int AppendToTail(void* element, std::int32_t sortValue);
    // New pair with sort value 0 after position i (after the tail when i is
    // past it, after the head when i is negative); the cursor moves onto it.
    // Its index, or -1 when out of memory.
    int InsertAfter(void* element, int i);
    // New pair in sort order: before the head when sortValue <= the head's
    // value, after the tail when >= the tail's, else before the first pair
    // whose value is >= sortValue (ties go before equal values), with the
    // cursor on the pair before it. Its index, or -1 when out of memory.
    int AddSorted(void* element, std::int32_t sortValue);

    // Removes the first pair holding element (compared by pointer). The
    // cursor goes to the new head when the head was removed, else to the pair
    // before the removed one. Nothing happens for an element not held.
    void Remove(void* element);
    // Removes the first pair holding the same element as position i; nothing
    // for a position outside the list.
    void RemoveByIndex(int i);
    void RemoveAll();

    // 1 when a pair holds element; the cursor is then on the head (when it is
    // the head's) or on the pair before it. 0 otherwise, cursor on the head.
    int Member(void* element);
    // The element at position i (sort value into *sortValue when non-null),
    // leaving the cursor there; null for a position outside the list, and
    // the cursor unchanged.
    void* Index(int i, std::int32_t* sortValue = nullptr);
    // From the head: the last pair of the leading run whose sort values are
    // smaller than value, or the head when its value is already >= value.
    // Null on an empty list. Index and sort value are written when the
    // pointers are non-null; the cursor is left on the pair.
    void* ElemBySortValue(std::int32_t value, int* index = nullptr,
                          std::int32_t* sortValue = nullptr);

    int Count() const { return count_; }

private:
    struct TNode {
        void* element;
        std::int32_t sortValue;
        TNode* next;
    };

    // Makes node the only one of an empty list.
    void StartWith(TNode* node);
    // Unlinks and frees the node after prev (the head when prev is null).
    void Unlink(TNode* prev);
    // The node before the first one holding element, its index in
    // *prevIndex; null when the head holds it or nothing does (*found tells).
    TNode* FindPredecessor(void* element, int* prevIndex, bool* found) const;

    TNode* head_ = nullptr;
    TNode* tail_ = nullptr;
    TNode* cursor_ = nullptr;
    int count_ = 0;
    int cursorIndex_ = 0;
};
