#pragma once
// CEditMissingTagDlg: the parts of a disc record from the CD database that
// came back empty (artist, album, year, genre), for the user to fill in.
// Save writes the record; with the submit flag, artist and album are
// required, as a record sent back to the database needs them.

#include "songsmith/dialogs/ui/small_dialog.h"

struct TITLEFETCH_TRResult;

class CEditMissingTagDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 269;
    static constexpr int kArtist = 1002;
    static constexpr int kAlbum = 1259;
    static constexpr int kYear = 1260;
    static constexpr int kGenre = 1261;
    static constexpr int kLabels[4] = {1432, 1433, 1434, 1435};

    // record may be null (nothing to fill); it stays the caller's.
    CEditMissingTagDlg(TITLEFETCH_TRResult* record, bool submit)
        : record_(record), submit_(submit) {}

    // Logs the record's values and runs the dialog over owner.
    int Create(QWidget* owner);

protected:
    void OnInitDialog(QDialog& dialog) override;
    void OnOk() override;

private:
    TITLEFETCH_TRResult* record_;
    bool submit_;
};
