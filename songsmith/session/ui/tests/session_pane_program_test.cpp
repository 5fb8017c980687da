// The session list pane in the running program's main window, driven as a
// user drives it: songs made by sox and lame added through the add-songs
// dialog, then dragged, sorted, deleted, copied, pasted, played, offered
// in the context menus, saved and opened again.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/wave_out_null.h"
#include "songsmith/session/ui/add_songs_dialog.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/session/session_columns.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/session/ui/session_list_pane.h"
#include "songsmith/app/ui/tests/program_fixture.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"

namespace {

using testsupport::FindControl;

// Catches the add-songs dialog as it shows and follows its bar and text.
class CAddDialogWatch final : public QObject {
public:
    std::vector<int> values;
    std::vector<QString> texts;
    QString title;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::Show || dialog == nullptr ||
            dialog->objectName() != QString::number(CAddSongsDlg::kLibraryDialogId))
            return false;
        title = dialog->windowTitle();
        auto* bar = FindControl<QProgressBar>(dialog, CAddSongsDlg::kProgressBar);
        auto* text = FindControl<QLabel>(dialog, CAddSongsDlg::kProgressText);
        if (bar == nullptr || text == nullptr) return false;
        texts.push_back(text->text());
        connect(bar, &QProgressBar::valueChanged, this, [this, dialog, text](int value) {
            values.push_back(value);
            texts.push_back(text->text());
            if (value == 1) testsupport::SaveWidgetPng(dialog, "session_add_songs_dialog");
        });
        return false;
    }
};

class SessionPaneProgramTest : public ProgramFixture {
protected:
    // A song of seconds made by sox and lame, with its title in the tag.
    std::string MakeSong(const std::string& name, const std::string& title, int seconds) {
        const std::string wav = home_.Path() + "/" + name + ".wav";
        const std::string mp3 = home_.Path() + "/" + name + ".mp3";
        const std::string make = "sox -R -D -n -r 44100 -c 2 -b 16 '" + wav + "' synth " + std::to_string(seconds) +
                                 " sine 440 vol -6dB && lame --quiet --tt '" + title + "' '" + wav + "' '" + mp3 + "'";
        EXPECT_EQ(std::system(make.c_str()), 0) << make;
        return mp3;
    }
};

struct TPane {
    CProgram& program;
    CSessionListPane& pane;
    QTableView& table;

