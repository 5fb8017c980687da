#pragma once
// CAdvancedFindDlg: the field query of the Find page. Up to three rows of
// field, operator and value and a release-year range are turned into the
// song store's conditions (songsmith/find/advanced_find.h); the dialog shows how many
// songs match while the user changes them. It starts from the state the
// Find page keeps and, on OK, saves into it and ends with 1, leaving the
// conditions for the page; Cancel ends with 2, the close box with 0.
//
// The count asks the store, which takes a while on a large library, so a
// change only (re)starts a short single-shot timer and the count runs when
// the changes pause.

#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>

#include "songsmith/find/advanced_find.h"
#include "songsmith/find/query_list.h"
#include "songsmith/drawing/ui/range_slider.h"
#include "songsmith/dialogs/ui/small_dialog.h"

class CAppMessageReceiver;
class QComboBox;
class QTimer;

class CAdvancedFindDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 130;
    static constexpr std::array<int, kAdvancedFindRows> kFieldIds{1020, 1021, 1022};
    static constexpr std::array<int, kAdvancedFindRows> kOperatorIds{1023, 1024, 1025};
    static constexpr std::array<int, kAdvancedFindRows> kValueIds{1026, 1027, 1028};
    static constexpr int kYearBox = 1036;
    static constexpr int kBpmBox = 1035;
    static constexpr int kCountText = 1031;
    static constexpr int kReset = 3;
    static constexpr int kCountDelayMs = 150;
    // Where the year slider goes, made in code.
    static constexpr int kSliderX = 180;
    static constexpr int kSliderY = 132;
    static constexpr int kSliderWidth = 250;
    static constexpr int kSliderHeight = 35;

    // The store's count of the songs that meet the conditions.
    using TCounter = std::function<std::int32_t(const MvList<MDB_Query*>* conditions)>;

    CAdvancedFindDlg(TAdvancedFindState& state, TCounter counter);
    ~CAdvancedFindDlg() override;

    void OnCommand(int id) override;

    // The conditions of the last count, and after OK those of the rows and
    // ranges as they were saved.
    const CQueryList& Conditions() const { return conditions_; }
    CRangeSlider* YearSlider() const { return yearSlider_; }
    // How many times the store was asked for a count.
    int CountsRun() const { return countsRun_; }
    bool CountPending() const;
    // Runs a waiting count at once instead of when its timer fires; false
    // when none waits. For tests, which never wait on the clock.
    bool RunPendingCount();

protected:
    void OnInitDialog(QDialog& dialog) override;
    void OnOk() override;

private:
    void BuildRow(int row);
    void FillValueList(int row);
    void Restore();
    void Reset();
    void OnYearBox();
    void ScheduleCount();
    void Count();
    std::array<TFindRowInput, kAdvancedFindRows> ReadRows() const;
    TFindRanges ReadRanges() const;
    QComboBox* List(int id) const;

    TAdvancedFindState& state_;
    TCounter counter_;
    CQueryList conditions_;
    int countsRun_ = 0;
    // The BPM range has no visible slider: its bounds are kept here.
    std::int32_t bpmLow_ = kFindBpmFirst;
    std::int32_t bpmHigh_ = kFindBpmLast;
    QPointer<CRangeSlider> yearSlider_;
    QPointer<QTimer> countTimer_;
    QPointer<CAppMessageReceiver> receiver_;
};
