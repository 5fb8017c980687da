// The session's edits as undo steps: each edit undone and redone through the
// one undo history leaves the tracks, their serials, their rows and the
// selection as the step promised.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "songsmith/session/tests/session_list_fixture.h"
#include "songsmith/session/session_columns.h"

namespace sessiontest {
namespace {

class SessionUndoTest : public SessionListTest {};

TEST_F(SessionUndoTest, APasteOfThreeIsUndoneWithTheFocusBackAndRedoneWithNothingSelected) {
    const int a = AddTrack("a");
    const int b = AddTrack("b");
    const int c = AddTrack("c");
    AddTrack("d");
    ShowRows();
    list_->SelectTrack(a);
    list_->MarkTrackSelected(b);
    list_->MarkTrackSelected(c);
    ASSERT_TRUE(list_->CopySelected());
    EXPECT_EQ(view_.clipboard, "1. a\t01:00\t\n2. b\t01:00\t\n3. c\t01:00\t");
    list_->SelectAll(false);
    list_->SelectTrack(b);

    list_->Paste();
    EXPECT_EQ(Names(), "a b c d a b c");
    ExpectRowsMatchTracks();
    const std::vector<int> pasted = {list_->RowSerial(4), list_->RowSerial(5), list_->RowSerial(6)};
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(list_->FocusedSerial(), b);
    EXPECT_TRUE(tracks_.IsDirty());

    undo_.Undo();
    EXPECT_EQ(Names(), "a b c d");
    ExpectRowsMatchTracks();
    EXPECT_EQ(list_->FocusedSerial(), b);
    EXPECT_EQ(Selected(), std::vector<int>{b});

    undo_.Redo();
    EXPECT_EQ(Names(), "a b c d a b c");
    ExpectRowsMatchTracks();
    EXPECT_EQ((std::vector<int>{list_->RowSerial(4), list_->RowSerial(5), list_->RowSerial(6)}), pasted);
    EXPECT_TRUE(Selected().empty());
}

TEST_F(SessionUndoTest, UndoingAnAddTellsThePagesTheSongLeftAndRedoThatItCameBack) {
    const int a = AddTrack("a");
    ShowRows();
    list_->SelectTrack(a);
    ASSERT_TRUE(list_->CopySelected());
    list_->Paste();
    ASSERT_EQ(Names(), "a a");
    const int pasted = list_->RowSerial(1);
    const std::string path = tracks_.GetAt(1)->GetPath();
    songActions_.clear();

    // The pages (Find, Library, CD) follow the session's songs by these.
    undo_.Undo();
    EXPECT_EQ(songActions_, Lines{Line("4 2 %d 0 %s", pasted, path.c_str())});
    songActions_.clear();
    undo_.Redo();
    EXPECT_EQ(songActions_, Lines{Line("4 1 %d 0 %s", pasted, path.c_str())});
}

TEST_F(SessionUndoTest, UndoOfADeletionRestoresSerialTrimsAndVolume) {
    AddTrack("a");
    const int b = AddTrack("b", 90000);
    AddTrack("c");
    const int d = AddTrack("d");
    CCDTrack& track = *tracks_.GetAt(1);
    track.SetUserTrims(1500, 80000);
    track.SetVolume(0.25);
    ShowRows();
    list_->SelectTrack(b);
    list_->MarkTrackSelected(d);
    tracks_.SetDirty(false);

    list_->DeleteSelected();
    EXPECT_EQ(Names(), "a c");
    ExpectRowsMatchTracks();
    EXPECT_EQ(Selected(), std::vector<int>{tracks_.GetAt(1)->GetSerial()}) << "the track at the first deleted place";
    EXPECT_EQ(songActions_, (Lines{"4 2 " + std::to_string(d) + " 0 /music/d.mp3",
                                   "4 2 " + std::to_string(b) + " 0 /music/b.mp3"}));
    EXPECT_TRUE(tracks_.IsDirty());

    undo_.Undo();
    EXPECT_EQ(Names(), "a b c d");
    ExpectRowsMatchTracks();
    const CCDTrack& back = *tracks_.GetAt(1);
    EXPECT_EQ(back.GetSerial(), b);
    EXPECT_EQ(back.GetUserTrimStart(), 1500);
    EXPECT_EQ(back.GetUserTrimEnd(), 80000);
    EXPECT_DOUBLE_EQ(back.GetVolume(), 0.25);
    EXPECT_EQ(tracks_.GetAt(3)->GetSerial(), d);
    EXPECT_EQ(list_->FocusedSerial(), b);

    // A later atom that names the serial finds the track again.
    undo_.Redo();
    EXPECT_EQ(Names(), "a c");
    EXPECT_TRUE(Selected().empty());
    undo_.Undo();
    EXPECT_EQ(tracks_.GetAt(1)->GetSerial(), b);
}

TEST_F(SessionUndoTest, SortingTwiceReversesAndEachSortIsOneStep) {
    for (const char* name : {"Cherry", "apple", "banana", "Date"}) AddTrack(name);
    ShowRows();

    list_->SortByColumn(kColumnTitle, true);
    EXPECT_EQ(Names(), "apple banana Cherry Date");
    ExpectRowsMatchTracks();
    list_->SortByColumn(kColumnTitle, true);
    EXPECT_EQ(Names(), "Date Cherry banana apple");
    EXPECT_TRUE(list_->SortDescending());

    undo_.Undo();
    EXPECT_EQ(Names(), "apple banana Cherry Date");
    undo_.Undo();
    EXPECT_EQ(Names(), "Cherry apple banana Date");
    ExpectRowsMatchTracks();
    EXPECT_EQ(undo_.CanUndo(), 0);
    undo_.Redo();
    EXPECT_EQ(Names(), "apple banana Cherry Date");

    // Another column starts ascending again; the number and link columns
    // do not sort.
    list_->SortByColumn(kColumnLink, true);
    list_->SortByColumn(kColumnNumber, true);
    EXPECT_EQ(list_->SortColumn(), kColumnTitle);
}

TEST_F(SessionUndoTest, SortsByTheShownText) {
    const struct {
        const char* path;
        std::int32_t lengthMs;
    } kTracks[] = {{"/m/z.wma", 3000}, {"/m/y.wav", 1000}, {"/m/x.mp3", 2000}, {"/m/w.m3u", 4000}};
    for (const auto& t : kTracks) {
        TONECORE_CMusicInfo info;
        std::snprintf(info.path, sizeof info.path, "%s", t.path);
        std::snprintf(info.displayText, sizeof info.displayText, "%s", t.path + 3);
        info.lengthMs = t.lengthMs;
        info.flags[2] = true;
        CCDTrack& track = *tracks_.GetAt(tracks_.InsertMusicInfo(info, INT_MAX));
        track.SetUserTrims(0, t.lengthMs);
        track.SetAutoTrims(0, t.lengthMs);
        track.SetState(kTrackReady);
    }
    ShowRows();
    // "WMAType" sorts as the text it shows, among the others.
    list_->SortByColumn(kColumnType, true);
    EXPECT_EQ(Names(), "x.mp3 w.m3u y.wav z.wma");
    list_->SortByColumn(kColumnLength, true);
    EXPECT_EQ(Names(), "y.wav x.mp3 z.wma w.m3u");
}

TEST_F(SessionUndoTest, AShuffleIsAPermutationAndUndoneAsOneStep) {
    for (const char* name : {"a", "b", "c", "d", "e"}) AddTrack(name);
    ShowRows();
    // Draws 3, 3 (taken: the first free slot, 0), 1, 4, 0 (taken: 2).
    randomValues_ = {3, 3, 1, 4, 0};
    list_->Shuffle();
    EXPECT_EQ(Names(), "b c e a d");
    ExpectRowsMatchTracks();
    undo_.Undo();
    EXPECT_EQ(Names(), "a b c d e");
    ExpectRowsMatchTracks();
    undo_.Redo();
    EXPECT_EQ(Names(), "b c e a d");
}

TEST_F(SessionUndoTest, ADropDownwardsLandsAboveTheTargetRow) {
    for (const char* name : {"a", "b", "c", "d", "e"}) AddTrack(name);
    ShowRows();
    const int b = list_->RowSerial(1);
    list_->MarkTrackSelected(list_->RowSerial(3));
    list_->BeginDrag(1);
    EXPECT_EQ(Selected(), std::vector<int>{b}) << "the dragged row alone is selected";
    list_->DropDrag(4);
    EXPECT_EQ(Names(), "a c d b e");
    ExpectRowsMatchTracks();
    EXPECT_EQ(Selected(), std::vector<int>{b});

    undo_.Undo();
    EXPECT_EQ(Names(), "a b c d e");
    EXPECT_EQ(list_->FocusedSerial(), b);
    undo_.Redo();
    EXPECT_EQ(Names(), "a c d b e");
    EXPECT_TRUE(Selected().empty());

    // Past the last row; upwards the target row itself.
    list_->BeginDrag(0);
    list_->DropDrag(5);
    EXPECT_EQ(Names(), "c d b e a");
    list_->BeginDrag(3);
    list_->DropDrag(0);
    EXPECT_EQ(Names(), "e c d b a");
}

TEST_F(SessionUndoTest, MovesUpAndDownKeepBlockedTracks) {
    const struct {
        std::vector<int> selected;
        bool up;
        const char* expected;
    } kCases[] = {
        {{0, 1, 3}, true, "a b d c e"},
        {{1, 2}, true, "b c a d e"},
        {{4, 3, 1}, false, "a c b d e"},
        {{0, 4}, false, "b a c d e"},
        {{2}, false, "a b d c e"},
    };
    for (const auto& c : kCases) {
        tracks_.Clear(false);
        for (const char* name : {"a", "b", "c", "d", "e"}) AddTrack(name);
        ShowRows();
        for (const int row : c.selected) list_->MarkTrackSelected(list_->RowSerial(row));
        list_->OnButton(c.up ? CSessionList::kMoveUpButton : CSessionList::kMoveDownButton);
        EXPECT_EQ(Names(), c.expected);
        ExpectRowsMatchTracks();
        undo_.Undo();
        EXPECT_EQ(Names(), "a b c d e");
    }
}

TEST_F(SessionUndoTest, TheButtonsDoNothingWhileABurnStepRuns) {
    for (const char* name : {"a", "b", "c"}) AddTrack(name);
    ShowRows();
    list_->MarkTrackSelected(list_->RowSerial(1));
    for (const int state : {5, 7, 9}) {
        burn_.state = state;
        for (const int button :
             {CSessionList::kMoveUpButton, CSessionList::kMoveDownButton, CSessionList::kDeleteButton})
            list_->OnButton(button);
        EXPECT_EQ(Names(), "a b c") << state;
    }
    burn_.state = 10;
    list_->OnButton(CSessionList::kDeleteButton);
    EXPECT_EQ(Names(), "a c");
}

TEST_F(SessionUndoTest, AVolumeChangeIsUndoneAndTheGainRefreshed) {
    const int a = AddTrack("a");
    ShowRows();
    list_->SetTrackVolume(a, 1.5);
    undo_.NextUndoSet();
    CTrackVolumeAtom atom(*list_, a, 1.0, 1.5);
    undo_.AddUndoNode(atom);
    player_.calls.clear();
    tracks_.SetDirty(false);

    undo_.Undo();
    EXPECT_DOUBLE_EQ(tracks_.GetAt(0)->GetVolume(), 1.0);
    EXPECT_TRUE(tracks_.IsDirty());
    EXPECT_EQ(player_.calls, Lines{"refresh gain"});
    undo_.Redo();
    EXPECT_DOUBLE_EQ(tracks_.GetAt(0)->GetVolume(), 1.5);

    // An atom whose track has gone does nothing.
    list_->RemoveTrackBySerial(a);
    undo_.Undo();
    EXPECT_EQ(tracks_.GetCount(), 0);
}

}  // namespace
}  // namespace sessiontest

