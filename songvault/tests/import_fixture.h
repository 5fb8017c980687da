#pragma once
// Helpers of the import tests: a table-driven song probe, a hook that
// records what the import posts, and a store with a scratch folder tree.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "songvault/import_types.h"
#include "songvault/song_probe.h"
#include "songvault/tests/store_fixture.h"

namespace svtest {

// Answers from a table by path; a file missing from the table is a song of
// kDefaultLengthMs without tags. Paths listed as unreadable answer false.
class FakeProbe : public ISongProbe {
public:
    static constexpr std::int32_t kDefaultLengthMs = 180000;

    bool Probe(const char* path, TSongProbeResult& result) override;

    void Set(const std::string& path, const TSongProbeResult& result);
    void SetUnreadable(const std::string& path);
    // Probes of this path wait until two callers are inside at once, so two
    // imports of one file both pass the probe before either stores it.
    void SetMeetingPoint(const std::string& path) { meetingPath_ = path; }
    int ProbeCount() const { return probes_; }
    // The probe with this number (counted from 1) tells WaitUntilPaused that
    // it began and then waits for Resume, so a test knows where a walk on
    // another thread is without guessing from the clock.
    void PauseAt(int probeNumber);
    // True once the paused probe has begun; false after timeout (the walk
    // never got there).
    bool WaitUntilPaused(std::chrono::milliseconds timeout);
    void Resume();

private:
    std::mutex lock_;
    std::map<std::string, TSongProbeResult> table_;
    std::map<std::string, bool> unreadable_;
    std::atomic<int> probes_{0};
    std::string meetingPath_;
    std::condition_variable pauseChanged_;
    int pauseAt_ = 0;
    bool paused_ = false;
    bool resumed_ = false;
    std::atomic<int> atMeeting_{0};
};

// One post as the hook saw it.
struct TPost {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    void (*freePayload)(void*);
    // A copy of what the record held when it was posted.
    std::string path;       // song path, known folder or current folder
    std::int32_t value = 0;   // known folder: songs found
    std::int32_t number = 0;  // known folder: sort number
    std::string title;      // found song
};

// Records every post. Accepted payloads are freed by the receiver's own
// calls when the recorder goes away (or by ReceiveAll); refused ones are the
// library's to free.
class PostRecorder {
public:
    explicit PostRecorder(SVTENG_CSongvault& vault) : vault_(vault) {}
    ~PostRecorder() { ReceiveAll(); }

    bool Hook(void* target, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
              void (*freePayload)(void*));
    void Install() {
        vault_.SetPostHook([this](void* target, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                                  void (*freePayload)(void*)) { return Hook(target, message, wParam, lParam, freePayload); });
    }

    void Refuse(bool refuse) { refuse_ = refuse; }
    // Frees every accepted payload as the Library tab does.
    void ReceiveAll();
    // Forgets the accepted payloads (freed by the test itself).
    void Forget() {
        std::lock_guard guard(lock_);
        pending_.clear();
    }

    std::vector<TPost> Posts(std::uint32_t message);
    // Paths of the posts of one message, in order.
    std::vector<std::string> Paths(std::uint32_t message);
    void* Target() { return &targetWindow_; }

private:
    SVTENG_CSongvault& vault_;
    std::mutex lock_;
    std::vector<TPost> posts_;
    std::vector<TPost> pending_;  // accepted, not yet freed
    bool refuse_ = false;
    int targetWindow_ = 0;
};

// A store with a probe and a recorder installed and a folder tree to import.
class ImportTest : public StoreTest {
protected:
    void SetUp() override;

    // Makes a file (and its folders) below the tree; returns its path.
    std::string MakeFile(const std::string& relative);
    // Makes a folder below the tree; returns its path with a trailing '/'.
    std::string MakeFolder(const std::string& relative);
    // A song of that length and title in the probe's table.
    std::string MakeSong(const std::string& relative, std::int32_t lengthMs, const std::string& title = "");
    // The stored paths, sorted.
    std::vector<std::string> StoredPaths();
    bool ImportAll(std::uint32_t flags, std::int32_t depth = SVT_IMPORT_ANY_DEPTH,
                   const MvList<TMvPath>* skip = nullptr);

    std::string Root() const { return tree.Path() + "/"; }

    testsupport::TempDir tree;
    FakeProbe probe;
    PostRecorder recorder{vault};
};

// A folder list of the given paths (depth as given).
void FillFolders(MvList<TMvPath>& list, const std::vector<std::string>& paths, std::int32_t depth = 0);

}  // namespace svtest
