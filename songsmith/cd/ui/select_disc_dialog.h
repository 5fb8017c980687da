#pragma once
// CSelectDiscDlg: the choice among the CDDB server's matches for a disc:
// one line per match ("artist - album (genre)") and a last line for none of
// them. OK (or a double click on a line) ends it with 1 and that line's
// match (its disc ID 0 for none of them); Cancel with 2; the close box
// with 0. A server files one disc under one ID in several categories, so
// the match, not its ID alone, names the record to read.

#include <QDialog>
#include <QPointer>
#include <cstdint>
#include <vector>

#include "titlefetch/cddb_records.h"
#include "titlefetch/mv_list.h"

class QListWidget;

class CSelectDiscDlg {
public:
    static constexpr int kDialogId = 218;
    static constexpr int kList = 1266;
    static constexpr int kText = 1265;

    CSelectDiscDlg() = default;
    ~CSelectDiscDlg();
    CSelectDiscDlg(const CSelectDiscDlg&) = delete;
    CSelectDiscDlg& operator=(const CSelectDiscDlg&) = delete;

    // Runs the dialog over owner, centred on it; the matches stay the
    // caller's. 1, 2 or 0 as above.
    int DoModal(QWidget* owner, const MvList<TITLEFETCH_TQResult*>& matches);
    // The match chosen with OK (a copy); all zero otherwise.
    const TITLEFETCH_TQResult& ChosenMatch() const { return chosen_; }
    QDialog* Window() const { return dialog_; }

    void OnInitDialog(QDialog& dialog, const MvList<TITLEFETCH_TQResult*>& matches);
    void OnCommand(int id);

private:
    QPointer<QDialog> dialog_;
    QPointer<QListWidget> list_;
    // The matches shown, line by line (the caller's).
    std::vector<const TITLEFETCH_TQResult*> shown_;
    TITLEFETCH_TQResult chosen_{};
};
