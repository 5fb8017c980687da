#pragma once
// A session list over a real track list, undo history and keyed texts, with
// a pane, a player and song actions that write down what they are told as
// lines of text, the toolbar and the session list's own window as recording
// receivers, and the UI services scripted.

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/user_folders.h"
#include "songsmith/burner/tests/fixed_burn_status.h"
#include "songsmith/session/tests/hand_made_track.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/burn/burn_status.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/session_list_view.h"
#include "songsmith/player/session_player.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/temp_dir.h"
#include "utilities/keyed_text.h"
#include "utilities/undo_manager.h"

namespace sessiontest {

using songfakes::Line;
using songfakes::Lines;

class CRecordingView : public ISessionListView {
public:
    bool InsertRow(int row, int serial) override {
        calls.push_back(Line("insert %d %d", row, serial));
        return !refuseRows;
    }
    void DeleteRow(int row) override { calls.push_back(Line("delete %d", row)); }
    void DeleteAllRows() override { calls.push_back("delete all"); }
    void MoveRow(int from, int to) override { calls.push_back(Line("move %d %d", from, to)); }
    void RedrawRows(int first, int last) override { calls.push_back(Line("redraw %d %d", first, last)); }
    void EnsureVisible(int row) override { calls.push_back(Line("visible %d", row)); }
    void ShowSelected(int row, bool selected) override {
        calls.push_back(Line("selected %d %d", row, selected ? 1 : 0));
    }
    void ShowFocus(int row) override { calls.push_back(Line("focus %d", row)); }
    void ShowButtons(bool enabled) override { calls.push_back(Line("buttons %d", enabled ? 1 : 0)); }
    void ShowTotals(const std::string& text, bool) override { totals = text; }
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    void ShowWaitCursor(bool) override {}
    int RunAddSongsDialog(bool libraryWording) override {
        calls.push_back(Line("add dialog %d", libraryWording ? 1 : 0));
        int ticks = 0;
        while (list->AddListTick()) {
            progress.push_back(list->AddListProgressText());
            if (++ticks == stopAfterTicks) list->StopAddList();
        }
        progress.push_back(list->AddListProgressText());
        return list->FinishAddList();
    }

    // The lines that name one kind of call ("insert", "move", ...).
    Lines Only(const std::string& kind) const {
        Lines lines;
        for (const std::string& call : calls)
            if (call.rfind(kind + " ", 0) == 0) lines.push_back(call);
        return lines;
    }

    CSessionList* list = nullptr;
    bool refuseRows = false;
    int stopAfterTicks = -1;
    Lines calls;
    Lines progress;
    std::string totals;
    std::string clipboard;
};

class CFakePlayer : public ISessionPlayer {
public:
    bool IsPlayingFile(const char* path) override { return playingPath == path; }
    std::uint16_t CurrentSoundId() override { return soundId; }
    bool SongPathById(std::uint32_t id, std::string& path) override {
        if ((id & 0xFFFF) != soundId) return false;
        path = playingPath;
        return true;
    }
    void SetSoundSerial(std::uint32_t id, int serial) override {
        calls.push_back(Line("sound serial %u %d", id, serial));
    }
    void RefreshGain() override { calls.push_back("refresh gain"); }

    std::string playingPath;
    std::uint16_t soundId = 7;
    Lines calls;
};

class SessionListTest : public ::testing::Test {
protected:
    SessionListTest() {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        poster_.known[201] = "toolbar";
        poster_.known[202] = "session";
        SetAppWindowReceiver(EAppWindow::kToolbar, 201);
        SetAppWindowReceiver(EAppWindow::kSessionList, 202);
        SetAppMessagePoster(&poster_);
        MakeList();
    }
    // The session list over the fixture's partners, with a song library and
    // a session file loader when given.
    void MakeList(SVTENG_CSongvault* library = nullptr, std::function<bool(const char*)> loadSession = nullptr) {
        list_.reset();
        list_ = std::make_unique<CSessionList>(TSessionListPartners{
            tracks_, prefs_, undo_, &burn_, &player_, library,
            [this](const char* path) { libraryTabPaths_.push_back(path); },
            [this](int type, int action, int serial, unsigned lParam, CSongEntry* song) {
                songActions_.push_back(Line("%d %d %d %u %s", type, action, serial, lParam, song->path));
                return songActionsSucceed_;
            },
            [this] { return randomValues_.empty() ? 0u : randomValues_[randomNext_++ % randomValues_.size()]; },
            [] { return 1u; }, std::move(loadSession)});
        view_.list = list_.get();
        list_->SetView(&view_);
    }
    ~SessionListTest() override {
        list_.reset();
        SetAppMessagePoster(nullptr);
        SetAppWindowReceiver(EAppWindow::kToolbar, kNoReceiver);
        SetAppWindowReceiver(EAppWindow::kSessionList, kNoReceiver);
    }

    // A track of lengthMs added by hand (no file) with its row, as the
    // session list adds a song; its serial.
    int AddTrack(const std::string& name, std::int32_t lengthMs = 60000, int state = kTrackReady) {
        return AddHandMadeTrack(tracks_, name, lengthMs, state);
    }
    // Rows for every track, then the pane's and the actions' lines cleared.
    void ShowRows() {
        list_->RebuildRows();
        view_.calls.clear();
        songActions_.clear();
    }

    // The display names in session order, one text.
    std::string Names() {
        std::string names;
        for (int i = 0; i < tracks_.GetCount(); ++i)
            names += std::string(names.empty() ? "" : " ") + tracks_.GetAt(i)->GetMusicInfo().displayText;
        return names;
    }
    // The rows agree with the tracks.
    void ExpectRowsMatchTracks() {
        ASSERT_EQ(list_->RowCount(), tracks_.GetCount());
        for (int i = 0; i < tracks_.GetCount(); ++i)
            EXPECT_EQ(list_->RowSerial(i), tracks_.GetAt(i)->GetSerial()) << "row " << i;
    }
    std::vector<int> Selected() {
        std::vector<int> serials;
        for (int i = 0; i < tracks_.GetCount(); ++i)
            if (tracks_.GetAt(i)->IsSelected()) serials.push_back(tracks_.GetAt(i)->GetSerial());
        return serials;
    }
    Lines ToolbarPosts() {
        Lines posts;
        for (const std::string& post : poster_.Posts())
            if (post.rfind("toolbar", 0) == 0) posts.push_back(post);
        return posts;
    }

    testsupport::TempDir temp_;
    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    CUndoMgr undo_;
    CFixedBurnStatus burn_;
    CFakePlayer player_;
    CRecordingView view_;
    songfakes::CRecordingPoster poster_;
    testsupport::CFakeUiServices ui_;
    Lines songActions_;
    bool songActionsSucceed_ = true;
    Lines libraryTabPaths_;
    std::vector<std::uint32_t> randomValues_;
    std::size_t randomNext_ = 0;
    std::unique_ptr<CSessionList> list_;
};

}  // namespace sessiontest
