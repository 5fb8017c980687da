// The tag editors of the library and of a disc record, offscreen by control
// id, boxes answered by the scripted UI services: the required-field check,
// the year list (years outside it kept, 0 kept), the genre list, cuts into
// 64-byte fields, the Missing Tag focus rule and its submit check.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cstring>
#include <string>

#include "platform/message_box.h"
#include "platform/user_folders.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/library/ui/edit_missing_tag_dlg.h"
#include "songsmith/library/ui/edit_song_tag_dlg.h"
#include "songsmith/library/ui/library_tag_dlgs.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/tests/clipped_text.h"
#include "songvault/records.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "titlefetch/disc_record.h"
#include "tonecore/engine/engine_startup.h"
#include "utilities/keyed_text.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;

bool IsValidUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
               .toUtf8()
               .toStdString() == text;
}

class TagDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        owner_.setGeometry(100, 100, 600, 500);
        owner_.show();
    }

    static TSVT_Song Song(const char* title, int year, int genre) {
        TSVT_Song song{};
        CopyToField(title, song.title);
        CopyToField("Some Artist", song.artist);
        CopyToField("Some Album", song.album);
        CopyToField("a comment", song.comment);
        song.year = static_cast<std::int16_t>(year);
        song.genre = static_cast<std::int16_t>(genre);
        song.lengthMs = 187'400;
        CopyToField("/nowhere/song.mp3", song.path);
        return song;
    }
    static QLineEdit* Edit(QDialog* dialog, int id) { return FindControl<QLineEdit>(dialog, id); }
    static QComboBox* List(QDialog* dialog, int id) { return FindControl<QComboBox>(dialog, id); }
    static void SetText(QDialog* dialog, int id, const QString& text) {
        Edit(dialog, id)->setText(text);
    }
    // Selects the year list's line of year.
    static void ChooseYear(QComboBox* list, int year) {
        const int line = list->findText(QString::number(year));
        ASSERT_GE(line, 0) << year;
        list->setCurrentIndex(line);
    }

    QWidget owner_;
};

TEST_F(TagDialogsTest, AnEmptyOrBlankTitleIsRefusedWithTheFocusOnIt) {
    for (const char* title : {"", "  \t  "}) {
        testsupport::CFakeUiServices ui;
        ui.ExpectMessage("VerifyField", IDOK);
        TSVT_Song song = Song("Old Title", 2001, 17);
        const TSVT_Song before = song;
        CEditSongTagDlg dlg(song);
        QDialog* dialog = dlg.Open(&owner_);
        ASSERT_NE(dialog, nullptr);
        SetText(dialog, CEditSongTagDlg::kTitle, QString::fromUtf8(title));
        Edit(dialog, CEditSongTagDlg::kArtist)->setFocus();
        ClickControl(dialog, 1);
        EXPECT_EQ(dlg.Result(), CSmallDialog::kStillOpen) << "'" << title << "'";
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->focusWidget(), Edit(dialog, CEditSongTagDlg::kTitle));
        EXPECT_EQ(Edit(dialog, CEditSongTagDlg::kTitle)->selectedText(), QString::fromUtf8(title));
        EXPECT_EQ(std::memcmp(&song, &before, sizeof song), 0) << "nothing stored";
        const auto calls = ui.Calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].text, "Please type the Title: it cannot be left empty.");
        EXPECT_EQ(calls[0].caption, KeyedText("VerifyField_Title"));
        EXPECT_EQ(calls[0].flags, MB_OK | MB_ICONWARNING);
    }
}

TEST_F(TagDialogsTest, TheYearListKeepsYearsOutsideItAndZero) {
    const int next = YearListFirst();
    const struct {
        int year;       // in the record
        int choose;     // a line the user picks; 0: none
        int shownLine;  // -1: none selected
        QString shown;  // the list's text
        int stored;
    } cases[] = {
        {2015, 0, next - 2015, "2015", 2015},
        {1850, 0, -1, "1850", 1850},  // before the list
        {next + 5, 0, -1, QString::number(next + 5), next + 5},
        {0, 0, -1, "", 0},
        {1850, 1999, next - 1999, "1999", 1999},
        {0, next, 0, QString::number(next), next},
        {2015, 1900, next - 1900, "1900", 1900},
    };
    for (const auto& c : cases) {
        TSVT_Song song = Song("T", c.year, 255);
        CEditSongTagDlg dlg(song);
        QDialog* dialog = dlg.Open(&owner_);
        QComboBox* years = List(dialog, CEditSongTagDlg::kYear);
        EXPECT_EQ(years->count(), next - 1900 + 1);
        EXPECT_EQ(years->itemText(0), QString::number(next));
        if (c.choose != 0)
            ChooseYear(years, c.choose);
        else {
            EXPECT_EQ(years->currentIndex(), c.shownLine) << c.year;
        }
        const QString shown =
            years->currentIndex() >= 0 ? years->currentText() : years->placeholderText();
        EXPECT_EQ(shown, c.shown) << c.year;
        ClickControl(dialog, 1);
        EXPECT_EQ(dlg.Result(), 1);
        EXPECT_EQ(song.year, c.stored) << c.year << " chosen " << c.choose;
    }
}

