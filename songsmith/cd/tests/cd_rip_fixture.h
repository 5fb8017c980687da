#pragma once
// The rip's tests over the image drive: what the rip told its page, in
// order and awaited without sleeps, and a drive with the generated disc, the
// folders it rips into and readers of what it left there.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "songsmith/cd/cd_rip.h"
#include "songsmith/cd/cd_rows.h"
#include "songsmith/cd/rip_settings.h"
#include "songsmith/cd/tests/cd_drive_fixture.h"
#include "songsmith/session/tests/wav_data.h"
#include "songvault/records.h"
#include "testsupport/temp_dir.h"

namespace riptest {

using namespace std::chrono_literals;

// What the rip told its page, in order, from the rip thread; tests wait on
// it (no sleeps).
class CRipLog {
public:
    TRipEvents Events() {
        TRipEvents events;
        events.rowChanged = [this](int row, int status, int percent) {
            Add("row " + std::to_string(row) + " " + std::to_string(status) +
                (status == kCdRowRipping ? "" : " " + std::to_string(percent)), row, percent);
        };
        events.rowRipped = [this](int row, const std::string& path) {
            Add("ripped " + std::to_string(row));
            std::lock_guard<std::mutex> hold(lock_);
            paths.push_back(path);
        };
        events.createFailed = [this](const std::string& path, int) { Add("create failed " + path); };
        events.writeFailed = [this](const std::string& path) { Add("write failed " + path); };
        events.deleteLibrarySong = [this](const std::string& path) { Add("delete " + path); };
        events.trackDone = [this](std::unique_ptr<TSVT_Song> song) {
            Add(std::string("song ") + song->path);
            std::lock_guard<std::mutex> hold(lock_);
            songs.push_back(*song);
        };
        events.progress = [this](int percent) {
            std::lock_guard<std::mutex> hold(lock_);
            lastPercent = percent;
        };
        events.finished = [this] { Add("finished"); };
        return events;
    }
    // Waits until a row reports percent >= at least.
    bool WaitForRowPercent(int row, int atLeast) {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, testsupport::kHangLimit,
                                 [&] { return rowPercent_[row] >= atLeast; });
    }
    bool WaitFinished() {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, testsupport::kHangLimit, [&] { return finished_; });
    }
    // The lines without the progress of rows being ripped.
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> hold(lock_);
        return lines_;
    }
    // Forgets everything told so far (the next rip in the same test).
    void Reset() {
        std::lock_guard<std::mutex> hold(lock_);
        lines_.clear();
        rowPercent_.clear();
        finished_ = false;
        songs.clear();
        paths.clear();
        lastPercent = -1;
    }
    std::vector<TSVT_Song> songs;
    std::vector<std::string> paths;
    int lastPercent = -1;

private:
    void Add(const std::string& line, int row = -1, int percent = -1) {
        std::lock_guard<std::mutex> hold(lock_);
        if (row >= 0) {
            rowPercent_[row] = std::max(rowPercent_[row], percent);
            // Progress of a row being ripped is not listed: only the states.
            if (line.find(" 14") != std::string::npos && !lines_.empty() && lines_.back() == line) {
                changed_.notify_all();
                return;
            }
        }
        if (line == "finished") finished_ = true;
        lines_.push_back(line);
        changed_.notify_all();
    }
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::map<int, int> rowPercent_;
    bool finished_ = false;
};

class CdRipTest : public cdtest::CdDriveTest {
protected:
    // The disc in the drive: three short tracks of odd frame counts.
    virtual platter_test::TImageLayout Layout() const { return platter_test::AudioDiscLayout(); }
    void SetUp() override {
        ASSERT_NE(InsertDisc(Layout()), nullptr);
        settings_.ripPath = rips_.Path() + "/";
        settings_.tempFolder = temp_.Path() + "/";
        settings_.format = kRipFormatWav;
        settings_.encodedBy = "Songsmith";
    }
    // The three tracks with titles, artist and album; rows 0-2.
    std::vector<TRipTrack> Tracks(std::vector<std::string> titles = {"One", "Two", "Three"}) const {
        std::vector<TRipTrack> tracks;
        for (int i = 0; i < 3; ++i) {
            TRipTrack track;
            track.row = i;
            track.discTrack = i + 1;
            track.frames = drive_->trackTable[i].lengthFrames;
            std::snprintf(track.info.title, sizeof track.info.title, "%s", titles[static_cast<std::size_t>(i)].c_str());
            std::snprintf(track.info.artist, sizeof track.info.artist, "Test Artist");
            std::snprintf(track.info.album, sizeof track.info.album, "Test Album");
            track.info.trackNumber = i + 1;
            track.info.trackCount = 3;
            track.info.genreIndex = 17;
            track.info.year = 2024;
            std::memcpy(track.info.cdIdentifier, "08000c03", 8);
            track.info.cdIdentifierLength = 8;
            tracks.push_back(track);
        }
        return tracks;
    }
    // Rips to the end; the rip's result.
    TRipResult RipAll(std::vector<TRipTrack> tracks, TRipServices services = {}) {
        CCdRip rip(*drive_, settings_, std::move(tracks), log_.Events(), std::move(services));
        EXPECT_TRUE(rip.Start());
        EXPECT_TRUE(log_.WaitFinished());
        rip.Join();
        return rip.Result();
    }
    // The files in a folder tree, names relative to it.
    static std::vector<std::string> Files(const std::string& folder) {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.is_regular_file()) files.push_back(entry.path().string().substr(folder.size() + 1));
        std::sort(files.begin(), files.end());
        return files;
    }
    static std::string DataChunk(const std::string& path) { return wavtest::WavData(path); }

    testsupport::TempDir rips_;
    testsupport::TempDir temp_;
    TRipSettings settings_;
    CRipLog log_;
};

}  // namespace riptest
