#include "songsmith/find/ui/advanced_find_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>

#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/range_slider.h"

namespace {

constexpr int kWidth = 442;
constexpr int kMargin = 12;
constexpr int kRowTop = 14;
constexpr int kRowStep = 32;
constexpr int kBoxHeight = 24;
constexpr int kFieldLeft = kMargin;
constexpr int kFieldWidth = 130;
constexpr int kOperatorLeft = 148;
constexpr int kOperatorWidth = 90;
constexpr int kValueLeft = 244;
constexpr int kValueWidth = kWidth - kMargin - kValueLeft;
constexpr int kButtonsTop = 214;

// An item's data, or none for an item that carries none.
constexpr int kNoItemData = -1;
constexpr int kHasDataRole = Qt::UserRole + 1;

QString KeyText(const char* key) {
    return key == nullptr ? QString() : ProgString(key);
}

// Places a box in where, vertically centred; a text too long for one line
// breaks at its last space.
void FitBeside(QCheckBox* box, QRect where) {
    const QString text = box->text();
    const int space = text.lastIndexOf(QLatin1Char(' '));
    if (box->sizeHint().width() > where.width() && space > 0)
        box->setText(text.left(space) + "\n" + text.mid(space + 1));
    const QSize wanted = box->sizeHint();
    box->setGeometry(where.x(), where.y() + std::max(0, (where.height() - wanted.height()) / 2),
                     std::min(where.width(), wanted.width()),
                     std::min(where.height(), wanted.height()));
}

}  // namespace

CAdvancedFindDlg::CAdvancedFindDlg(TAdvancedFindState& state, TCounter counter)
    : state_(state), counter_(std::move(counter)) {}

CAdvancedFindDlg::~CAdvancedFindDlg() = default;

QComboBox* CAdvancedFindDlg::List(int id) const {
    return Control<QComboBox>(id);
}

void CAdvancedFindDlg::OnInitDialog(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("AdvFind_Title"));

    receiver_ = new CAppMessageReceiver(
        [this](TAppMessage& message) -> std::intptr_t {
            if (message.number == WM_RANGE_CHANGED) ScheduleCount();
            return 0;
        },
        &dialog);
    countTimer_ = new QTimer(&dialog);
    countTimer_->setSingleShot(true);
    countTimer_->setInterval(kCountDelayMs);
    QObject::connect(countTimer_, &QTimer::timeout, &dialog, [this] { Count(); });

    for (int row = 0; row < kAdvancedFindRows; ++row) BuildRow(row);

    // The BPM range is kept but has no visible control, so it stays off.
    QCheckBox* bpm =
        AddCheckBox(kBpmBox, ProgString("AdvFind_Bpm"), QRect(kMargin, 108, 260, 20), false);
    bpm->hide();
    QCheckBox* year = AddCheckBox(kYearBox, ProgString("AdvFind_Years"), QRect(), false);
    FitBeside(year, QRect(kMargin, kSliderY, kSliderX - kMargin - 4, kSliderHeight));
    QObject::connect(year, &QCheckBox::clicked, &dialog, [this] { OnCommand(kYearBox); });
    yearSlider_ = CRangeSlider::Create(&dialog, receiver_->Id(), kSliderX, kSliderY, kSliderWidth,
                                       kSliderHeight);
    yearSlider_->setObjectName(QStringLiteral("YearSlider"));
    yearSlider_->SetRange(kFindYearFirst, FindYearLast());
    yearSlider_->SetPositions(kFindYearFirst, FindYearLast());
    yearSlider_->Enable(false);

    QLabel* count = AddLabel(kCountText, QString(), QRect(kMargin, 180, kWidth - 2 * kMargin, 20));
    count->setFrameShape(QFrame::StyledPanel);
    AddButton(kReset, ProgString("AdvFind_Reset"), QRect(kMargin, kButtonsTop, 90, kBoxHeight));
    AddOkCancel("OK", kButtonsTop, kWidth);

    Restore();
    Count();
}

