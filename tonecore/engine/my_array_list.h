#pragma once
// CMyArrayList: (element, sort value) pairs in one contiguous block, kept in
// ascending sort value by AddSorted and looked up by binary search. Seek maps
// hold one pair per MP3 frame, so lists of 100000 pairs and more are normal.
// The list never owns its elements.
//
// InsertNewHead, AppendToTail and the adjust and scale operations do not
// re-sort: callers that mix them with AddSorted keep the order themselves.

#include <cstdint>
#include <vector>

class CMyArrayList {
public:
    CMyArrayList() = default;
    CMyArrayList(const CMyArrayList& other) = default;
    CMyArrayList& operator=(const CMyArrayList& other) = default;
    ~CMyArrayList() = default;

    // New pair at index 0. 0 (also when memory runs out: nothing is added,
    // and the thread's last error is TONECORE_ERR_OUT_OF_MEMORY).
    int InsertNewHead(void* element, std::int32_t sortValue);
    // New pair at the end; count - 1 afterwards (the previous last index
    // when memory runs out).
    int AppendToTail(void* element, std::int32_t sortValue);
    // New pair before the first pair whose value is >= sortValue (at the head
    // when sortValue <= the first value, at the end when >= the last). Its
    // index (also when memory runs out and nothing is added).
    int AddSorted(void* element, std::int32_t sortValue);

    // Removes the first pair holding element; nothing when none does.
    void Remove(void* element);
    // Removes the pair at i; nothing for an index outside the list.
    void RemoveByIndex(int i);
    // Removes every pair and frees the block.
    void RemoveAll();

    // 1 when a pair holds element.
    int Member(void* element) const;
    // The element at i (its sort value into *sortValue when non-null); null
    // for an index outside 0 .. count - 1.
    void* Index(int i, std::int32_t* sortValue = nullptr) const;
    // The pair at or before value in a sorted list: an exact match when there
    // is one, the last pair for a value above all, the first for a value
    // below all. With exactly two pairs: the second when value is above the
    // first's value, else the first. Null on an empty list. Index and sort
    // value are written when the pointers are non-null.
    void* ElemBySortValue(std::int32_t value, int* index = nullptr,
                          std::int32_t* sortValue = nullptr) const;

    // Adds delta to every sort value (limited to the 32-bit range).
    void AdjustAllSortValues(std::int32_t delta);
    // Every sort value becomes value x factor, truncated toward zero and
    // limited to the 32-bit range.
    void ScaleAllSortValues(double factor);

    int Count() const { return static_cast<int>(pairs_.size()); }

private:
    struct TPair {
        void* element;
        std::int32_t sortValue;
    };

    // Inserts at index; false (nothing added) when memory runs out.
    bool InsertAt(int index, void* element, std::int32_t sortValue);

    std::vector<TPair> pairs_;
};
