#pragma once
// The engine's settings helpers fill and read controls through small
// interfaces (tonecore/dialog_controls.h). These adapters put the format
// dialogs' Qt widgets behind them: a combo box's rows with their values as
// item data, a slider, a label or line edit, a radio button or check box.
// The adapters hold no widget: the dialog owns its widgets, and an adapter
// lives no longer than the dialog.

#include <QMetaObject>
#include <QPointer>
#include <functional>

#include "tonecore/convert/dialog_controls.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

class CComboChoiceList final : public IChoiceList {
public:
    explicit CComboChoiceList(QComboBox* combo);

    void ResetContent() override;
    int AddItem(const char* text, std::int32_t value) override;
    int Count() const override;
    std::int32_t ItemValue(int index) const override;
    void SetCurrentIndex(int index) override;
    int CurrentIndex() const override;

private:
    QPointer<QComboBox> combo_;
};

// A slider. The helpers set its range and position without telling the
// dialog; only NotifyChanged and the user's own moves run onChanged.
class CSliderRange final : public IRangeSlider {
public:
    CSliderRange(QSlider* slider, std::function<void()> onChanged);
    ~CSliderRange() override;
    CSliderRange(const CSliderRange&) = delete;
    CSliderRange& operator=(const CSliderRange&) = delete;

    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    int Position() const override;
    void NotifyChanged() override;

private:
    QPointer<QSlider> slider_;
    std::function<void()> onChanged_;
    QMetaObject::Connection moved_;
};

// A label, or a line edit the user types into (the only kind a limit
// applies to).
class CTextField final : public ITextField {
public:
    explicit CTextField(QLabel* label);
    explicit CTextField(QLineEdit* edit);

    void SetText(const char* text) override;
    void GetText(char* out, int size) const override;
    void SetLimit(int characters) override;

private:
    QPointer<QLabel> label_;
    QPointer<QLineEdit> edit_;
};

class CToggleButton final : public IToggleButton {
public:
    explicit CToggleButton(QAbstractButton* button);

    void SetChecked(bool checked) override;
    bool IsChecked() const override;
    void SetEnabled(bool enabled) override;
    bool IsEnabled() const override;

private:
    QPointer<QAbstractButton> button_;
};