TEST_F(TagDialogsTest, SongTagShowsTheRecordAndStoresTrimmedCutFields) {
    testsupport::TempDir dir;
    // A tiny PCM WAV file the song loader can read.
    const std::string wav = dir.File("tone.wav");
    {
        std::string pcm(44100 / 10 * 4, '\0');
        auto le = [](std::uint32_t v, int n) {
            std::string s;
            for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
            return s;
        };
        const std::string fmt =
            le(1, 2) + le(2, 2) + le(44100, 4) + le(44100 * 4, 4) + le(4, 2) + le(16, 2);
        const std::string body =
            "WAVE" + std::string("fmt ") + le(16, 4) + fmt + "data" + le(pcm.size(), 4) + pcm;
        testsupport::WriteWholeFile(wav, "RIFF" + le(body.size(), 4) + body);
    }
    ASSERT_EQ(SoundEngineStartup(nullptr), 1);
    struct TEngine {
        ~TEngine() { SoundEngineShutdown(); }
    } engine;

    for (const bool readable : {true, false}) {
        TSVT_Song song = Song("  Title  ", 2001, 255);
        CopyToField(readable ? wav : dir.File("missing.wav"), song.path);
        CEditSongTagDlg dlg(song);
        QDialog* dialog = dlg.Open(&owner_);
        EXPECT_EQ(dialog->objectName(), QStringLiteral("217"));
        EXPECT_EQ(dialog->windowTitle(), ProgString("EditSongTag_Title"));
        EXPECT_EQ(dialog->focusWidget(), Edit(dialog, CEditSongTagDlg::kTitle));
        EXPECT_EQ(Edit(dialog, CEditSongTagDlg::kTitle)->selectedText(),
                  QStringLiteral("  Title  "));
        EXPECT_EQ(Edit(dialog, CEditSongTagDlg::kArtist)->text(), QStringLiteral("Some Artist"));
        EXPECT_EQ(Edit(dialog, CEditSongTagDlg::kComment)->text(), QStringLiteral("a comment"));
        EXPECT_EQ(FindControl<QLabel>(dialog, CEditSongTagDlg::kLength)->text(),
                  QStringLiteral("3:07"));
        EXPECT_EQ(Edit(dialog, CEditSongTagDlg::kFile)->text().toStdString(), song.path);
        const QString format = FindControl<QLabel>(dialog, CEditSongTagDlg::kFormat)->text();
        if (readable) {
            EXPECT_NE(format, QStringLiteral("<Unknown>"));
            EXPECT_FALSE(format.isEmpty());
            testsupport::ExpectNoClippedText(dialog);
            testsupport::SaveWidgetPng(dialog, QStringLiteral("edit_song_tag"));
        } else {
            EXPECT_EQ(format, QStringLiteral("<Unknown>"));
        }
        // A genre number of 255 shows none, and saving with none stores 255.
        EXPECT_EQ(List(dialog, CEditSongTagDlg::kGenre)->currentIndex(), -1);
        EXPECT_TRUE(List(dialog, CEditSongTagDlg::kGenre)->currentText().isEmpty());

        // 300 bytes of artist, and an album whose two-byte character
        // crosses the field's last byte.
        SetText(dialog, CEditSongTagDlg::kArtist, QString(300, QChar('a')));
        SetText(dialog, CEditSongTagDlg::kAlbum,
                QString(62, QChar('b')) + QString::fromUtf8("\xC3\xA9") + "cd");
        SetText(dialog, CEditSongTagDlg::kComment, QStringLiteral("  spaced  "));
        ClickControl(dialog, 1);
        EXPECT_EQ(dlg.Result(), 1);
        EXPECT_STREQ(song.title, "Title");
        EXPECT_EQ(FieldText(song.artist), std::string(63, 'a'));
        EXPECT_EQ(FieldText(song.album), std::string(62, 'b'));
        EXPECT_TRUE(IsValidUtf8(FieldText(song.album)));
        EXPECT_STREQ(song.comment, "  spaced  ") << "the comment is stored as typed";
        EXPECT_EQ(song.genre, 255);
        EXPECT_EQ(song.year, 2001);
    }
}

