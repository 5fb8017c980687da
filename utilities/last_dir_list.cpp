#include "utilities/last_dir_list.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>

#include "platform/last_error.h"
#include "utilities/errors.h"

namespace {

std::uint32_t Key(const _lastDirList& record) { return static_cast<std::uint32_t>(record.number); }

// A zeroed record holding the path, or null (last error set).
std::unique_ptr<_lastDirList> MakeRecord(const char* path, std::uint32_t number, int value) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::size_t len = std::strlen(path);
    if (len >= sizeof(_lastDirList::path)) {
        // A cut path would name another folder; refuse it instead.
        SetLastError(UTILITIES_ERR_PATH_TOO_LONG);
        return nullptr;
    }
    std::unique_ptr<_lastDirList> record(new (std::nothrow) _lastDirList{});
    if (!record) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memcpy(record->path, path, len + 1);
    record->number = static_cast<std::int32_t>(number);
    record->value = value;
    return record;
}

std::uint32_t SystemSeconds() { return static_cast<std::uint32_t>(std::time(nullptr)); }

}  // namespace

void CLastDirList::InsertSorted(std::unique_ptr<_lastDirList> record) {
    const std::uint32_t key = Key(*record);
    const auto before = std::find_if(items_.begin(), items_.end(), [key](const auto& item) { return Key(*item) < key; });
    items_.insert(before, std::move(record));
}

CLastDirList::Items::iterator CLastDirList::Find(const char* path) {
    if (path == nullptr) return items_.end();
    // Linux folder names differ by case: "/Music" and "/music" are two folders.
    return std::find_if(items_.begin(), items_.end(),
                        [path](const auto& item) { return std::strcmp(item->path, path) == 0; });
}

int CLastDirList::Add(const char* path, std::uint32_t number, int value, int extra) {
    (void)extra;
    auto record = MakeRecord(path, number, value);
    if (!record) return 0;
    InsertSorted(std::move(record));
    return 1;
}

int CLastDirList::AddPtr(_lastDirList* record, int sorted) {
    if (record == nullptr) return 0;
    std::unique_ptr<_lastDirList> owned(record);
    owned->path[sizeof(owned->path) - 1] = '\0';  // never read past the field
    if (sorted && !items_.empty()) {
        InsertSorted(std::move(owned));
    } else {
        items_.push_back(std::move(owned));
    }
    return 1;
}

int CLastDirList::UpdateOrAdd(const char* path, std::uint32_t number, int value, int resort) {
    const auto it = Find(path);
    if (it == items_.end()) return Add(path, number, value, resort);
    (*it)->number = static_cast<std::int32_t>(number);
    (*it)->value = value;
    if (resort) {
        auto record = std::move(*it);
        items_.erase(it);
        InsertSorted(std::move(record));
    }
    return 1;
}

int CLastDirList::MoveOrAddToTop(const char* path) {
    const auto old = Find(path);
    const int value = old != items_.end() ? (*old)->value : kNewFolderValue;
    auto record = MakeRecord(path, clock_ != nullptr ? clock_() : SystemSeconds(), value);
    if (!record) return 0;
    if (old != items_.end()) items_.erase(old);
    items_.push_front(std::move(record));
    return 1;
}

void CLastDirList::DeletePath(const char* path) {
    const auto it = Find(path);
    if (it != items_.end()) items_.erase(it);
}

_lastDirList* CLastDirList::ContainsDir(const char* path) {
    const auto it = Find(path);
    return it != items_.end() ? it->get() : nullptr;
}

int CLastDirList::Sort() {
    // list::sort is stable, as inserting each record by the rule of Add is.
    items_.sort([](const auto& a, const auto& b) { return Key(*a) > Key(*b); });
    return 1;
}
