#pragma once
// CLastDirList: recently used folders, kept in descending order of a number
// (a time stamp in seconds since 1970) with an integer per folder.
//
// Paths compare exactly, case included, as the file system names them.
//
// The record is stored as it stands by the main program, so its layout is
// fixed: 260 bytes of path, then two 32-bit little-endian numbers. The
// number is compared as unsigned, so time stamps stay in order past January
// 2038 (until 2106).

#include <cstddef>
#include <cstdint>

#include "platform/types.h"
#include "utilities/owning_list.h"

struct _lastDirList {
    char path[MAX_PATH];  // terminated
    std::int32_t number;  // the sort key; compared as unsigned
    std::int32_t value;   // an integer the caller keeps with the folder
};
static_assert(sizeof(_lastDirList) == 268, "stored record layout");
static_assert(offsetof(_lastDirList, number) == 260 && offsetof(_lastDirList, value) == 264);

class CLastDirList : public COwningList<_lastDirList> {
public:
    using Clock = std::uint32_t (*)();

    // The value a folder gets when MoveOrAddToTop first lists it.
    static constexpr std::int32_t kNewFolderValue = 1000;

    // Inserts a new record before the first one with a smaller number (after
    // those with an equal number). extra is accepted and not used. 0 when
    // the path is null or does not fit the record (last error
    // UTILITIES_ERR_PATH_TOO_LONG) or memory runs out; else 1.
    int Add(const char* path, std::uint32_t number, int value, int extra);
    // Takes over a caller-allocated record (made with new); with sorted set
    // inserts it by the rule of Add, else appends it. 0 for a null record.
    int AddPtr(_lastDirList* record, int sorted);
    // Updates the number and value of the path's record, or
    // adds one; with resort set the record moves to its place in the order.
    int UpdateOrAdd(const char* path, std::uint32_t number, int value, int resort);
    // A record for the path with the current time at the front, keeping the
    // value of the record it replaces (kNewFolderValue for a new path).
    int MoveOrAddToTop(const char* path);
    // Removes the first record of the path.
    void DeletePath(const char* path);
    _lastDirList* ContainsDir(const char* path);
    // Orders the records by number, highest first; equal numbers keep their
    // order. Returns 1.
    int Sort();
    _lastDirList* Index(int i) const { return Item(i); }

    // Test access: the clock MoveOrAddToTop reads (null: the system's).
    void SetClockForTesting(Clock clock) { clock_ = clock; }

private:
    void InsertSorted(std::unique_ptr<_lastDirList> record);
    Items::iterator Find(const char* path);

    Clock clock_ = nullptr;
};
