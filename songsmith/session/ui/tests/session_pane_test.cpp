// The session pane over a session list of hand-made tracks: the rows'
// colours by load state, the totals line, the buttons, the scroll while a
// drag rests near an edge, and the divider's width toggle.
#include "songsmith/session/ui/session_list_pane.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>
#include <climits>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/user_folders.h"
#include "songsmith/app/ui/app_resources.h"
#include "songsmith/burn/burn_status.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/session/tests/hand_made_track.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_columns.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/session/ui/session_row_delegate.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"
#include "utilities/keyed_text.h"
#include "utilities/undo_manager.h"

namespace {

using testsupport::FindControl;

class CFixedBurn final : public IBurnStatus {
public:
    int BurnState() const override { return 0; }
    int DiscCapacityMs() override { return capacityMs; }
    bool GetStateText(char*, int) const override { return false; }
    int capacityMs = 74 * 60000;
};

class SessionPaneTest : public ::testing::Test {
protected:
    SessionPaneTest() {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        InitAppResources();
        parent_.resize(640, 400);
        pane_.Create(&parent_, 0, 0, 640, 400);
        pane_.Bind(TSessionPaneBinding{&list_, &tracks_, &prefs_, &undo_, nullptr, nullptr});
        table_ = FindControl<QTableView>(pane_.Window(), CSessionListPane::kList);
        parent_.show();
    }
    ~SessionPaneTest() override { pane_.Bind({}); }

    int AddTrack(const std::string& name, int lengthMs, int state) {
        return sessiontest::AddHandMadeTrack(tracks_, name, lengthMs, state, 17);
    }
    void ShowRows() {
        list_.RebuildRows();
        list_.UpdateTotals(true);
    }
    QString Totals() { return FindControl<QLabel>(pane_.Window(), CSessionListPane::kTotals)->text(); }

    QWidget parent_;
    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    CUndoMgr undo_{CUndoMgr::kDefaultMaxDepth};
    CFixedBurn burn_;
    CSessionList list_{TSessionListPartners{tracks_, prefs_, undo_, &burn_, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr}};
    CSessionListPane pane_;
    QTableView* table_ = nullptr;
};

TEST_F(SessionPaneTest, RowsTakeTheirLoadStatesColoursAndThePlayingRowIsMarked) {
    for (int state = 0; state <= 13; ++state) AddTrack("State " + std::to_string(state), 60000, state);
    ShowRows();
    pane_.Reposition(0, 0, 640, 400);
    list_.OnPlayStateChanged(true, list_.RowSerial(7), 3);
    ASSERT_EQ(table_->model()->rowCount(), 14);
    EXPECT_EQ(table_->model()->index(7, kColumnStatus).data().toString(), ProgString("Playing"));
    EXPECT_EQ(table_->model()->index(6, kColumnStatus).data().toString(), ProgString("Status_Ready_But_Not_Loaded"));
    EXPECT_EQ(table_->model()->index(0, kColumnNumber).data().toString(), "1");
    testsupport::SaveWidgetPng(pane_.Window(), "session_pane_states");
    // At the default widths no length (an estimate's "~" included) and no
    // missing file's status is cut: the text and an average character on
    // either side fit the column.
    const QFontMetrics metrics(table_->font());
    const auto fits = [&](int row, int column) {
        const QString text = table_->model()->index(row, column).data().toString();
        EXPECT_LE(metrics.horizontalAdvance(text) + 2 * metrics.averageCharWidth(), table_->columnWidth(column))
            << text.toStdString();
    };
    for (int row = 0; row < 14; ++row) fits(row, kColumnLength);
    ASSERT_EQ(table_->model()->index(kTrackFileNotFound, kColumnStatus).data().toString(),
              ProgString("Status_FileNotFound"));
    fits(kTrackFileNotFound, kColumnStatus);

    // Each row's background, where no text lies (the empty Album column).
    const QImage drawn = table_->viewport()->grab().toImage();
    const int albumX = table_->columnViewportPosition(kColumnAlbum) + table_->columnWidth(kColumnAlbum) - 4;
    for (int row = 0; row < 14; ++row) {
        if (table_->rowViewportPosition(row) + 4 >= drawn.height()) break;
        const QColor want = ColorFromColorRef(SessionRowBackground(row));
        const QColor got = drawn.pixelColor(albumX, table_->rowViewportPosition(row) + table_->rowHeight(row) / 2);
        EXPECT_EQ(got.rgb(), want.rgb()) << "state " << row;
    }
    EXPECT_EQ(QColor(ColorFromColorRef(0xff0000)), QColor(Qt::blue)) << "colour references hold blue in the high byte";
    EXPECT_EQ(SessionRowTextColor(1), 0xff0000u);
    EXPECT_EQ(SessionRowTextColor(10), 0xffffffu);
    EXPECT_EQ(SessionLinkColor(9, false), 0xffffffu);
    EXPECT_EQ(SessionLinkColor(3, false), 0xff0000u);
}

TEST_F(SessionPaneTest, TheTotalsBoxShowsEachOfItsFiveTexts) {
    struct TCase {
        const char* png;
        int capacityMs;
        int tracks;
        int lengthMs;
        int state;
    };
    const TCase cases[] = {
        {"session_totals_none", 74 * 60000, 0, 0, kTrackReady},
        {"session_totals_fits", 74 * 60000, 2, 60000, kTrackReady},
        {"session_totals_over", 74 * 60000, 2, 40 * 60000, kTrackReady},
        {"session_totals_estimate", 74 * 60000, 2, 60000, kTrackWaiting},
        {"session_totals_no_recorder", 0, 2, 60000, kTrackReady},
    };
    std::set<QString> seen;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.png);
        list_.RemoveAll(false);
        burn_.capacityMs = c.capacityMs;
        for (int i = 0; i < c.tracks; ++i) AddTrack("Song " + std::to_string(i), c.lengthMs, c.state);
        ShowRows();
        EXPECT_EQ(Totals().toStdString(), list_.TotalsText());
        seen.insert(Totals());
        testsupport::SaveWidgetPng(FindControl<QLabel>(pane_.Window(), CSessionListPane::kTotals), c.png);
    }
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_TRUE(seen.count(QString::fromStdString(FormatKeyedText("Total_None", {74}))));
}

