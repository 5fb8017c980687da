#pragma once
// CBurnDialog: the dialog shown before every burn. It shows the writer and
// lets the user choose a test, a test and then the burn, or the burn alone,
// how many discs, CD-Text, burn-proof writing, converting every track to a
// WAV file first and the write speed, with an estimate of the whole job's
// time. Start warns about risky choices and stores the choices in
// "BurnerPrefs"; it returns 1, Cancel and the close box 0.

#include <QPointer>
#include <QRect>
#include <cstdint>
#include <functional>
#include <optional>

#include "songsmith/drawing/ui/dib_section.h"

class CBurner;
class CPreferences;
class CTrackList;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPainter;
class QWidget;

// What the dialog works on and whom it tells.
struct TBurnDialogContext {
    CPreferences& prefs;
    CBurner& burner;
    // The session, for its length on disc.
    CTrackList& tracks;
    // The Zent engine writes the discs (it numbers speeds by their multiple
    // of 1X and mixes tracks itself).
    bool zentEngine = false;
    // The session's converted files no longer match the choices; may be
    // empty.
    std::function<void()> conversionOutdated = nullptr;
};

class CBurnDialog {
public:
    static constexpr int kDialogId = 141;
    static constexpr int kWriterFrame = 40073;
    static constexpr int kWriterText = 1171;
    static constexpr int kModeFrame = 40072;
    static constexpr int kTest = 1004;
    static constexpr int kTestThenBurn = 1005;
    static constexpr int kBurn = 1053;
    static constexpr int kMakeLabel = 1152;
    static constexpr int kCopies = 1002;
    static constexpr int kCopiesUpDown = 1156;
    static constexpr int kCopiesLabel = 1151;
    static constexpr int kCdText = 1008;
    static constexpr int kBurnProof = 1093;
    static constexpr int kConvertFirst = 1195;
    static constexpr int kSpeedLabel = 40071;
    static constexpr int kSpeedList = 1009;
    static constexpr int kEstimate = 1196;
    static constexpr int kPicture = 1007;
    static constexpr int kMinCopies = 1;
    static constexpr int kMaxCopies = 500;
    // The speed list's first row, and what it stores: the writer's fastest.
    static constexpr int kMaxSpeedRow = 0;
    static constexpr int kMaxSpeedValue = 255;

    explicit CBurnDialog(TBurnDialogContext context);
    ~CBurnDialog();
    CBurnDialog(const CBurnDialog&) = delete;
    CBurnDialog& operator=(const CBurnDialog&) = delete;

    // Runs the dialog centred over parent; 1 after Start, 0 otherwise.
    int DoModal(QWidget* parent);

    // Reckons the whole job's time from the session's length on disc, the
    // chosen speed, mode, copies and conversion, and shows it.
    void UpdateBurnEstimate();

private:
    void OnInitDialog(QWidget* parent);
    void CreateControls();
    void FillSpeedList();
    void OnMode(int mode);
    // The copies box changed: a text that is no number, or 0, becomes 1, a
    // number above the most copies becomes that.
    void OnCopiesChanged();
    void OnStart();
    // Asks a question by key; the answer and whether "do not ask again"
    // was ticked.
    int Ask(const char* key, const char* captionKey, std::uint32_t flags, bool* dontAskAgain);
    // The number in the copies box; empty when it holds none.
    std::optional<int> CopiesInBox() const;
    // The speed in X the estimate uses for the selected row.
    int EstimateSpeed() const;
    // What "BurnerPrefs" keeps for the selected row.
    int StoredSpeed() const;
    int SelectedSpeedData() const;
    void OnHelp();
    void OnPaint(QPainter& painter);

    TBurnDialogContext context_;
    QPointer<QDialog> dialog_;
    // 0 test, 1 test then burn, 2 burn.
    int mode_ = 2;
    int maxSpeedIndex_ = kMaxSpeedRow;
    CDibSection picture_;
    QRect pictureRect_;

    QCheckBox* cdText_ = nullptr;
    QCheckBox* burnProof_ = nullptr;
    QCheckBox* convertFirst_ = nullptr;
    QLineEdit* copies_ = nullptr;
    QComboBox* speeds_ = nullptr;
    QLabel* estimate_ = nullptr;
    bool clampingCopies_ = false;
};
