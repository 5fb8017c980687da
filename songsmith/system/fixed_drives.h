#pragma once
// The machine's fixed drives and their free space. A fixed drive is a
// mounted local file system on a block device (utilities/drive_roots.h:
// network, user-space, pseudo, memory, optical and removable mounts are not
// fixed), in the order of the mount table, each device once. Its root is
// the mount point when the user can write there, else the first user folder
// (the home folder, then the per-user cache folder) that lies on it; a file
// system without either is no drive for the program's files.
//
// A slow disk must not hold the caller for long: the drives are visited
// only while less than kDriveVisitBudgetMs have passed since the call began.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr std::int64_t kDriveVisitBudgetMs = 20000;

// What the drive functions ask of the system; an empty member means the
// real one. For tests (the mount table itself comes from SetMountTablePath).
struct TFixedDriveProbe {
    // Whether the user can write in folder (a folder, not a file).
    std::function<bool(const std::string& folder)> writable;
    // Free kilobytes (1000 bytes) at folder.
    std::function<double(const std::string& folder)> freeKB;
    // Milliseconds of a steady clock.
    std::function<std::int64_t()> nowMs;
    // The user's folders that can stand for a root, in order of preference.
    std::vector<std::string> userFolders;
};
void SetFixedDriveProbe(TFixedDriveProbe probe);

// The roots of the fixed drives, in order.
std::vector<std::string> ListFixedDriveRoots();

// The free kilobytes of every fixed drive visited, summed.
double GetTotalHardDiskFreeKB();
// The number of fixed drives visited.
int CountFixedDrives();
// The first fixed drive after index afterIndex (-1: every drive) in the
// list's order with more than neededKB free: its index, and its root in root.
// -1 (root untouched) when there is none within the budget.
int FindFixedDriveWithSpace(double neededKB, std::string& root, int afterIndex);