namespace sessiontest {
namespace {

// Whatever changes the session makes the last conversion outdated, so the
// next burn converts again; looking at it (selecting) does not.
TEST_F(SessionUndoTest, EveryEditOfTheSessionMarksTheConversionOutdated) {
    const int a = AddTrack("a");
    const int b = AddTrack("b");
    AddTrack("c");
    ShowRows();
    const struct {
        const char* edit;
        std::function<void()> apply;
        bool outdated;
    } cases[] = {
        {"selection only", [&] { list_->SelectTrack(b); }, false},
        {"paste",
         [&] {
             list_->SelectTrack(a);
             ASSERT_TRUE(list_->CopySelected());
             list_->Paste();
         },
         true},
        {"undo", [&] { undo_.Undo(); }, true},
        {"redo", [&] { undo_.Redo(); }, true},
        {"move up",
         [&] {
             list_->SelectTrack(b);
             list_->MoveSelectedUp();
         },
         true},
        {"move down",
         [&] {
             list_->SelectTrack(b);
             list_->MoveSelectedDown();
         },
         true},
        {"sort", [&] { list_->SortByColumn(kColumnTitle, true); }, true},
        {"shuffle", [&] { list_->Shuffle(); }, true},
        {"volume", [&] { list_->SetTrackVolume(a, 0.5); }, true},
        {"delete",
         [&] {
             list_->SelectTrack(b);
             list_->DeleteSelected();
         },
         true},
        {"a new session", [&] { list_->RemoveAll(false); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit);
        list_->SetChangedSinceConversion(false);
        ASSERT_FALSE(list_->ChangedSinceConversion());
        c.apply();
        EXPECT_EQ(list_->ChangedSinceConversion(), c.outdated);
    }
    // The flag raised by the settings stays raised until a conversion.
    list_->SetChangedSinceConversion(true);
    EXPECT_TRUE(list_->ChangedSinceConversion());
}

}  // namespace
}  // namespace sessiontest
