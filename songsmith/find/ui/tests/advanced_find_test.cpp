// The Advanced Find dialog and the Find page's field query, offscreen by
// control id, over a store of generated songs (MP3, WAV and WMA; 22.05 and
// 44.1 kHz; many years and genres). Every count is checked against the
// store's database read with SQL written here, apart from the program's own
// query code.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "songsmith/library/ui/tests/library_store_fixture.h"
#include "songsmith/find/ui/advanced_find_dlg.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/library/library_links.h"
#include "songsmith/find/query_list.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_rows_model.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/drawing/ui/range_slider.h"
#include "songvault/records.h"
#include "songvault/songvault.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/temp_dir.h"
#include "testsupport/tiny_wav.h"
#include "testsupport/widget_png.h"
#include "tonecore/engine/engine_startup.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;
using Dlg = CAdvancedFindDlg;

struct TEngine {
    TEngine() { SoundEngineStartup(nullptr); }
    ~TEngine() { SoundEngineShutdown(); }
};

// The store's database opened read-only on a connection of its own.
class CSqlReader {
public:
    explicit CSqlReader(const std::string& path) {
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK)
            << path;
    }
    ~CSqlReader() { sqlite3_close(db_); }
    // Each row's first column, for the live songs meeting where (with its
    // ? parameters bound to texts).
    std::vector<std::string> Column(const std::string& what, const std::string& where,
                                    const std::vector<std::string>& texts = {}) const {
        const std::string sql =
            "SELECT " + what + " FROM song WHERE trash >= 0 AND (" + where + ")";
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
        for (std::size_t i = 0; i < texts.size(); ++i)
            sqlite3_bind_text(statement, static_cast<int>(i + 1), texts[i].c_str(), -1,
                              SQLITE_TRANSIENT);
        std::vector<std::string> values;
        while (sqlite3_step(statement) == SQLITE_ROW)
            values.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return values;
    }
    int Count(const std::string& where, const std::vector<std::string>& texts = {}) const {
        return std::stoi(Column("COUNT(*)", where, texts).at(0));
    }
    std::set<std::string> Paths(const std::string& where) const {
        const std::vector<std::string> paths = Column("path", where);
        return {paths.begin(), paths.end()};
    }
    // Everything the songs hold, to show that nothing changed them.
    std::string Fingerprint() const {
        return Column(
                   "group_concat(id || path || title || format || sample_rate || year || trash, "
                   "'|')",
                   "1")
            .at(0);
    }

private:
    sqlite3* db_ = nullptr;
};

// The count line for count songs.
std::string CountText(int count) {
    if (count == 0) return "No songs match these criteria.";
    if (count == 1) return "Found 1 song that matches these criteria.";
    return "Found " + std::to_string(count) + " songs that match these criteria.";
}

class AdvancedFindTest : public LibraryStoreFixture {
protected:
    static constexpr int kSongs = 240;
    static constexpr std::int16_t kFormats[] = {SVT_FORMAT_MP3, SVT_FORMAT_WAV, SVT_FORMAT_WMA};
    static constexpr std::int32_t kLengths[] = {150000, 180000, 187000, 200000, 240000};
    static constexpr std::int32_t kBitRates[] = {64, 128, 192, 320};

    void SetUp() override {
        LibraryStoreFixture::SetUp();
        testsupport::WriteWholeFile(folder_.File("long.wav"), testsupport::TinyWavBytes(8000));
        for (int i = 0; i < kSongs; ++i) {
            TSVT_Song song = MakeSong(i, "f" + std::to_string(i % 6));
            ASSERT_GT(store_.AddSong(&song, false), 0);
            // Some songs are in the trash: never counted, never listed.
            if (i % 37 == 36) {
                ASSERT_TRUE(store_.DeleteSong(song.id, false));
            }
        }
        sql_ = std::make_unique<CSqlReader>(folder_.File(description_.FileName()));
    }
    void TearDown() override {
        dialog_.reset();
        LibraryStoreFixture::TearDown();
    }

