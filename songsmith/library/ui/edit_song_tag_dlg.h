#pragma once
// CEditSongTagDlg: the tag of one library song (title, artist, album, year,
// genre, comment), beside what the song file itself says (its format, the
// song's length, the file). Save writes the song record handed in; what the
// caller then stores is its own business.

#include "songsmith/dialogs/ui/small_dialog.h"

struct TSVT_Song;

class CEditSongTagDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 217;
    static constexpr int kTitle = 1003;
    static constexpr int kArtist = 1002;
    static constexpr int kAlbum = 1259;
    static constexpr int kYear = 1260;
    static constexpr int kGenre = 1261;
    static constexpr int kComment = 1265;
    static constexpr int kFormat = 1419;
    static constexpr int kLength = 1479;
    static constexpr int kFile = 1420;

    // The song stays the caller's; it changes only on Save.
    explicit CEditSongTagDlg(TSVT_Song& song) : song_(song) {}

protected:
    void OnInitDialog(QDialog& dialog) override;
    void OnOk() override;

private:
    TSVT_Song& song_;
};