    int Rows() const { return table.model()->rowCount(); }
    QString Cell(int row, int column) const { return table.model()->index(row, column).data().toString(); }
    std::vector<QString> Titles() const {
        std::vector<QString> titles;
        for (int row = 0; row < Rows(); ++row) titles.push_back(Cell(row, kColumnTitle));
        return titles;
    }
    QPoint CellCentre(int row, int column) const {
        return table.visualRect(table.model()->index(row, column)).center();
    }
    void Mouse(QEvent::Type type, QPoint point, Qt::MouseButtons buttons) const {
        QWidget* viewport = table.viewport();
        QMouseEvent event(type, point, viewport->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    void ClickRow(int row) const { QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, CellCentre(row, kColumnTitle)); }
    void ClickHeader(int column) const {
        QHeaderView* header = table.horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    }
};

TEST_F(SessionPaneProgramTest, AUserAddsArrangesPlaysAndReopensSongsInTheSessionPane) {
    if (std::system("command -v sox >/dev/null && command -v lame >/dev/null") != 0) GTEST_SKIP() << "no sox or lame";
    const std::vector<std::string> files = {MakeSong("one", "Charlie", 2), MakeSong("two", "Alpha", 3),
                                            MakeSong("three", "Bravo", 1)};
    const std::string sessionFile = home_.Path() + "/kept.tps";

    TProgramOptions options = Options();
    bool ran = false;
    options.whenShown = [&](CProgram& program) {
        // The window closes however the checks end, so the run ends too.
        struct TCloser {
            QWidget* window;
            ~TCloser() { window->close(); }
        } closer{program.mainWindow.Window()};
        CSessionListPane& pane = *program.mainWindow.MiddleBand()->SessionList();
        auto* table = FindControl<QTableView>(pane.Window(), CSessionListPane::kList);
        ASSERT_NE(table, nullptr);
        program.mainWindow.Window()->resize(1000, 640);
        TPane ui{program, pane, *table};
        CSessionList& session = *program.sessionList;
        // Every command of the context menus, as the main window receives it.
        std::vector<int> commands;
        for (int id : {40093, 40047, 40048, 40049, 40014, 40153, 40058, 40155, 40090, 40059, 40156, 40096, 40097,
                       40057, 40094, 40054, 40031, 40055})
            program.mainWindow.SetCommandHandler(id, [&commands, id] { commands.push_back(id); });

        // Added through the progress dialog, its bar and text followed; the
        // loader is held back meanwhile, so the rows show as not analysed.
        HoldLoader(program);
        CAddDialogWatch watch;
        qApp->installEventFilter(&watch);
        EXPECT_EQ(session.AddSongsWithProgress(files, true, true), 1);
        qApp->removeEventFilter(&watch);
        EXPECT_EQ(watch.title, ProgString("ILD_TitleLib"));
        EXPECT_EQ(watch.values, (std::vector<int>{1, 2, 3}));
        ASSERT_EQ(watch.texts.size(), 4u);
        EXPECT_EQ(watch.texts.front().toStdString(), FormatKeyedText("ILD_ProgressLib", {0, 3, 0}));
        EXPECT_EQ(watch.texts.back().toStdString(), FormatKeyedText("ILD_ProgressLib", {3, 3, 0}));
        ASSERT_EQ(ui.Rows(), 3);

        // Not ready before the loader analyses them; ready in the end.
        const QString ready = ProgString("Status_Ready");
        for (int row = 0; row < ui.Rows(); ++row)
            EXPECT_NE(ui.Cell(row, kColumnStatus), ready) << row;
        ResumeLoader(program);
        EXPECT_TRUE(WaitFor([&] {
            for (int row = 0; row < ui.Rows(); ++row)
                if (ui.Cell(row, kColumnStatus) != ready) return false;
            return true;
        })) << ui.Cell(0, kColumnStatus).toStdString();
        auto* totals = FindControl<QLabel>(pane.Window(), CSessionListPane::kTotals);
        EXPECT_TRUE(WaitFor([&] { return totals->text().toStdString() == session.TotalsText(); }));
        EXPECT_FALSE(totals->text().isEmpty());
        testsupport::SaveWidgetPng(program.mainWindow.Window(), "session_pane_in_main_window");
        const std::vector<QString> added = ui.Titles();
        ASSERT_EQ(added, (std::vector<QString>{"Charlie", "Alpha", "Bravo"}));

        // Row 3 dragged above row 1.
        ui.Mouse(QEvent::MouseButtonPress, ui.CellCentre(2, kColumnTitle), Qt::LeftButton);
        ui.Mouse(QEvent::MouseMove, ui.CellCentre(1, kColumnTitle), Qt::LeftButton);
        EXPECT_TRUE(pane.Dragging());
        ui.Mouse(QEvent::MouseMove, ui.CellCentre(0, kColumnTitle) - QPoint(0, 3), Qt::LeftButton);
        EXPECT_EQ(pane.DragTarget(), 0);
        ui.Mouse(QEvent::MouseButtonRelease, ui.CellCentre(0, kColumnTitle), Qt::NoButton);
        EXPECT_FALSE(pane.Dragging());
        EXPECT_EQ(ui.Titles(), (std::vector<QString>{"Bravo", "Charlie", "Alpha"}));

        // Title sorted twice, both sorts undone.
        ui.ClickHeader(kColumnTitle);
        EXPECT_EQ(ui.Titles(), (std::vector<QString>{"Alpha", "Bravo", "Charlie"}));
        ui.ClickHeader(kColumnTitle);
        EXPECT_EQ(ui.Titles(), (std::vector<QString>{"Charlie", "Bravo", "Alpha"}));
        program.undo.Undo();
        EXPECT_EQ(ui.Titles(), (std::vector<QString>{"Alpha", "Bravo", "Charlie"}));
        program.undo.Undo();
        EXPECT_EQ(ui.Titles(), (std::vector<QString>{"Bravo", "Charlie", "Alpha"}));

        // The Delete key on a clicked row, then undo.
        ui.ClickRow(1);
        QTest::keyClick(table, Qt::Key_Delete);
        EXPECT_EQ(ui.Titles(), (std::vector<QString>{"Bravo", "Alpha"}));
        program.undo.Undo();
        EXPECT_EQ(ui.Titles(), (std::vector<QString>{"Bravo", "Charlie", "Alpha"}));

        // Copy and paste: the clipboard holds the copied song's line.
        ui.ClickRow(2);
        ASSERT_TRUE(session.CopySelected());
        EXPECT_TRUE(QApplication::clipboard()->text().contains("Alpha"));
        session.Paste();
        EXPECT_EQ(ui.Titles(), (std::vector<QString>{"Bravo", "Charlie", "Alpha", "Alpha"}));
        program.undo.Undo();
        EXPECT_EQ(ui.Rows(), 3);

        // A double-click plays; the status says so.
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, ui.CellCentre(1, kColumnTitle));
        EXPECT_TRUE(WaitFor([&] { return ui.Cell(1, kColumnStatus) == ProgString("Playing"); }))
            << ui.Cell(1, kColumnStatus).toStdString();
        testsupport::SaveWidgetPng(pane.Window(), "session_pane_playing");
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, ui.CellCentre(1, kColumnTitle));
        EXPECT_TRUE(WaitFor([&] { return ui.Cell(1, kColumnStatus) == ready; }));

        // Every item of both menus hands its command to the main window.
        for (QPoint point : {ui.CellCentre(0, kColumnTitle), QPoint(20, table->viewport()->height() - 5)}) {
            std::unique_ptr<QMenu> menu = pane.MakeContextMenu(point);
            for (QAction* action : menu->actions()) action->trigger();
        }
        EXPECT_EQ(commands, (std::vector<int>{40093, 40047, 40048, 40049, 40014, 40153, 40058, 40155, 40090, 40059,
                                              40156, 40096, 40097, 40047, 40048, 40049, 40014, 40057, 40094, 40054,
                                              40031, 40055}));

        // Saved, cleared and opened again: the same rows.
        ASSERT_TRUE(program.trackList.SaveSession(sessionFile.c_str()));
        session.RemoveAll(false);
        EXPECT_EQ(ui.Rows(), 0);
        session.LoadSession({sessionFile});
        EXPECT_EQ(ui.Titles(), (std::vector<QString>{"Bravo", "Charlie", "Alpha"}));
        ran = true;
    };
    // The player plays on a null device whose clock stands still: a song
    // started plays until it is stopped.
    CNullWaveOutBackend nullDevice{[] { return std::int64_t{0}; }, false};
    IWaveOutBackend* previousDevice = SetWaveOutBackend(&nullDevice);
    {
        CProgram program(options);
        EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    }
    SetWaveOutBackend(previousDevice);
    EXPECT_TRUE(ran);
}

}  // namespace