    TSVT_Song MakeSong(int i, const std::string& folder) {
        TSVT_Song song{};
        song.id = -1;
        if (i == 5) {
            std::snprintf(song.title, sizeof song.title, "100%% Pure_Love");
        } else {
            std::snprintf(song.title, sizeof song.title, "Song %d", i);
        }
        std::snprintf(song.artist, sizeof song.artist, "Artist %d", i % 7);
        std::snprintf(song.album, sizeof song.album, "Album %d", i % 5);
        song.format = kFormats[i % 3];
        song.sampleRateHz = i % 4 == 0 ? 22050 : 44100;
        song.year = static_cast<std::int16_t>(1960 + (i * 7) % 61);
        song.genre = static_cast<std::int16_t>(i % 20);
        song.lengthMs = kLengths[(i / 3) % 5];
        song.bitRateKbps = kBitRates[(i / 2) % 4];
        song.createDate = 1700000000 + static_cast<std::uint32_t>(i) * 86400;
        std::filesystem::create_directories(folder_.File(folder));
        const std::string path = folder_.File(folder + "/track" + std::to_string(i) + ".wav");
        EXPECT_EQ(::link(folder_.File("long.wav").c_str(), path.c_str()), 0);
        std::snprintf(song.path, sizeof song.path, "%s", path.c_str());
        return song;
    }

    // The dialog over the store, opened without a modal wait; every count
    // it asks for is counted here too.
    QDialog* OpenDialog() {
        dialog_ = std::make_unique<Dlg>(state_, [this](const MvList<MDB_Query*>* conditions) {
            ++storeCounts_;
            return store_.GetSongCount(conditions);
        });
        QDialog* window = dialog_->Open(&owner_);
        EXPECT_NE(window, nullptr);
        return window;
    }
    QDialog* Window() const { return dialog_->Window(); }
    QComboBox* List(int id) const { return FindControl<QComboBox>(Window(), id); }
    std::string Shown() const {
        return FindControl<QLabel>(Window(), Dlg::kCountText)->text().toStdString();
    }

    // The row's field and operator by their list text, its value chosen
    // from the list (choose) or typed.
    void SetRow(int row, const char* field, const char* op) {
        QComboBox* fields = List(Dlg::kFieldIds[row]);
        const int fieldAt = fields->findText(field);
        ASSERT_GE(fieldAt, 0) << field;
        fields->setCurrentIndex(fieldAt);
        QComboBox* ops = List(Dlg::kOperatorIds[row]);
        const int opAt = ops->findText(op);
        ASSERT_GE(opAt, 0) << op;
        ops->setCurrentIndex(opAt);
    }
    void Choose(int row, const char* item) {
        QComboBox* values = List(Dlg::kValueIds[row]);
        const int at = values->findText(item);
        ASSERT_GE(at, 0) << item;
        values->setCurrentIndex(at);
    }
    void Type(int row, const QString& text) {
        QLineEdit* edit = List(Dlg::kValueIds[row])->lineEdit();
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }
    // The user drags the slider's thumbs to low and high; it tells the
    // dialog when each drag ends.
    void DragYears(int low, int high) {
        CRangeSlider* slider = dialog_->YearSlider();
        DragThumb(slider, slider->Low(), low);
        DragThumb(slider, slider->High(), high);
        ASSERT_EQ(slider->Low(), low);
        ASSERT_EQ(slider->High(), high);
        EXPECT_TRUE(dialog_->CountPending());
    }
    static void DragThumb(CRangeSlider* slider, int from, int to) {
        int toX = slider->XOfValue(to);
        for (int x = 0; x < slider->width(); ++x) {
            if (slider->ValueOfX(x) == to) {
                toX = x;
                break;
            }
        }
        const int y = slider->height() - 5;
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier,
                          QPoint(slider->XOfValue(from), y));
        QTest::mouseMove(slider, QPoint(toX, y));
        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(toX, y));
        QCoreApplication::sendPostedEvents();
    }
    void ExpectCount(const std::string& where, const std::vector<std::string>& texts = {}) {
        ASSERT_TRUE(dialog_->RunPendingCount()) << "no count after the change";
        EXPECT_EQ(Shown(), CountText(sql_->Count(where, texts))) << where;
    }

    CFindTab* Page() const { return main_->TabPane()->GetFindTab(); }
    std::set<std::string> ListedPaths() const {
        std::set<std::string> paths;
        const CFoundRowsModel& model = Page()->Model();
        for (int row = 0; row < model.rowCount(); ++row)
            paths.insert(model.index(row, 10).data().toString().toStdString());
        return paths;
    }
    bool WaitUntilIdle() {
        return QTest::qWaitFor([this] { return !Page()->IsSearching(); },
                               testsupport::kHangLimitMs);
    }
    // The page's command opens the dialog; action fills it and ends it.
    void RunAdvancedFind(const std::function<void(QDialog*)>& action) {
        testsupport::WhenModalShown([&](QWidget* modal) { action(static_cast<QDialog*>(modal)); });
        EXPECT_EQ(Page()->OnCommand(kAdvancedFindCommand), 1);
    }

    TEngine engine_;
    std::unique_ptr<CSqlReader> sql_;
    QWidget owner_;
    TAdvancedFindState state_;
    std::unique_ptr<Dlg> dialog_;
    int storeCounts_ = 0;
};