TEST_F(TagDialogsTest, GenresAreReadFromTheTableByName) {
    // The song and album editors: the exact name, else 255.
    const struct {
        int shown;
        QString typed;  // empty: left as shown
        int stored;
    } songCases[] = {
        {17, "", 17},
        {125, "", 125},
        {255, "", 255},
        {126, "", 255},
        {255, "Jazz", 8},
        {17, "rock", 255},
        {17, "No Such Genre", 255},
    };
    for (const auto& c : songCases) {
        TSVT_Album album{};
        CopyToField("Artist", album.artist);
        CopyToField("Album", album.name);
        album.genre = static_cast<std::int16_t>(c.shown);
        CEditAlbumDlg dlg(album);
        QDialog* dialog = dlg.Open(&owner_);
        QComboBox* genres = List(dialog, CEditAlbumDlg::kGenre);
        EXPECT_EQ(genres->count(), 126);
        if (c.shown <= 125)
            EXPECT_EQ(genres->currentIndex(), c.shown);
        else
            EXPECT_EQ(genres->currentIndex(), -1);
        if (!c.typed.isEmpty()) genres->setEditText(c.typed);
        ClickControl(dialog, 1);
        EXPECT_EQ(album.genre, c.stored) << c.shown << " " << c.typed.toStdString();
    }

    // The genre editor: without regard to case, renamed to the table's
    // spelling; any other text sets 255 and keeps the name.
    const struct {
        const char* typed;
        int number;
        const char* name;
    } genreCases[] = {
        {"rock", 17, "Rock"},
        {"ROCK & roll", 78, "Rock & Roll"},
        {"Krautrock", 255, "My Genre"},
        {"", 255, "My Genre"},
    };
    for (const auto& c : genreCases) {
        TSVT_Genre genre{};
        genre.genre = 3;
        CopyToField("My Genre", genre.name);
        CEditGenreDlg dlg(genre);
        QDialog* dialog = dlg.Open(&owner_);
        EXPECT_EQ(dialog->objectName(), QStringLiteral("268"));
        QComboBox* genres = List(dialog, CEditGenreDlg::kGenre);
        EXPECT_EQ(genres->currentText(), QStringLiteral("Dance"));
        genres->setEditText(QString::fromUtf8(c.typed));
        if (c.number == 17) {
            testsupport::ExpectNoClippedText(dialog);
            testsupport::SaveWidgetPng(dialog, QStringLiteral("edit_genre"));
        }
        ClickControl(dialog, 1);
        EXPECT_EQ(dlg.Result(), 1);
        EXPECT_EQ(genre.genre, c.number) << c.typed;
        EXPECT_STREQ(genre.name, c.name) << c.typed;
    }
}

TEST_F(TagDialogsTest, TypingAGenreKeepsWhatWasTyped) {
    // No completion changes a typed name: "rock" stays "rock", so the song
    // editor's exact match finds no genre.
    TSVT_Genre genre{};
    genre.genre = 255;
    CEditGenreDlg dlg(genre);
    QDialog* dialog = dlg.Open(&owner_);
    EXPECT_EQ(List(dialog, CEditGenreDlg::kGenre)->currentIndex(), -1);
    testsupport::TypeText(dialog, QStringLiteral("rock"));
    EXPECT_EQ(List(dialog, CEditGenreDlg::kGenre)->currentText(), QStringLiteral("rock"));
    QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dlg.Result(), 1) << "Return is OK";
    EXPECT_EQ(genre.genre, 17);
    EXPECT_STREQ(genre.name, "Rock");
}

