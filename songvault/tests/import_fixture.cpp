#include "songvault/tests/import_fixture.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <thread>

#include "songvault/tests/record_fill.h"
#include "testsupport/hang_limit.h"

namespace svtest {

bool FakeProbe::Probe(const char* path, TSongProbeResult& result) {
    const int number = ++probes_;
    {
        std::unique_lock guard(lock_);
        if (number == pauseAt_) {
            paused_ = true;
            pauseChanged_.notify_all();
            pauseChanged_.wait(guard, [this] { return resumed_; });
        }
    }
    if (!meetingPath_.empty() && meetingPath_ == path) {
        ++atMeeting_;
        const auto giveUp = std::chrono::steady_clock::now() + testsupport::kHangLimit;
        while (atMeeting_ < 2 && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
    }
    std::lock_guard guard(lock_);
    if (unreadable_.count(path) != 0) return false;
    const auto found = table_.find(path);
    if (found != table_.end()) {
        result = found->second;
    } else {
        result.lengthMs = kDefaultLengthMs;
    }
    return true;
}

void FakeProbe::PauseAt(int probeNumber) {
    std::lock_guard guard(lock_);
    pauseAt_ = probeNumber;
    paused_ = false;
    resumed_ = false;
}

bool FakeProbe::WaitUntilPaused(std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    return pauseChanged_.wait_for(guard, timeout, [this] { return paused_; });
}

void FakeProbe::Resume() {
    std::lock_guard guard(lock_);
    resumed_ = true;
    pauseChanged_.notify_all();
}

void FakeProbe::Set(const std::string& path, const TSongProbeResult& result) {
    std::lock_guard guard(lock_);
    table_[path] = result;
}

void FakeProbe::SetUnreadable(const std::string& path) {
    std::lock_guard guard(lock_);
    unreadable_[path] = true;
}

bool PostRecorder::Hook(void* target, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                        void (*freePayload)(void*)) {
    EXPECT_EQ(target, Target());
    TPost post{message, wParam, lParam, freePayload, {}, 0, 0, {}};
    if (message == WM_IMPORT_FOUNDSONG) {
        const auto* song = reinterpret_cast<const TSVT_Song*>(lParam);
        post.path = song->path;
        post.title = song->title;
    } else if (message == WM_IMPORT_KNOWNDIR) {
        const auto* info = reinterpret_cast<const TKnownDirInfo*>(wParam);
        post.path = info->path;
        post.value = info->value;
        post.number = info->number;
    } else if (message == WM_IMPORT_CURRENTDIR) {
        post.path = reinterpret_cast<const char*>(wParam);
    }
    std::lock_guard guard(lock_);
    posts_.push_back(post);
    if (refuse_) return false;
    pending_.push_back(post);
    return true;
}

void PostRecorder::ReceiveAll() {
    std::lock_guard guard(lock_);
    for (const TPost& post : pending_) {
        if (post.message == WM_IMPORT_FOUNDSONG) vault_.DeallocBuffer(reinterpret_cast<TSVT_Song*>(post.lParam));
        if (post.message == WM_IMPORT_KNOWNDIR) vault_.DeallocKnownDir(reinterpret_cast<TKnownDirInfo*>(post.wParam));
        if (post.message == WM_IMPORT_CURRENTDIR) vault_.DeallocString(reinterpret_cast<char*>(post.wParam));
    }
    pending_.clear();
}

std::vector<TPost> PostRecorder::Posts(std::uint32_t message) {
    std::lock_guard guard(lock_);
    std::vector<TPost> found;
    for (const TPost& post : posts_)
        if (post.message == message) found.push_back(post);
    return found;
}

std::vector<std::string> PostRecorder::Paths(std::uint32_t message) {
    std::vector<std::string> paths;
    for (const TPost& post : Posts(message)) paths.push_back(post.path);
    return paths;
}

void ImportTest::SetUp() {
    StoreTest::SetUp();
    vault.SetSongProbe(&probe);
    recorder.Install();
}

std::string ImportTest::MakeFile(const std::string& relative) {
    const std::string path = Root() + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    testsupport::WriteWholeFile(path, "not really sound");
    return path;
}

std::string ImportTest::MakeFolder(const std::string& relative) {
    std::filesystem::create_directories(Root() + relative);
    return Root() + relative + "/";
}

std::string ImportTest::MakeSong(const std::string& relative, std::int32_t lengthMs, const std::string& title) {
    const std::string path = MakeFile(relative);
    TSongProbeResult result;
    result.lengthMs = lengthMs;
    result.title = title;
    probe.Set(path, result);
    return path;
}

std::vector<std::string> ImportTest::StoredPaths() {
    std::vector<std::string> paths;
    TSVT_Song song;
    for (std::int32_t pos = vault.GetFirstSong(&song); pos >= 0; pos = vault.GetNextSong(pos, &song))
        paths.emplace_back(song.path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool ImportTest::ImportAll(std::uint32_t flags, std::int32_t depth, const MvList<TMvPath>* skip) {
    return vault.ImportAllFolders(recorder.Target(), flags, Root().c_str(), skip, depth);
}

void FillFolders(MvList<TMvPath>& list, const std::vector<std::string>& paths, std::int32_t depth) {
    for (const std::string& path : paths) {
        TMvPath entry{};
        FillText(entry.path, path);
        entry.depth = depth;
        list.Append(entry);
    }
}

}  // namespace svtest