TEST_F(AdvancedFindTest, TheCountFollowsEveryChange) {
    QDialog* window = OpenDialog();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->objectName(), "130");
    EXPECT_EQ(window->windowTitle(), "Advanced Find");
    // Nothing chosen: no songs, and the store is not asked.
    EXPECT_EQ(Shown(), CountText(0));
    EXPECT_EQ(storeCounts_, 0);
    EXPECT_FALSE(FindControl<QCheckBox>(window, Dlg::kBpmBox)->isVisible());
    EXPECT_FALSE(dialog_->YearSlider()->isEnabled());
    EXPECT_EQ(dialog_->YearSlider()->geometry(), QRect(180, 132, 250, 35));

    // Each change, then the count it leads to, as SQL over the same songs.
    const std::string song1 = "instr(lower(title), 'song 1') > 0";
    const std::string years = " AND year BETWEEN 1970 AND 1990";
    struct Step {
        const char* what;
        std::function<void()> change;
        std::string where;
    };
    const Step steps[] = {
        {"44K",
         [&] {
             SetRow(0, "Sample Rate", "is");
             Choose(0, "44K");
         },
         "sample_rate = 44100"},
        {"WMA",
         [&] {
             SetRow(1, "File Type", "is");
             Choose(1, "WMA");
         },
         "sample_rate = 44100 AND format = 4"},
        {"title typed",
         [&] {
             SetRow(2, "Title", "contains");
             Type(2, "song 1");
         },
         "sample_rate = 44100 AND format = 4 AND " + song1},
        {"years ticked",
         [&] {
             ASSERT_TRUE(ClickControl(window, Dlg::kYearBox));
             EXPECT_TRUE(dialog_->YearSlider()->isEnabled());
         },
         "sample_rate = 44100 AND format = 4 AND " + song1},
        {"years dragged", [&] { DragYears(1970, 1990); },
         "sample_rate = 44100 AND format = 4 AND " + song1 + years},
        {"is not", [&] { SetRow(1, "File Type", "is not"); },
         "sample_rate = 44100 AND format <> 4 AND " + song1 + years},
        {"-Any- type", [&] { Choose(1, "-Any-"); }, "sample_rate = 44100 AND " + song1 + years},
        {"bit rate contains",
         [&] {
             SetRow(2, "Bit Rate", "contains");
             Choose(2, "128");
         },
         "sample_rate = 44100 AND bit_rate = 128" + years},
        {"length 3",
         [&] {
             SetRow(0, "Length", ">");
             Type(0, "3");
         },
         "length_ms > 180000 AND bit_rate = 128" + years},
        {"length 3:07", [&] { Type(0, "3:07"); }, "length_ms > 187000 AND bit_rate = 128" + years},
        {"empty field", [&] { SetRow(2, "", "contains"); }, "length_ms > 187000" + years},
        {"years off", [&] { ASSERT_TRUE(ClickControl(window, Dlg::kYearBox)); },
         "length_ms > 187000"},
        {"genre typed",
         [&] {
             SetRow(1, "Genre", "is");
             Type(1, "rock");
         },
         "length_ms > 187000 AND genre = 17"},
        {"genre chosen", [&] { Choose(1, "Jazz"); }, "length_ms > 187000 AND genre = 8"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        ExpectCount(step.where);
        if (std::string(step.what) == "years dragged")
            testsupport::SaveWidgetPng(window, "advanced_find_dialog");
    }
    EXPECT_FALSE(dialog_->YearSlider()->isEnabled());
}

