#pragma once
// The Library page's editors of one record each: an artist's name, an
// album (its artist, name, year and genre) and a genre. OK writes the record
// handed in; Cancel and the close box leave it as it was.

#include "songsmith/dialogs/ui/small_dialog.h"

struct TSVT_Album;
struct TSVT_Artist;
struct TSVT_Genre;

class CEditArtistDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 225;
    static constexpr int kName = 1062;

    explicit CEditArtistDlg(TSVT_Artist& artist) : artist_(artist) {}

protected:
    void OnInitDialog(QDialog& dialog) override;
    void OnOk() override;

private:
    TSVT_Artist& artist_;
};

class CEditAlbumDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 273;
    static constexpr int kArtist = 1065;
    static constexpr int kAlbum = 1064;
    static constexpr int kYear = 1002;
    static constexpr int kGenre = 1384;

    explicit CEditAlbumDlg(TSVT_Album& album) : album_(album) {}

protected:
    void OnInitDialog(QDialog& dialog) override;
    void OnOk() override;

private:
    TSVT_Album& album_;
};

// A genre record is renamed only to a name of the genre table, matched
// without regard to case; any other text leaves the name and sets the
// number to 255 (none).
class CEditGenreDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 268;
    static constexpr int kGenre = 1357;

    explicit CEditGenreDlg(TSVT_Genre& genre) : genre_(genre) {}

protected:
    void OnInitDialog(QDialog& dialog) override;
    void OnOk() override;

private:
    TSVT_Genre& genre_;
};
