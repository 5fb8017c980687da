#pragma once
// CWillNotFitDlg: the session is longer than the disc holds. It says by how
// much and lets the user choose what happens to the end that does not fit:
// faded out over a number of seconds, or cut off. OK stores the choice, to
// be applied when the session is laid out on the disc.

#include <QPointer>
#include <QRect>

#include "songsmith/drawing/ui/dib_section.h"

class CBurner;
class CPreferences;
class CTrackList;
class QComboBox;
class QDialog;
class QPainter;
class QRadioButton;
class QWidget;

class CWillNotFitDlg {
public:
    static constexpr int kDialogId = 179;
    static constexpr int kNotFit = 1149;
    static constexpr int kText = 1138;
    static constexpr int kPicturePlace = 1137;
    static constexpr int kFadeOut = 1139;
    static constexpr int kChopOff = 1142;
    static constexpr int kSecondsLabel = 1141;
    static constexpr int kSecondsList = 1016;
    // "excessTreatment".
    static constexpr int kTreatmentCut = 1;
    static constexpr int kTreatmentFade = 2;

    CWillNotFitDlg(CPreferences& prefs, CBurner& burner, CTrackList& tracks);
    ~CWillNotFitDlg();
    CWillNotFitDlg(const CWillNotFitDlg&) = delete;
    CWillNotFitDlg& operator=(const CWillNotFitDlg&) = delete;

    // 1 after OK (the choice stored), 0 after Cancel or the close box.
    int DoModal(QWidget* parent);

private:
    void OnInitDialog(QWidget* parent);
    void CreateControls();
    void ShowLengths();
    void OnTreatment();
    void OnOk();
    void OnHelp();
    void OnPaint(QPainter& painter);

    CPreferences& prefs_;
    CBurner& burner_;
    CTrackList& tracks_;
    QPointer<QDialog> dialog_;
    CDibSection picture_;
    QRect pictureRect_;
    QRadioButton* fade_ = nullptr;
    QRadioButton* cut_ = nullptr;
    QComboBox* seconds_ = nullptr;
};