// Typed values are values: a literal match or no condition, never part of
// a query; the store is the same afterwards.
TEST_F(AdvancedFindTest, BadInputCountsLiterallyOrNotAtAll) {
    const std::string before = sql_->Fingerprint();
    OpenDialog();
    struct Case {
        const char* field;
        const char* op;
        QString typed;
        const char* where;  // none: no condition at all
        std::vector<std::string> texts;
    };
    const std::string longText(300, 'g');
    const Case cases[] = {
        {"Title", "contains", "x' OR 1=1 --", "instr(lower(title), ?) > 0", {"x' or 1=1 --"}},
        {"Title", "is", "x' OR 1=1 --", "lower(title) = ?", {"x' or 1=1 --"}},
        {"-Any-", "contains", "%", "instr(title, '%') > 0 OR instr(path, '%') > 0", {}},
        {"Title", "contains", "_", "instr(title, '_') > 0", {}},
        {"Path",
         "contains",
         QString::fromStdString(longText),
         "instr(path, ?) > 0",
         {std::string(255, 'g')}},
        {"Length", "<", "3:xx", nullptr, {}},
        {"Bit Rate", "is", "x' OR 1=1 --", nullptr, {}},
        {"Bit Rate", ">", "-5", "bit_rate > -5", {}},
        {"Genre", "is", "zzz", "genre = -1", {}},
        {"Genre", "is not", "zzz", "genre <> -1", {}},
        {"Genre", "is", "17", "genre = 17", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.left(40).toStdString());
        SetRow(0, c.field, c.op);
        Type(0, c.typed);
        const int asked = storeCounts_;
        ASSERT_TRUE(dialog_->RunPendingCount());
        if (c.where == nullptr) {
            EXPECT_EQ(storeCounts_, asked) << "the store was asked without a condition";
            EXPECT_EQ(Shown(), CountText(0));
        } else {
            EXPECT_EQ(Shown(), CountText(sql_->Count(c.where, c.texts)));
        }
    }
    EXPECT_EQ(sql_->Fingerprint(), before);
    // The literal matches are real songs, not empty results by accident.
    EXPECT_EQ(sql_->Count("instr(title, '%') > 0"), 1);
    EXPECT_GT(sql_->Count("genre = 17"), 0);
}

// Every field asks for a column the store knows, with every operator: no
// count is refused.
TEST_F(AdvancedFindTest, EveryFieldNamesAColumnTheStoreKnows) {
    for (int field = kFindFieldAny; field < kFindFieldCount; ++field) {
        const std::vector<TFindValueItem> items = FindValueList(field);
        for (int op = 1; op < kFindOperatorCount; ++op) {
            TFindRowInput row;
            row.field = field;
            row.op = op;
            row.text = items.empty() ? "1" : items.back().text;
            const CQueryList conditions(
                BuildFindConditions({&row, 1}, {true, 60, 120, true, 1970, 1990}));
            ASSERT_EQ(conditions.Conditions().size(), 5u) << field;
            EXPECT_GE(store_.GetSongCount(conditions.List()), 0) << field << " op " << op;
        }
    }
}

TEST_F(AdvancedFindTest, TenQuickKeysRunOneCount) {
    QDialog* window = OpenDialog();
    SetRow(0, "Artist", "contains");
    ASSERT_TRUE(dialog_->RunPendingCount());
    const int counts = dialog_->CountsRun();
    auto* timer = window->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isSingleShot());
    EXPECT_EQ(timer->interval(), 150);

    Type(0, "artist 3xy");
    EXPECT_EQ(List(Dlg::kValueIds[0])->currentText(), "artist 3xy");
    EXPECT_EQ(dialog_->CountsRun(), counts);
    EXPECT_TRUE(dialog_->CountPending());
    ASSERT_TRUE(dialog_->RunPendingCount());
    EXPECT_EQ(dialog_->CountsRun(), counts + 1);
    EXPECT_FALSE(dialog_->RunPendingCount());
    EXPECT_EQ(Shown(), CountText(0));

    // The timer itself runs the count when the typing pauses.
    Type(0, "Artist 3");
    EXPECT_EQ(dialog_->CountsRun(), counts + 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog_->CountsRun() == counts + 2; },
                                testsupport::kHangLimitMs));
    EXPECT_EQ(Shown(), CountText(sql_->Count("artist = 'Artist 3'")));
}