TEST_F(SessionPaneTest, TheButtonsMoveAndDeleteTheSelectedRows) {
    for (const char* name : {"A", "B", "C"}) AddTrack(name, 60000, kTrackReady);
    ShowRows();
    auto* down = FindControl<QToolButton>(pane_.Window(), CSessionListPane::kMoveDown);
    EXPECT_FALSE(down->isEnabled()) << "nothing selected";
    table_->selectRow(0);
    ASSERT_TRUE(down->isEnabled());
    testsupport::ClickControl(pane_.Window(), CSessionListPane::kMoveDown);
    EXPECT_EQ(table_->model()->index(1, kColumnTitle).data().toString(), "A");
    testsupport::ClickControl(pane_.Window(), CSessionListPane::kDelete);
    ASSERT_EQ(table_->model()->rowCount(), 2);
    EXPECT_EQ(table_->model()->index(0, kColumnTitle).data().toString(), "B");
    EXPECT_EQ(table_->model()->index(1, kColumnTitle).data().toString(), "C");
    undo_.Undo();
    EXPECT_EQ(table_->model()->rowCount(), 3);
}

TEST_F(SessionPaneTest, TheSelectionFollowsItsTracksThroughASortAndItsUndo) {
    for (const char* name : {"Delta", "Alpha", "Charlie", "Bravo"}) AddTrack(name, 60000, kTrackReady);
    ShowRows();
    table_->selectRow(0);
    const auto shown = [this] {
        QCoreApplication::processEvents();
        std::vector<QString> titles;
        for (const QModelIndex& index : table_->selectionModel()->selectedRows())
            titles.push_back(index.siblingAtColumn(kColumnTitle).data().toString());
        return titles;
    };
    const auto selectedRow = [this] {
        const QModelIndexList rows = table_->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.front().row() : -1;
    };
    ASSERT_EQ(shown(), std::vector<QString>{"Delta"});
    table_->horizontalHeader()->sectionClicked(kColumnTitle);
    EXPECT_EQ(shown(), std::vector<QString>{"Delta"});
    EXPECT_EQ(selectedRow(), 3);
    undo_.Undo();
    EXPECT_EQ(shown(), std::vector<QString>{"Delta"});
    EXPECT_EQ(selectedRow(), 0);
}

