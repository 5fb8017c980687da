#pragma once
// MvList: the growable array that crosses module boundaries. Lists are filled
// by one module and emptied by another (the program, titlefetch, platter,
// songvault), so the layout and the growth rule are fixed: a virtual
// destructor, then capacity, count and grow step (32-bit), then the item
// array. Items are held by value; a list of pointers never owns what they
// point to, so whoever fills it frees the records before emptying it.
//
// Every module empties a list the same way (Empty): release the array, zero
// capacity and count. An emptied list grows again by one step on its next
// append.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

template <class T>
class MvList {
public:
    // Every list the system creates grows by this many slots.
    static constexpr std::int32_t kDefaultGrowStep = 10;

    explicit MvList(std::int32_t step = kDefaultGrowStep) : growStep(step) {}
    // Releases the item array only, never what the items point to.
    virtual ~MvList() { delete[] items; }

    // A copy would share (and later free twice) the item array.
    MvList(const MvList&) = delete;
    MvList& operator=(const MvList&) = delete;

    // Stores item at index count, growing first when the array is full.
    // False (the list unchanged) only when it cannot grow.
    bool Append(const T& item) {
        if (count >= capacity && !Grow()) return false;
        items[count] = item;
        ++count;
        return true;
    }

    // Adds grow-step slots, all zero, keeping the used ones. False when the
    // step is not positive, the capacity would pass the 32-bit range or
    // memory runs out; the list is then unchanged.
    bool Grow() {
        if (growStep <= 0 || capacity > std::numeric_limits<std::int32_t>::max() - growStep)
            return false;
        const std::int32_t grown = capacity + growStep;
        T* larger = new (std::nothrow) T[grown]();
        if (larger == nullptr) return false;
        if (items != nullptr) std::copy(items, items + count, larger);
        delete[] items;
        items = larger;
        capacity = grown;
        return true;
    }

    // The common way to empty a list: the array goes, capacity and count
    // become 0. Records that the items point to must be freed first.
    void Empty() {
        delete[] items;
        items = nullptr;
        capacity = 0;
        count = 0;
    }

    T* begin() { return items; }
    T* end() { return items + count; }
    const T* begin() const { return items; }
    const T* end() const { return items + count; }

    std::int32_t capacity = 0;
    std::int32_t count = 0;
    std::int32_t growStep = kDefaultGrowStep;
    // Null while the capacity is 0.
    T* items = nullptr;
};

// For lists whose records were made with new by the module that empties
// them: deletes every record, then empties the list.
template <class T>
void DeleteRecordsAndEmpty(MvList<T*>& list) {
    for (T* record : list) delete record;
    list.Empty();
}
