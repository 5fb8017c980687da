#include "tonecore/peaks/seek_map.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "filekit/file_obj.h"
#include "platform/last_error.h"
#include "tonecore/engine/byte_fields.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/sibling_temp_file.h"

namespace {

constexpr std::size_t kRecordBytes = 8;

bool FitsFileField(std::int64_t v) {
    return v >= 0 && v <= std::int64_t(UINT32_MAX);
}

}  // namespace

void ReleaseSeekMap(CSeekMap** map) {
    if (map == nullptr || *map == nullptr) return;
    if ((*map)->DropReference() < 1) delete *map;
    *map = nullptr;
}

void CSeekMap::SeekMapAdd(std::int64_t value, std::int64_t sortKey) {
    // Scans add pairs in rising key order: the end is the usual place.
    if (pairs_.empty() || sortKey >= pairs_.back().key) {
        pairs_.push_back({value, sortKey});
        return;
    }
    auto at = std::lower_bound(pairs_.begin(), pairs_.end(), sortKey,
                               [](const TPair& p, std::int64_t key) { return p.key < key; });
    pairs_.insert(at, {value, sortKey});
}

int CSeekMap::SeekMapLoad(const char* path) {
    CFileObj file;
    if (path == nullptr || !file.Open(path, 0, 0)) return 0;
    std::uint8_t record[kRecordBytes];
    std::uint32_t previousKey = 0;
    while (file.Tell() < file.Size()) {
        if (file.Read(record, kRecordBytes) != std::int64_t(kRecordBytes)) {
            SetLastError(ERROR_INVALID_DATA);
            return 0;
        }
        bytefields::CByteReader in(record);
        const std::uint32_t value = in.Le32();
        const std::uint32_t key = in.Le32();
        // Maps are saved in rising key order. A key below the one before is
        // damage, and taking it would cost a sorted insert per record.
        if (key < previousKey) {
            SetLastError(ERROR_INVALID_DATA);
            return 0;
        }
        previousKey = key;
        pairs_.push_back({value, key});
    }
    return 1;
}

int CSeekMap::SeekMapSave(const char* path) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (const TPair& p : pairs_) {
        if (!FitsFileField(p.value) || !FitsFileField(p.key)) {
            SetLastError(TONECORE_ERR_SEEK_MAP_TOO_LARGE);
            return 0;
        }
    }
    bytefields::CByteWriter out;
    out.Reserve(pairs_.size() * kRecordBytes);
    for (const TPair& p : pairs_) {
        out.Le32(static_cast<std::uint32_t>(p.value));
        out.Le32(static_cast<std::uint32_t>(p.key));
    }
    // Written beside its final name under a name of its own (two threads may
    // save the same map at once) and renamed when whole, so a reader never
    // meets a map cut short.
    const std::string temp = CreateSiblingTempFile(path);
    if (temp.empty()) return 0;
    CFileObj file;
    if (!file.Create(temp.c_str())) {
        RemoveTempFile(temp);
        return 0;
    }
    const auto bytes = static_cast<std::int64_t>(out.Data().size());
    const bool written = bytes == 0 || file.Write(out.Data().data(), bytes) == bytes;
    file.Close();
    if (!written) {
        RemoveTempFile(temp);
        return 0;
    }
    if (!MoveTempIntoPlace(temp, path)) return 0;
    path_ = path;
    return 1;
}

void CSeekMap::SeekMapDeleteFile() {
    if (!path_.empty()) unlink(path_.c_str());
    path_.clear();
}

std::int64_t CSeekMap::SeekMapFind(std::int64_t sortValue, std::int64_t* value, std::int32_t* index,
                                   std::int32_t delta) const {
    if (pairs_.empty()) {
        if (value != nullptr) *value = 0;
        if (index != nullptr) *index = -1;
        return -1;
    }
    // The last pair whose key is at or before the value: decoding from there
    // reaches it. A value below every key takes the first pair.
    auto after = std::upper_bound(pairs_.begin(), pairs_.end(), sortValue,
                                  [](std::int64_t v, const TPair& p) { return v < p.key; });
    const std::int64_t found = after == pairs_.begin() ? 0 : (after - pairs_.begin()) - 1;
    const std::int64_t last = std::int64_t(pairs_.size()) - 1;
    const std::int64_t at = std::clamp(found + delta, std::int64_t(0), last);
    if (value != nullptr) *value = pairs_[static_cast<std::size_t>(at)].value;
    if (index != nullptr) *index = static_cast<std::int32_t>(at);
    return pairs_[static_cast<std::size_t>(at)].key;
}

std::int64_t CSeekMap::SeekMapKeyAt(std::int32_t index) const {
    if (pairs_.empty()) return -1;
    const std::int64_t at = std::clamp<std::int64_t>(index, 0, std::int64_t(pairs_.size()) - 1);
    return pairs_[static_cast<std::size_t>(at)].key;
}
