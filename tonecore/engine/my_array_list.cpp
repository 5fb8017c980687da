#include "tonecore/engine/my_array_list.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"

namespace {

std::int32_t Limit32(double v) {
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(v)) return 0;
    return static_cast<std::int32_t>(std::clamp(std::trunc(v), lo, hi));
}

}  // namespace

bool CMyArrayList::InsertAt(int index, void* element, std::int32_t sortValue) {
    try {
        pairs_.insert(pairs_.begin() + index, TPair{element, sortValue});
    } catch (const std::bad_alloc&) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return false;
    } catch (const std::length_error&) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return false;
    }
    return true;
}

int CMyArrayList::InsertNewHead(void* element, std::int32_t sortValue) {
    InsertAt(0, element, sortValue);
    return 0;
}

int CMyArrayList::AppendToTail(void* element, std::int32_t sortValue) {
    InsertAt(Count(), element, sortValue);
    return Count() - 1;
}

int CMyArrayList::AddSorted(void* element, std::int32_t sortValue) {
    if (pairs_.empty() || sortValue <= pairs_.front().sortValue) {
        return InsertNewHead(element, sortValue);
    }
    if (sortValue >= pairs_.back().sortValue) return AppendToTail(element, sortValue);
    // Binary search for the last pair below sortValue: the first pair is
    // below it and the last is above, so the answer lies in 0 .. count - 2.
    int hi = Count() - 1;
    int mid = hi / 2;
    if (mid != 0) {
        int lo = 0;
        while (lo != mid) {
            if (pairs_[mid].sortValue < sortValue) {
                lo = mid;
            } else {
                hi = mid;
            }
            mid = (hi - lo) / 2 + lo;
        }
    }
    InsertAt(mid + 1, element, sortValue);
    return mid + 1;
}

void CMyArrayList::Remove(void* element) {
    auto it = std::find_if(pairs_.begin(), pairs_.end(),
                           [element](const TPair& p) { return p.element == element; });
    if (it != pairs_.end()) RemoveByIndex(static_cast<int>(it - pairs_.begin()));
}

void CMyArrayList::RemoveByIndex(int i) {
    if (i < 0 || i >= Count()) return;
    pairs_.erase(pairs_.begin() + i);
    // Give memory back once most of the block stands empty, so a list that
    // shrank for good does not keep its peak size.
    if (pairs_.empty()) {
        RemoveAll();
    } else if (pairs_.size() * 4 < pairs_.capacity() && pairs_.capacity() > 64) {
        pairs_.shrink_to_fit();
    }
}

void CMyArrayList::RemoveAll() { std::vector<TPair>().swap(pairs_); }

int CMyArrayList::Member(void* element) const {
    return std::any_of(pairs_.begin(), pairs_.end(),
                       [element](const TPair& p) { return p.element == element; })
               ? 1
               : 0;
}

void* CMyArrayList::Index(int i, std::int32_t* sortValue) const {
    if (i < 0 || i >= Count()) return nullptr;
    if (sortValue != nullptr) *sortValue = pairs_[i].sortValue;
    return pairs_[i].element;
}

void* CMyArrayList::ElemBySortValue(std::int32_t value, int* index,
                                    std::int32_t* sortValue) const {
    const int count = Count();
    if (count == 0) return nullptr;
    int chosen = 0;
    if (count == 2) {
        chosen = value > pairs_[0].sortValue ? 1 : 0;
    } else if (count > 2) {
        int lo = 0;
        int hi = count;
        int mid = count / 2;
        while (mid != lo) {
            if (pairs_[mid].sortValue == value) break;
            if (pairs_[mid].sortValue > value) {
                hi = mid;
            } else {
                lo = mid;
            }
            mid = (hi - lo) / 2 + lo;
        }
        // Equal values: the later of two neighbours that both match.
        chosen = (mid + 1 < count && pairs_[mid + 1].sortValue == value) ? mid + 1 : mid;
    }
    if (index != nullptr) *index = chosen;
    if (sortValue != nullptr) *sortValue = pairs_[chosen].sortValue;
    return pairs_[chosen].element;
}

void CMyArrayList::AdjustAllSortValues(std::int32_t delta) {
    for (TPair& p : pairs_) p.sortValue = Limit32(static_cast<double>(p.sortValue) + delta);
}

void CMyArrayList::ScaleAllSortValues(double factor) {
    for (TPair& p : pairs_) p.sortValue = Limit32(p.sortValue * factor);
}