TEST_F(TagDialogsTest, ArtistAndAlbumNeedTheirNamesAndStoreThemAsTyped) {
    {
        testsupport::CFakeUiServices ui;
        ui.ExpectMessage("VerifyField", IDOK);
        TSVT_Artist artist{};
        CopyToField("Old Name", artist.name);
        CEditArtistDlg dlg(artist);
        QDialog* dialog = dlg.Open(&owner_);
        EXPECT_EQ(dialog->objectName(), QStringLiteral("225"));
        EXPECT_EQ(dialog->focusWidget(), Edit(dialog, CEditArtistDlg::kName));
        EXPECT_EQ(Edit(dialog, CEditArtistDlg::kName)->selectedText(), QStringLiteral("Old Name"));
        testsupport::ExpectNoClippedText(dialog);
        testsupport::SaveWidgetPng(dialog, QStringLiteral("edit_artist"));
        SetText(dialog, CEditArtistDlg::kName, QStringLiteral("   "));
        ClickControl(dialog, 1);
        EXPECT_EQ(dlg.Result(), CSmallDialog::kStillOpen);
        EXPECT_STREQ(artist.name, "Old Name");
        EXPECT_EQ(ui.Calls().at(0).text, "Please type the Artist: it cannot be left empty.");
        SetText(dialog, CEditArtistDlg::kName, QString(70, QChar(0x00E9)));  // 140 bytes
        ClickControl(dialog, 1);
        EXPECT_EQ(dlg.Result(), 1);
        EXPECT_EQ(std::strlen(artist.name), 62u) << "31 whole two-byte characters";
        EXPECT_TRUE(IsValidUtf8(artist.name));
    }
    for (const int empty : {CEditAlbumDlg::kArtist, CEditAlbumDlg::kAlbum}) {
        testsupport::CFakeUiServices ui;
        ui.ExpectMessage("VerifyField", IDOK);
        TSVT_Album album{};
        CopyToField("Artist", album.artist);
        CopyToField("Album", album.name);
        album.year = 1850;
        album.genre = 255;
        CEditAlbumDlg dlg(album);
        QDialog* dialog = dlg.Open(&owner_);
        EXPECT_EQ(dialog->focusWidget(), Edit(dialog, CEditAlbumDlg::kAlbum));
        if (empty == CEditAlbumDlg::kArtist) {
            testsupport::ExpectNoClippedText(dialog);
            testsupport::SaveWidgetPng(dialog, QStringLiteral("edit_album"));
        }
        SetText(dialog, empty, QString());
        ClickControl(dialog, 1);
        EXPECT_EQ(dlg.Result(), CSmallDialog::kStillOpen);
        EXPECT_EQ(dialog->focusWidget(), Edit(dialog, empty));
        EXPECT_EQ(ui.Calls().at(0).text, empty == CEditAlbumDlg::kArtist
                                             ? "Please type the Artist: it cannot be left empty."
                                             : "Please type the Album: it cannot be left empty.");
        SetText(dialog, empty, QStringLiteral(" Typed "));
        ChooseYear(List(dialog, CEditAlbumDlg::kYear), 1977);
        ClickControl(dialog, 1);
        EXPECT_EQ(dlg.Result(), 1);
        EXPECT_STREQ(empty == CEditAlbumDlg::kArtist ? album.artist : album.name, " Typed ");
        EXPECT_EQ(album.year, 1977);
    }
}

TEST_F(TagDialogsTest, CancelAndTheCloseBoxLeaveTheRecord) {
    const struct {
        const char* way;
        int result;
        void (*close)(QDialog*);
    } ways[] = {
        {"Cancel", 2, [](QDialog* d) { ClickControl(d, 2); }},
        {"Escape", 2, [](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }},
        {"close box", 0, [](QDialog* d) { d->close(); }},
    };
    for (const auto& way : ways) {
        TSVT_Artist artist{};
        CopyToField("Name", artist.name);
        CEditArtistDlg dlg(artist);
        QDialog* dialog = dlg.Open(&owner_);
        SetText(dialog, CEditArtistDlg::kName, QStringLiteral("Changed"));
        way.close(dialog);
        EXPECT_EQ(dlg.Result(), way.result) << way.way;
        EXPECT_FALSE(dialog->isVisible()) << way.way;
        EXPECT_STREQ(artist.name, "Name") << way.way;
    }
}

