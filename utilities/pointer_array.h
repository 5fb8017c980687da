#pragma once
// A growable array of pointers with a growth step. Inserting beyond the
// capacity grows it to twice the capacity (at least the growth step);
// removing shrinks it to half (not below the growth step) once the count has
// fallen to half the capacity or less. Both copy into a new block. The array
// does not own what its items point to.

#include <memory>

class CPtrArrayBase {
public:
    explicit CPtrArrayBase(int growthStep);
    CPtrArrayBase(const CPtrArrayBase&) = delete;
    CPtrArrayBase& operator=(const CPtrArrayBase&) = delete;

    int Count() const { return count_; }
    int Capacity() const { return capacity_; }
    // Blocks allocated so far, for tests that check a steady state.
    int Reallocations() const { return reallocations_; }

    // Null outside 0..Count()-1.
    void* At(int index) const;
    // Inserts before index (clamped to 0..Count()); false when the block
    // cannot grow, leaving the array as it was.
    bool Insert(int index, void* item);
    bool Append(void* item) { return Insert(count_, item); }
    // Takes the item out and returns it (null outside the array).
    void* RemoveAt(int index);
    // Moves one item to the end, keeping the others in order, without
    // touching the block.
    void MoveToEnd(int index);
    // Drops every item and the block.
    void RemoveAll();

private:
    bool Reallocate(int capacity);

    std::unique_ptr<void*[]> items_;
    int count_ = 0;
    int capacity_ = 0;
    int growthStep_;
    int reallocations_ = 0;
};

// The same array with typed items.
template <class T>
class CPtrArray : public CPtrArrayBase {
public:
    explicit CPtrArray(int growthStep = 8) : CPtrArrayBase(growthStep) {}
    T* At(int index) const { return static_cast<T*>(CPtrArrayBase::At(index)); }
    T* RemoveAt(int index) { return static_cast<T*>(CPtrArrayBase::RemoveAt(index)); }
    bool Insert(int index, T* item) { return CPtrArrayBase::Insert(index, item); }
    bool Append(T* item) { return CPtrArrayBase::Append(item); }
};
