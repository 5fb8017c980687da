#pragma once
// One running program per user: the first instance holds an exclusive lock
// on a small file for its whole run; a later start that cannot take the lock
// is a second instance and stops at once. The lock is taken in one atomic
// step (flock), so two instances started together cannot both run, and the
// system drops it when the holder dies, so a killed run never blocks the
// next one. No display is needed for any of this.

#include <string>

// The lock file's name.
inline constexpr const char* kSingleInstanceLockName = "MV_SONGSMITH_MUTEX2001";
// The file a second instance deletes in the per-user cache folder.
inline constexpr const char* kSecondInstanceTempFile = "temp.tmp";

// Where the lock file lives: $SONGSMITH_HOME when set, else
// $XDG_RUNTIME_DIR/songsmith/, else the per-user cache folder. With a
// trailing '/', the folder made when missing; empty when none can be made.
std::string SingleInstanceLockFolder();

class CSingleInstanceLock {
public:
    CSingleInstanceLock() = default;
    // Releases a held lock.
    ~CSingleInstanceLock();
    CSingleInstanceLock(const CSingleInstanceLock&) = delete;
    CSingleInstanceLock& operator=(const CSingleInstanceLock&) = delete;

    // Takes the lock on the file at path without waiting. False when another
    // holder has it. A file that cannot be opened at all does not stop the
    // program: true, holding nothing.
    bool Acquire(const std::string& path);
    // Gives the lock up (nothing when none is held).
    void Release();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// What a second instance does before it returns 1: deletes "temp.tmp" in the
// per-user cache folder when it is there. Shows nothing, tells nobody.
void CleanUpAsSecondInstance();