TEST_F(AdvancedFindTest, ResetEmptiesTheRowsAndWidensTheYears) {
    QDialog* window = OpenDialog();
    SetRow(0, "Genre", "is");
    Choose(0, "Jazz");
    SetRow(1, "Title", "contains");
    Type(1, "song");
    ASSERT_TRUE(ClickControl(window, Dlg::kYearBox));
    DragYears(1980, 1985);
    ASSERT_TRUE(dialog_->RunPendingCount());

    ASSERT_TRUE(ClickControl(window, Dlg::kReset));
    for (int row = 0; row < kAdvancedFindRows; ++row) {
        EXPECT_EQ(List(Dlg::kFieldIds[row])->currentIndex(), 0);
        EXPECT_EQ(List(Dlg::kOperatorIds[row])->currentIndex(), 0);
        EXPECT_EQ(List(Dlg::kValueIds[row])->count(), 0);
        EXPECT_TRUE(List(Dlg::kValueIds[row])->currentText().isEmpty());
    }
    EXPECT_EQ(dialog_->YearSlider()->Low(), kFindYearFirst);
    EXPECT_EQ(dialog_->YearSlider()->High(), FindYearLast());
    // The year box stays as it was: only its full range is left.
    ExpectCount("year BETWEEN 1950 AND " + std::to_string(FindYearLast()));
}

TEST_F(AdvancedFindTest, StateIsRestoredClampedAndSavedOnOkOnly) {
    // As the Find page first keeps it: nothing chosen, bounds 0 and 9999.
    state_.field = {kFindFieldSampleRate, kFindFieldLength, kFindFieldFileType};
    state_.op = {MDB_OP_IS, MDB_OP_LESS, MDB_OP_IS};
    state_.value = {"44K", "3:07", "-Any-"};
    state_.yearOn = true;
    QDialog* window = OpenDialog();
    EXPECT_EQ(List(Dlg::kFieldIds[0])->currentText(), "Sample Rate");
    EXPECT_EQ(List(Dlg::kValueIds[0])->count(), 3);
    EXPECT_EQ(List(Dlg::kValueIds[0])->currentIndex(), 2);
    EXPECT_EQ(List(Dlg::kOperatorIds[1])->currentText(), "<");
    EXPECT_EQ(List(Dlg::kValueIds[1])->currentText(), "3:07");
    EXPECT_EQ(List(Dlg::kValueIds[2])->currentText(), "-Any-");
    EXPECT_TRUE(FindControl<QCheckBox>(window, Dlg::kYearBox)->isChecked());
    EXPECT_TRUE(dialog_->YearSlider()->isEnabled());
    EXPECT_EQ(dialog_->YearSlider()->Low(), 1950);
    EXPECT_EQ(dialog_->YearSlider()->High(), FindYearLast());
    // Counted once on opening.
    EXPECT_EQ(storeCounts_, 1);
    EXPECT_EQ(Shown(), CountText(sql_->Count("sample_rate = 44100 AND length_ms < 187000")));

    // Cancel and the close box keep the state.
    SetRow(0, "Album", "is");
    ASSERT_TRUE(ClickControl(window, 2));
    EXPECT_EQ(dialog_->Result(), 2);
    EXPECT_EQ(state_.field[0], kFindFieldSampleRate);
    OpenDialog()->close();
    EXPECT_EQ(dialog_->Result(), 0);

    // OK saves what is shown.
    window = OpenDialog();
    SetRow(0, "Album", "is");
    Type(0, "Album 2");
    DragYears(1970, 1975);
    ASSERT_TRUE(ClickControl(window, 1));
    EXPECT_EQ(dialog_->Result(), 1);
    EXPECT_EQ(state_.field[0], kFindFieldAlbum);
    EXPECT_EQ(state_.op[0], MDB_OP_IS);
    EXPECT_EQ(state_.value[0], "Album 2");
    EXPECT_EQ(std::make_pair(state_.yearLow, state_.yearHigh), std::make_pair(1970, 1975));
    EXPECT_EQ(dialog_->Conditions().Conditions().size(), 4u);

    // Bounds inside the range come back as they were.
    OpenDialog();
    EXPECT_EQ(dialog_->YearSlider()->Low(), 1970);
    EXPECT_EQ(dialog_->YearSlider()->High(), 1975);
    EXPECT_EQ(List(Dlg::kValueIds[0])->currentText(), "Album 2");
}