TEST_F(SessionPaneTest, ADragRestingNearAnEdgeScrollsOneRowATimerStep) {
    for (int i = 0; i < 60; ++i) AddTrack("Song " + std::to_string(i), 60000, kTrackReady);
    ShowRows();
    QWidget* viewport = table_->viewport();
    const auto send = [viewport](QEvent::Type type, QPoint point, Qt::MouseButtons buttons) {
        QMouseEvent event(type, point, viewport->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    };
    const int rowHeight = table_->rowHeight(0);
    send(QEvent::MouseButtonPress, QPoint(100, rowHeight / 2), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(100, viewport->height() - rowHeight), Qt::LeftButton);
    ASSERT_TRUE(pane_.Dragging());
    QScrollBar* bar = table_->verticalScrollBar();
    EXPECT_EQ(bar->value(), 0);
    pane_.DragScrollStep();
    pane_.DragScrollStep();
    EXPECT_EQ(bar->value(), 2) << "near the bottom: one row down a step";
    send(QEvent::MouseMove, QPoint(100, rowHeight), Qt::LeftButton);
    pane_.DragScrollStep();
    EXPECT_EQ(bar->value(), 1) << "near the top: one row up";
    send(QEvent::MouseMove, QPoint(100, viewport->height() / 2), Qt::LeftButton);
    pane_.DragScrollStep();
    EXPECT_EQ(bar->value(), 1) << "in the middle: still";
    const int target = pane_.DragTarget();
    send(QEvent::MouseButtonRelease, QPoint(100, viewport->height() / 2), Qt::NoButton);
    EXPECT_FALSE(pane_.Dragging());
    EXPECT_EQ(table_->model()->index(target - 1, kColumnTitle).data().toString(), "Song 0")
        << "the dragged first row lands above the target row";
}

TEST_F(SessionPaneTest, TheCursorShowsWhatAClickWouldDo) {
    for (const char* name : {"A", "B"}) AddTrack(name, 60000, kTrackReady);
    ShowRows();
    QWidget* viewport = table_->viewport();
    const auto cursorAt = [viewport](QPoint point, Qt::MouseButtons buttons) {
        QMouseEvent event(QEvent::MouseMove, point, viewport->mapToGlobal(point), Qt::NoButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
        return viewport->cursor().pixmap().toImage();
    };
    const CAppResources& resources = *AppResources();
    const int y = table_->rowHeight(0) / 2;
    const int linkX = table_->columnViewportPosition(kColumnLink) + 5;
    const int titleX = table_->columnViewportPosition(kColumnTitle) + 20;
    EXPECT_EQ(cursorAt(QPoint(5, y), Qt::NoButton), resources.Cursor(kCursorPlaySong).pixmap().toImage());
    EXPECT_EQ(cursorAt(QPoint(linkX, y), Qt::NoButton), resources.Cursor(kCursorLink).pixmap().toImage());
    EXPECT_EQ(viewport->cursor().shape(), resources.Cursor(kCursorLink).shape());
    cursorAt(QPoint(titleX, y), Qt::NoButton);
    EXPECT_FALSE(viewport->testAttribute(Qt::WA_SetCursor)) << "elsewhere the list's own cursor";

    QMouseEvent press(QEvent::MouseButtonPress, QPoint(titleX, y), viewport->mapToGlobal(QPoint(titleX, y)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    EXPECT_EQ(cursorAt(QPoint(titleX, y + 3 * table_->rowHeight(0) / 2), Qt::LeftButton),
              resources.Cursor(kCursorDragSong).pixmap().toImage());
    EXPECT_TRUE(pane_.Dragging());
    QMouseEvent release(QEvent::MouseButtonRelease, QPoint(titleX, y), viewport->mapToGlobal(QPoint(titleX, y)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    EXPECT_FALSE(pane_.Dragging());
}

TEST_F(SessionPaneTest, StopEndsTheAddSongsDialogWithTheRestLeftOut) {
    testsupport::CFakeUiServices ui;
    std::vector<std::string> files;
    for (int i = 0; i < 200; ++i) files.push_back("/nowhere/song " + std::to_string(i) + ".mp3");
    QString title;
    testsupport::WhenModalShown([&title](QWidget* dialog) {
        title = dialog->windowTitle();
        EXPECT_EQ(dialog->objectName(), "148");
        testsupport::ClickControl(dialog, 2);
    });
    EXPECT_EQ(list_.AddSongsWithProgress(files, true, false), 1) << "a stopped list warns of nothing";
    EXPECT_EQ(title, ProgString("ILD_Title"));
    EXPECT_LT(list_.AddListFailed(), 200);
    EXPECT_EQ(table_->model()->rowCount(), 0);
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(SessionPaneTest, ADividerDoubleClickTogglesBetweenTheDefaultAndTheFittingWidth) {
    AddTrack("A title much longer than the column's default width allows it to show", 60000, kTrackReady);
    ShowRows();
    QHeaderView* header = table_->horizontalHeader();
    const int byDefault = pane_.DefaultColumnWidth(kColumnTitle);
    EXPECT_GE(byDefault, 190);
    EXPECT_EQ(header->sectionSize(kColumnTitle), byDefault);
    pane_.ToggleColumnWidth(kColumnTitle);
    EXPECT_GT(header->sectionSize(kColumnTitle), byDefault);
    pane_.ToggleColumnWidth(kColumnTitle);
    EXPECT_EQ(header->sectionSize(kColumnTitle), byDefault);
}

}  // namespace
