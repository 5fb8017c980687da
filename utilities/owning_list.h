#pragma once
// The list code that the string list and the recent-folder list share: an
// ordered list that owns its items and frees them when they are removed or
// the list goes away.

#include <iterator>
#include <list>
#include <memory>

template <class T>
class COwningList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Removes and frees item i; nothing past the end.
    void DeleteIndex(int i) {
        const auto it = At(i);
        if (it != items_.end()) items_.erase(it);
    }
    void DeleteAll() { items_.clear(); }

protected:
    using Items = std::list<std::unique_ptr<T>>;

    typename Items::iterator At(int i) {
        if (i < 0 || i >= Count()) return items_.end();
        return std::next(items_.begin(), i);
    }
    // Item i, or null outside the list.
    T* Item(int i) const {
        if (i < 0 || i >= Count()) return nullptr;
        return std::next(items_.begin(), i)->get();
    }

    Items items_;
};