TEST_F(AdvancedFindTest, OkListsExactlyTheQuerysSongsAndATextSearchFollows) {
    Open(0);
    Page()->Window()->window()->resize(1200, 800);
    FindControl<QCheckBox>(Page()->Window(), kFindImportBoxId)->setChecked(false);
    EXPECT_TRUE(Page()->AdvancedFindState().value[0].empty());
    EXPECT_EQ(Page()->AdvancedFindState().yearHigh, 9999);

    struct Case {
        const char* field;
        const char* item;
        const char* where;
    };
    const Case cases[] = {{"Sample Rate", "44K", "sample_rate = 44100"},
                          {"Sample Rate", "22K", "sample_rate = 22050"},
                          {"File Type", "WMA", "format = 4"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        RunAdvancedFind([&](QDialog* modal) {
            auto* fields = FindControl<QComboBox>(modal, Dlg::kFieldIds[0]);
            fields->setCurrentIndex(fields->findText(c.field));
            FindControl<QComboBox>(modal, Dlg::kOperatorIds[0])->setCurrentIndex(MDB_OP_IS);
            auto* values = FindControl<QComboBox>(modal, Dlg::kValueIds[0]);
            values->setCurrentIndex(values->findText(c.item));
            ClickControl(modal, 1);
        });
        ASSERT_TRUE(WaitUntilIdle());
        const std::set<std::string> expected = sql_->Paths(c.where);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(ListedPaths(), expected);
        EXPECT_FALSE(Page()->StoredQuery().Empty());
        EXPECT_EQ(Page()->AdvancedFindState().value[0], c.item);
    }

    // Cancel starts nothing and keeps the list.
    const std::set<std::string> shown = ListedPaths();
    RunAdvancedFind([](QDialog* modal) { ClickControl(modal, 2); });
    EXPECT_FALSE(Page()->IsSearching());
    EXPECT_EQ(ListedPaths(), shown);

    // A text search afterwards searches the text again.
    auto* edit = FindControl<QLineEdit>(Page()->Window(), kFindEditId);
    edit->setText("artist 3");
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(Page()->StoredQuery().Empty());
    EXPECT_EQ(ListedPaths(), sql_->Paths("instr(lower(artist), 'artist 3') > 0"));
}

TEST_F(AdvancedFindTest, AnImportDuringTheSearchAddsOnlyMatchingSongs) {
    Open(0);
    int importsStarted = 0;
    bool importing = false;
    Page()->partners.libraryImporting = [&] { return importing; };
    Page()->partners.startLibraryImport = [&] {
        ++importsStarted;
        importing = true;
    };
    FindControl<QCheckBox>(Page()->Window(), kFindImportBoxId)->setChecked(true);
    RunAdvancedFind([&](QDialog* modal) {
        auto* fields = FindControl<QComboBox>(modal, Dlg::kFieldIds[0]);
        fields->setCurrentIndex(kFindFieldFileType);
        FindControl<QComboBox>(modal, Dlg::kOperatorIds[0])->setCurrentIndex(MDB_OP_IS);
        FindControl<QComboBox>(modal, Dlg::kValueIds[0])->setCurrentIndex(3);  // WMA
        ClickControl(modal, 1);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return importsStarted == 1; }, testsupport::kHangLimitMs));
    const std::set<std::string> found = sql_->Paths("format = 4");

    // New songs of every format; only the WMA ones (and their title does
    // not matter) join the list.
    std::set<std::string> expected = found;
    for (int i = 0; i < 6; ++i) {
        TSVT_Song song = MakeSong(kSongs + i, "new");
        std::snprintf(song.title, sizeof song.title, "Fresh %d", i);
        ASSERT_GT(store_.AddSong(&song, false), 0);
        if (song.format == SVT_FORMAT_WMA) expected.insert(song.path);
        Page()->AddSongFromImport(song);
    }
    importing = false;
    PostAppMessage(Page()->ReceiverId(), TAppMessage{WM_IMPORT_FINISHED, 0, 0, nullptr});
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ListedPaths().size() == expected.size(); },
                                testsupport::kHangLimitMs));
    EXPECT_EQ(ListedPaths(), expected);
    EXPECT_EQ(expected.size(), found.size() + 2);
}

}  // namespace
