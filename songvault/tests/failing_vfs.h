#pragma once
// A database-engine file layer for tests that passes everything to the
// system's own layer, but can be told to fail writes to files below a folder
// after a number of them succeeded, as a disk that fills up would, and
// tells which logs hold writes not yet synced. While an
// object exists it is the engine's default layer, so every connection opened
// meanwhile goes through it.

#include <string>

namespace svtest {

class FailingVfs {
public:
    FailingVfs();
    ~FailingVfs();
    FailingVfs(const FailingVfs&) = delete;
    FailingVfs& operator=(const FailingVfs&) = delete;

    // Files opened from now on whose names start with prefix accept
    // goodWrites writes, then every further write fails as on a full disk.
    void FailWritesUnder(const std::string& prefix, int goodWrites);
    // Watches files opened from now on whose names start with prefix,
    // without failing anything.
    void WatchUnder(const std::string& prefix);
    // Write-ahead logs of watched files holding writes not yet synced to
    // the disk (which a power loss could take back).
    int UnsyncedLogs() const;
    // Lets every write through again.
    void Heal();
    // Writes refused so far.
    int FailedWrites() const;
};

}  // namespace svtest