void CAdvancedFindDlg::BuildRow(int row) {
    QDialog* dialog = Window();
    const int top = kRowTop + row * kRowStep;

    auto* field = new QComboBox(dialog);
    field->setObjectName(QString::number(kFieldIds[row]));
    field->setGeometry(kFieldLeft, top, kFieldWidth, kBoxHeight);
    field->setMaxVisibleItems(kFindFieldCount);
    for (int index = 0; index < kFindFieldCount; ++index)
        field->addItem(KeyText(FindFields()[index].textKey), index);

    auto* op = new QComboBox(dialog);
    op->setObjectName(QString::number(kOperatorIds[row]));
    op->setGeometry(kOperatorLeft, top, kOperatorWidth, kBoxHeight);
    for (int code = 0; code < kFindOperatorCount; ++code)
        op->addItem(KeyText(FindOperatorKeys()[code]), code);

    auto* value = new QComboBox(dialog);
    value->setObjectName(QString::number(kValueIds[row]));
    value->setGeometry(kValueLeft, top, kValueWidth, kBoxHeight);
    value->setEditable(true);
    // A value typed is read as typed: no completion that would change it,
    // and it never joins the list.
    value->setCompleter(nullptr);
    value->setInsertPolicy(QComboBox::NoInsert);
    value->setMaxVisibleItems(12);
    value->lineEdit()->setMaxLength(static_cast<int>(kAdvancedFindValueBytes) - 1);

    QObject::connect(field, &QComboBox::currentIndexChanged, dialog, [this, row] {
        FillValueList(row);
        ScheduleCount();
    });
    QObject::connect(op, &QComboBox::currentIndexChanged, dialog, [this] { ScheduleCount(); });
    QObject::connect(value, &QComboBox::currentIndexChanged, dialog, [this] { ScheduleCount(); });
    QObject::connect(value, &QComboBox::editTextChanged, dialog, [this] { ScheduleCount(); });
}

void CAdvancedFindDlg::FillValueList(int row) {
    QComboBox* field = List(kFieldIds[row]);
    QComboBox* value = List(kValueIds[row]);
    const QSignalBlocker quiet(value);
    value->clear();
    for (const TFindValueItem& item : FindValueList(field->currentIndex())) {
        value->addItem(QString::fromStdString(item.text), item.data.value_or(kNoItemData));
        value->setItemData(value->count() - 1, item.data.has_value(), kHasDataRole);
    }
    value->setCurrentIndex(-1);
    value->setEditText(QString());
}

void CAdvancedFindDlg::Restore() {
    for (int row = 0; row < kAdvancedFindRows; ++row) {
        QComboBox* field = List(kFieldIds[row]);
        QComboBox* op = List(kOperatorIds[row]);
        QComboBox* value = List(kValueIds[row]);
        const QSignalBlocker quietField(field);
        const QSignalBlocker quietOp(op);
        const int saved = state_.field[row];
        field->setCurrentIndex(saved >= 0 && saved < field->count() ? saved : 0);
        op->setCurrentIndex(state_.op[row] >= 0 && state_.op[row] < op->count() ? state_.op[row]
                                                                                : 0);
        FillValueList(row);
        const QSignalBlocker quietValue(value);
        const QString text = QString::fromStdString(state_.value[row]);
        // A saved item's text selects that item again.
        value->setCurrentIndex(value->findText(text, Qt::MatchExactly));
        value->setEditText(text);
    }
    Control<QCheckBox>(kBpmBox)->setChecked(state_.bpmOn);
    Control<QCheckBox>(kYearBox)->setChecked(state_.yearOn);
    std::tie(bpmLow_, bpmHigh_) =
        ClampFindRange(state_.bpmLow, state_.bpmHigh, kFindBpmFirst, kFindBpmLast);
    const auto [low, high] =
        ClampFindRange(state_.yearLow, state_.yearHigh, yearSlider_->Min(), yearSlider_->Max());
    yearSlider_->SetPositions(low, high);
    yearSlider_->Enable(state_.yearOn);
}

void CAdvancedFindDlg::OnCommand(int id) {
    switch (id) {
        case kReset:
            Reset();
            return;
        case kYearBox:
            OnYearBox();
            return;
        default:
            CSmallDialog::OnCommand(id);
    }
}