TEST_F(TagDialogsTest, DoModalRunsTheDialogCentredOnItsOwner) {
    TSVT_Artist artist{};
    CopyToField("Name", artist.name);
    CEditArtistDlg dlg(artist);
    testsupport::WhenModalShown([&](QWidget* modal) {
        const QPoint off = modal->geometry().center() - owner_.geometry().center();
        EXPECT_LE(off.manhattanLength(), 4) << off.x() << "," << off.y();
        testsupport::TypeText(modal, QStringLiteral("New"));
        ClickControl(modal, 1);
    });
    EXPECT_EQ(dlg.DoModal(&owner_), 1);
    EXPECT_STREQ(artist.name, "New");

    testsupport::WhenModalShown([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(dlg.DoModal(&owner_), 0);
}

struct TRecordValues {
    const char* artist;
    const char* title;
    int year;
    const char* genre;
};

// A disc record holding values (records own lists and are not copied).
void Fill(TITLEFETCH_TRResult& record, const TRecordValues& values) {
    CopyToField(values.artist, record.artist);
    CopyToField(values.title, record.title);
    record.year = values.year;
    CopyToField(values.genre, record.genre);
}

TEST_F(TagDialogsTest, MissingTagFocusesTheFirstGapAndKeepsWhatItCannotShow) {
    const struct {
        TRecordValues values;
        int focus;
    } cases[] = {
        {{"", "", 0, ""}, CEditMissingTagDlg::kArtist},
        {{"A", "", 0, ""}, CEditMissingTagDlg::kAlbum},
        {{"A", "T", 0, ""}, CEditMissingTagDlg::kYear},
        {{"A", "T", 1999, ""}, CEditMissingTagDlg::kGenre},
        {{"", "T", 1999, "Rock"}, CEditMissingTagDlg::kArtist},
    };
    for (const auto& c : cases) {
        TITLEFETCH_TRResult record;
        Fill(record, c.values);
        CEditMissingTagDlg dlg(&record, false);
        QDialog* dialog = dlg.Open(&owner_);
        EXPECT_EQ(dialog->objectName(), QStringLiteral("269"));
        QWidget* focus = dialog->focusWidget();
        ASSERT_NE(focus, nullptr);
        // A combo box's own line edit may hold the focus for it.
        while (focus != nullptr && focus->objectName().isEmpty()) focus = focus->parentWidget();
        EXPECT_EQ(focus->objectName().toInt(), c.focus) << record.artist << "/" << record.title;
    }

    // A genre and a year the lists do not have stay as the record had them.
    TITLEFETCH_TRResult record;
    Fill(record, {"Artist", "Album", 1850, "Krautrock"});
    CEditMissingTagDlg dlg(&record, false);
    QDialog* dialog = dlg.Open(&owner_);
    EXPECT_EQ(List(dialog, CEditMissingTagDlg::kGenre)->currentText(), QStringLiteral("Krautrock"));
    EXPECT_EQ(FindControl<QLabel>(dialog, CEditMissingTagDlg::kLabels[0])->text(),
              ProgString("EditCDMTag_Label0"));
    testsupport::ExpectNoClippedText(dialog);
    testsupport::SaveWidgetPng(dialog, QStringLiteral("edit_missing_tag"));
    SetText(dialog, CEditMissingTagDlg::kAlbum, QStringLiteral("New Album"));
    ClickControl(dialog, 1);
    EXPECT_EQ(dlg.Result(), 1);
    EXPECT_STREQ(record.title, "New Album");
    EXPECT_EQ(record.year, 1850);
    EXPECT_STREQ(record.genre, "Krautrock");
}

TEST_F(TagDialogsTest, MissingTagWithTheSubmitFlagNeedsArtistAndAlbum) {
    for (const bool submit : {true, false}) {
        testsupport::CFakeUiServices ui;
        if (submit) ui.ExpectMessage("VerifyField", IDOK);
        TITLEFETCH_TRResult record;
        Fill(record, {"", "Album", 0, ""});
        CEditMissingTagDlg dlg(&record, submit);
        QDialog* dialog = dlg.Open(&owner_);
        ChooseYear(List(dialog, CEditMissingTagDlg::kYear), 2003);
        List(dialog, CEditMissingTagDlg::kGenre)->setCurrentIndex(8);
        ClickControl(dialog, 1);
        if (submit) {
            EXPECT_EQ(dlg.Result(), CSmallDialog::kStillOpen);
            EXPECT_EQ(record.year, 0) << "nothing stored while refused";
            SetText(dialog, CEditMissingTagDlg::kArtist, QStringLiteral("Artist"));
            ClickControl(dialog, 1);
        }
        EXPECT_EQ(dlg.Result(), 1) << submit;
        EXPECT_STREQ(record.artist, submit ? "Artist" : "");
        EXPECT_EQ(record.year, 2003);
        EXPECT_STREQ(record.genre, "Jazz");
    }
    // Create runs the dialog; its close box gives 0 and leaves the record.
    TITLEFETCH_TRResult record;
    Fill(record, {"", "Album", 0, ""});
    CEditMissingTagDlg created(&record, true);
    testsupport::WhenModalShown([](QWidget* modal) {
        testsupport::TypeText(modal, QStringLiteral("Typed"));
        modal->close();
    });
    EXPECT_EQ(created.Create(&owner_), 0);
    EXPECT_STREQ(record.artist, "");

    // Without a record there is nothing to fill, and Save still ends it.
    CEditMissingTagDlg dlg(nullptr, false);
    QDialog* dialog = dlg.Open(&owner_);
    ClickControl(dialog, 1);
    EXPECT_EQ(dlg.Result(), 1);
}

}  // namespace
