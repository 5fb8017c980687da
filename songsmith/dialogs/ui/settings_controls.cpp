#include "songsmith/dialogs/ui/settings_controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <string>

#include "utilities/text_copy.h"

namespace {

// A line edit's own limit, which stands for none.
constexpr int kLineEditNoLimit = 32767;

}  // namespace

CComboChoiceList::CComboChoiceList(QComboBox* combo) : combo_(combo) {}

void CComboChoiceList::ResetContent() {
    if (combo_ != nullptr) combo_->clear();
}

int CComboChoiceList::AddItem(const char* text, std::int32_t value) {
    if (combo_ == nullptr) return -1;
    // A combo box selects the first item added to it; a list's items are
    // selected only when asked.
    const int selected = combo_->currentIndex();
    combo_->addItem(QString::fromUtf8(text != nullptr ? text : ""), value);
    if (selected < 0) combo_->setCurrentIndex(-1);
    return combo_->count() - 1;
}

int CComboChoiceList::Count() const { return combo_ != nullptr ? combo_->count() : 0; }

std::int32_t CComboChoiceList::ItemValue(int index) const {
    return combo_ != nullptr ? combo_->itemData(index).toInt() : 0;
}

void CComboChoiceList::SetCurrentIndex(int index) {
    if (combo_ == nullptr) return;
    combo_->setCurrentIndex(index >= 0 && index < combo_->count() ? index : -1);
}

int CComboChoiceList::CurrentIndex() const { return combo_ != nullptr ? combo_->currentIndex() : -1; }

CSliderRange::CSliderRange(QSlider* slider, std::function<void()> onChanged)
    : slider_(slider), onChanged_(std::move(onChanged)) {
    if (slider_ == nullptr) return;
    // Every move of the user's (dragging, keys, clicks beside the handle)
    // changes the value; the helpers' own changes are made with the
    // slider's signals blocked.
    moved_ = QObject::connect(slider_, &QSlider::valueChanged, slider_, [this] {
        if (onChanged_) onChanged_();
    });
}

// The slider may outlive its adapter.
CSliderRange::~CSliderRange() { QObject::disconnect(moved_); }

void CSliderRange::SetRange(int minimum, int maximum) {
    if (slider_ == nullptr) return;
    const QSignalBlocker quiet(slider_);
    slider_->setRange(minimum, maximum);
}

void CSliderRange::SetPosition(int position) {
    if (slider_ == nullptr) return;
    const QSignalBlocker quiet(slider_);
    slider_->setValue(position);
}

int CSliderRange::Position() const { return slider_ != nullptr ? slider_->value() : 0; }

void CSliderRange::NotifyChanged() {
    if (onChanged_) onChanged_();
}

CTextField::CTextField(QLabel* label) : label_(label) {}
CTextField::CTextField(QLineEdit* edit) : edit_(edit) {}

void CTextField::SetText(const char* text) {
    const QString shown = QString::fromUtf8(text != nullptr ? text : "");
    if (label_ != nullptr) label_->setText(shown);
    if (edit_ != nullptr) edit_->setText(shown);
}

void CTextField::GetText(char* out, int size) const {
    if (out == nullptr || size <= 0) return;
    std::string text;
    if (label_ != nullptr) text = label_->text().toStdString();
    if (edit_ != nullptr) text = edit_->text().toStdString();
    textcopy::CopyTextCut(text, out, static_cast<std::size_t>(size));
}

void CTextField::SetLimit(int characters) {
    if (edit_ != nullptr) edit_->setMaxLength(characters > 0 ? characters : kLineEditNoLimit);
}

CToggleButton::CToggleButton(QAbstractButton* button) : button_(button) {}

void CToggleButton::SetChecked(bool checked) {
    if (button_ == nullptr) return;
    // A radio button of a group cannot be unchecked by itself: the group
    // lets go of it for the moment.
    QButtonGroup* group = button_->group();
    const bool exclusive = group != nullptr && group->exclusive();
    const bool autoExclusive = button_->autoExclusive();
    if (!checked && exclusive) group->setExclusive(false);
    if (!checked && autoExclusive) button_->setAutoExclusive(false);
    button_->setChecked(checked);
    if (!checked && autoExclusive) button_->setAutoExclusive(true);
    if (!checked && exclusive) group->setExclusive(true);
}

bool CToggleButton::IsChecked() const { return button_ != nullptr && button_->isChecked(); }

void CToggleButton::SetEnabled(bool enabled) {
    if (button_ != nullptr) button_->setEnabled(enabled);
}

bool CToggleButton::IsEnabled() const { return button_ != nullptr && button_->isEnabled(); }
