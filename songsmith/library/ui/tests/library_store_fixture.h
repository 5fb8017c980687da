#pragma once
// A main window whose Library page reads a song store in a temporary folder
// (LibraryStoreFixture), and the same with an undo history, a recording
// session and fake message boxes behind the page, for the tests that edit
// through it (LibraryPageFixture).

#include <gtest/gtest.h>

#include <QTreeWidget>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "songsmith/app/app_windows.h"
#include "songsmith/library/library_links.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/library_tab.h"
#include "songvault/songvault.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/temp_dir.h"
#include "utilities/undo_manager.h"
#include "songsmith/app/ui/tests/main_window_fixture.h"

class LibraryStoreFixture : public MainWindowFixture {
protected:
    // Points the library path at folder_, opens the store there and hands
    // it to the Library page with the partners AddPartners fills in.
    void SetUp() override {
        MainWindowFixture::SetUp();
        std::strncpy(prefs_->LibraryPath, folder_.Path().c_str(), sizeof prefs_->LibraryPath - 1);
        ASSERT_TRUE(store_.Initialize(&description_, folder_.Path().c_str()));
        TLibraryPartners partners;
        partners.store = &store_;
        AddPartners(partners);
        SetLibraryPartners(partners);
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        SetLibraryPartners({});
    }
    // The page's partners besides the store.
    virtual void AddPartners(TLibraryPartners& /*partners*/) {}

    testsupport::TempDir folder_;
    SGSMarovelle description_;
    SVTENG_CSongvault store_;
};

class LibraryPageFixture : public LibraryStoreFixture {
protected:
    void SetUp() override {
        LibraryStoreFixture::SetUp();
        SetSongActionPartners(&session_);
    }
    void TearDown() override {
        LibraryStoreFixture::TearDown();
        SetSongActionPartners(nullptr);
    }
    void AddPartners(TLibraryPartners& partners) override { partners.undo = &undo_; }

public:
    // Public: the tests' tables of cases call them.
    CLibraryTab* Page() const { return main_->TabPane()->GetLibraryTab(); }
    QTreeWidget* Tree() const { return Page()->Window()->findChild<QTreeWidget*>(QString::number(kLibTreeId)); }
    CLibNode* Artist(const char* name) { return Page()->Nodes().FindOrAddArtist(nullptr, name, false); }
    CLibNode* Album(const char* name, const char* artist) {
        return Page()->Nodes().FindOrAddAlbum(nullptr, name, Artist(artist), false);
    }
    CLibNode* Genre(int number) { return Page()->Nodes().FindOrAddGenre(nullptr, number, false); }
    // The store's record of song id.
    TSVT_Song Stored(std::int32_t id) {
        TSVT_Song song{};
        EXPECT_TRUE(store_.GetSong(id, &song)) << id;
        return song;
    }
    // A folder makes its children's rows when it is first opened: this
    // opens one that was not yet, as a user would, and closes it again.
    void OpenOnce(QTreeWidgetItem* item) const {
        if (item->childCount() != 0 || item->childIndicatorPolicy() != QTreeWidgetItem::ShowIndicator) return;
        Tree()->expandItem(item);
        Tree()->collapseItem(item);
    }
    // Calls visit(row, depth) for every row of the tree, depth first, each
    // folder opened once so that its rows are made.
    void WalkRows(const std::function<void(QTreeWidgetItem*, int)>& visit) const {
        std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
            visit(item, depth);
            OpenOnce(item);
            for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), depth + 1);
        };
        for (int i = 0; i < Tree()->topLevelItemCount(); ++i) walk(Tree()->topLevelItem(i), 0);
    }
    // Every row of the tree as "depth text", depth first (the rows each
    // folder shows when opened).
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        WalkRows([&](QTreeWidgetItem* item, int depth) {
            rows.push_back(std::to_string(depth) + " " + item->text(0).toStdString());
        });
        return rows;
    }
    // The rows that read text.
    std::vector<QTreeWidgetItem*> RowsReading(const std::string& text) const {
        std::vector<QTreeWidgetItem*> found;
        WalkRows([&](QTreeWidgetItem* item, int) {
            if (item->text(0).toStdString() == text) found.push_back(item);
        });
        return found;
    }

protected:
    CUndoMgr undo_;
    songfakes::CRecordingPartners session_;
    testsupport::CFakeUiServices ui_;
};
