#pragma once
// CEditCDTagDlg: the titles and tags of an audio CD's tracks, typed track
// by track (Next and Previous go round the disc). Four boxes make the
// artist, album, year or genre one for every track: while a box is ticked,
// its field is written into every row as it changes. The dialog edits
// copies of the CD page's rows; Save hands them back. When the disc was
// swapped meanwhile, the user is asked first whether the texts are for the
// new disc, and only as many rows as both have are copied.

#include <cstdint>
#include <vector>

#include "songsmith/cd/cd_tag_rows.h"
#include "songsmith/dialogs/ui/small_dialog.h"

class CEditCDTagDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 277;
    static constexpr int kTitle = 1407;
    static constexpr int kArtist = 1408;
    static constexpr int kAlbum = 1409;
    static constexpr int kYear = 1410;
    static constexpr int kGenre = 1411;
    static constexpr int kComment = 1412;
    static constexpr int kPosition = 1331;
    static constexpr int kUseArtist = 1403;
    static constexpr int kUseAlbum = 1404;
    static constexpr int kUseYear = 1405;
    static constexpr int kUseGenre = 1406;
    static constexpr int kNext = 1263;
    static constexpr int kPrevious = 1264;
    static constexpr int kIntro = 1360;
    static constexpr int kLabels[6] = {1413, 1414, 1415, 1416, 1417, 1418};

    // page stays the caller's; firstRow is the row shown first.
    CEditCDTagDlg(ICDTagPage& page, int firstRow) : page_(page), row_(firstRow) {}

    void OnCommand(int id) override;

    // The dialog's copies of the rows, and the one shown.
    const std::vector<TCDTagRow>& Rows() const { return rows_; }
    int ShownRow() const { return row_; }

protected:
    // Copies the page's rows and remembers the disc; a page without rows
    // has nothing to edit.
    bool BeforeOpen() override;
    void OnInitDialog(QDialog& dialog) override;
    void OnOk() override;

private:
    void CreateControls(QDialog& dialog);
    void ShowRow();
    void StoreRow();
    // The fields whose box is ticked, written into every row.
    void ApplyTicked();
    void ApplyIfTicked(ECdTagShared field);
    // The shared field's value as the controls hold it now.
    TCDTagRow SharedValue() const;
    // Next (1) or Previous (-1), going round at either end.
    void Move(int step);
    // The disc in the drive is another: asks whether to copy; false keeps
    // the dialog open or has ended it.
    bool AskCopyToNewDisc();

    ICDTagPage& page_;
    int row_;
    std::vector<TCDTagRow> rows_;
    std::uint32_t discId_ = 0;
    // Set while a row is put into the controls, whose change signals then
    // are not the user's.
    bool showing_ = false;
};
