#pragma once
// CSeekMap: where to enter a compressed song to reach a PCM position without
// decoding from its beginning. Pairs (value = byte offset in the source
// stream, sort key = the decoded PCM byte position reached there), kept in
// ascending key order. The decoding objects fill it while they scan a song;
// the initial load keeps it in a ".isk" cache file.
//
// Positions are 64-bit inside: a song of more than about 3.4 hours of CD
// audio decodes past 2^31 bytes. The ".isk" file holds 32-bit fields, so a
// map that needs more is not saved (it is rebuilt by the next scan instead
// of being cached wrongly).
//
// ".isk" layout: no header; 8-byte records, each a 32-bit little-endian value
// followed by a 32-bit little-endian sort key, in ascending key order.
//
// One map is shared by the initial load and the decoding objects made from
// it: it is reference-counted, starting at 1, and destroyed by whoever drops
// the count below 1 (ReleaseSeekMap).

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class CSeekMap {
public:
    CSeekMap() = default;
    CSeekMap(const CSeekMap&) = delete;
    CSeekMap& operator=(const CSeekMap&) = delete;
    ~CSeekMap() = default;

    void AddReference() { references_.fetch_add(1); }
    // Drops one reference without destroying; the new count.
    std::int32_t DropReference() { return references_.fetch_sub(1) - 1; }
    std::int32_t References() const { return references_.load(); }

    // Inserts the pair in key order: before the first pair whose key is >=
    // sortKey, at the end when sortKey is >= the last key.
    void SeekMapAdd(std::int64_t value, std::int64_t sortKey);
    // Adds the pairs of the file at path while its position is below its
    // size. A short read closes it and returns 0, keeping the pairs read
    // before; 0 when it does not open; otherwise 1.
    int SeekMapLoad(const char* path);
    // Writes every pair to path (through a temporary file renamed over it);
    // the path becomes the map's file path. 0, with the path unchanged, when
    // the file cannot be written or a pair does not fit the file's 32-bit
    // fields (TONECORE_ERR_SEEK_MAP_TOO_LARGE).
    int SeekMapSave(const char* path);
    // Removes every pair.
    void SeekMapClear() { pairs_.clear(); }
    // Deletes the file the map was last saved to, if any, and forgets it.
    void SeekMapDeleteFile();
    // The pair at or before sortValue (the first pair for a value below all),
    // moved by delta pairs (negative: back) and clamped to the first and last
    // pair. Its value and index go to the pointers that are non-null; the
    // result is its key. -1 (value 0, index -1) for an empty map.
    std::int64_t SeekMapFind(std::int64_t sortValue, std::int64_t* value, std::int32_t* index,
                             std::int32_t delta) const;
    // The key of the pair at index clamped to the map, so SeekMapKeyAt(count
    // - 1) is the PCM length covered. -1 for an empty map.
    std::int64_t SeekMapKeyAt(std::int32_t index) const;

    std::int32_t Count() const { return static_cast<std::int32_t>(pairs_.size()); }
    const std::string& FilePath() const { return path_; }

private:
    struct TPair {
        std::int64_t value;
        std::int64_t key;
    };

    std::atomic<std::int32_t> references_{1};
    std::vector<TPair> pairs_;
    std::string path_;
};

// Drops the holder's reference and empties *map; the last reference destroys
// the map.
void ReleaseSeekMap(CSeekMap** map);