void CAdvancedFindDlg::OnYearBox() {
    yearSlider_->Enable(Control<QCheckBox>(kYearBox)->isChecked());
    // The range is in the conditions now, or no longer.
    ScheduleCount();
}

void CAdvancedFindDlg::Reset() {
    for (int row = 0; row < kAdvancedFindRows; ++row) {
        List(kFieldIds[row])->setCurrentIndex(0);
        List(kOperatorIds[row])->setCurrentIndex(0);
        // The value box is emptied by the field's change; once more for a
        // row whose field was empty already.
        FillValueList(row);
    }
    bpmLow_ = kFindBpmFirst;
    bpmHigh_ = kFindBpmLast;
    yearSlider_->SetPositions(yearSlider_->Min(), yearSlider_->Max());
    ScheduleCount();
}

std::array<TFindRowInput, kAdvancedFindRows> CAdvancedFindDlg::ReadRows() const {
    std::array<TFindRowInput, kAdvancedFindRows> rows;
    for (int row = 0; row < kAdvancedFindRows; ++row) {
        TFindRowInput& input = rows[row];
        input.field = List(kFieldIds[row])->currentIndex();
        input.op = List(kOperatorIds[row])->currentIndex();
        const QComboBox* value = List(kValueIds[row]);
        input.text =
            std::string(CutToBuffer(value->currentText().toStdString(), kAdvancedFindValueBytes));
        // An item counts as chosen while the box shows its text; once the
        // user types over it, the text typed counts.
        const int item = value->currentIndex();
        input.itemSelected = item >= 0 && value->itemText(item) == value->currentText();
        if (input.itemSelected && value->itemData(item, kHasDataRole).toBool())
            input.itemData = value->itemData(item).toInt();
    }
    return rows;
}

TFindRanges CAdvancedFindDlg::ReadRanges() const {
    TFindRanges ranges;
    ranges.bpmOn = Control<QCheckBox>(kBpmBox)->isChecked();
    ranges.bpmLow = bpmLow_;
    ranges.bpmHigh = bpmHigh_;
    ranges.yearOn = Control<QCheckBox>(kYearBox)->isChecked();
    ranges.yearLow = yearSlider_->Low();
    ranges.yearHigh = yearSlider_->High();
    return ranges;
}

void CAdvancedFindDlg::ScheduleCount() {
    if (countTimer_ != nullptr) countTimer_->start();
}

bool CAdvancedFindDlg::CountPending() const {
    return countTimer_ != nullptr && countTimer_->isActive();
}

bool CAdvancedFindDlg::RunPendingCount() {
    if (!CountPending()) return false;
    countTimer_->stop();
    Count();
    return true;
}

void CAdvancedFindDlg::Count() {
    const std::array<TFindRowInput, kAdvancedFindRows> rows = ReadRows();
    conditions_ = CQueryList(BuildFindConditions(rows, ReadRanges()));
    std::int32_t count = 0;
    // No conditions: no song is asked for, and the store is not asked.
    if (!conditions_.Empty() && counter_) {
        ++countsRun_;
        count = counter_(conditions_.List());
    }
    const char* key = FindCountKey(count);
    const std::string shown =
        count > 1 ? FormatKeyedText(key, {static_cast<long>(count)}) : KeyedText(key);
    if (auto* text = Control<QLabel>(kCountText)) text->setText(QString::fromStdString(shown));
}

void CAdvancedFindDlg::OnOk() {
    if (countTimer_ != nullptr) countTimer_->stop();
    const std::array<TFindRowInput, kAdvancedFindRows> rows = ReadRows();
    for (int row = 0; row < kAdvancedFindRows; ++row) {
        state_.field[row] = rows[row].field;
        state_.op[row] = rows[row].op;
        state_.value[row] = rows[row].text;
    }
    const TFindRanges ranges = ReadRanges();
    state_.bpmOn = ranges.bpmOn;
    state_.bpmLow = ranges.bpmLow;
    state_.bpmHigh = ranges.bpmHigh;
    state_.yearOn = ranges.yearOn;
    state_.yearLow = ranges.yearLow;
    state_.yearHigh = ranges.yearHigh;
    conditions_ = CQueryList(BuildFindConditions(rows, ranges));
    End(1);
}
