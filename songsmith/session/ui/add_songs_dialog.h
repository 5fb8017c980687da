#pragma once
// CAddSongsDlg: the modal progress dialog that adds the session list's add
// list, one file per tick of a 1 ms timer, with a bar and a line of counts.
// Its number (and title) says which wording it uses: 281 for songs that
// also go to the song library, 148 for a playlist's songs.

class CSessionList;
class QWidget;

class CAddSongsDlg {
public:
    static constexpr int kLibraryDialogId = 281;
    static constexpr int kPlaylistDialogId = 148;
    static constexpr int kStopButton = 2;
    static constexpr int kProgressText = 1080;
    static constexpr int kProgressBar = 1000;
    static constexpr int kTickMs = 1;

    explicit CAddSongsDlg(CSessionList& list) : list_(list) {}

    // Runs the dialog over the list's add list (begun by the caller), centred
    // on parent; the add list's result: 1 when all or some songs were added
    // (or the user stopped), 0 when none was and some failed.
    int DoModal(QWidget* parent, bool libraryWording);

private:
    CSessionList& list_;
};
