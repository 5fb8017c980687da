#pragma once
// The controls the engine's settings helpers fill and read. The engine has
// no widgets of its own: the program adapts its dialog's controls to these
// small interfaces (a combo box, a trackbar, a radio button, a text), and
// tests hand in plain recording objects.

#include <cstdint>

// A drop-down list whose items each carry a value.
class IChoiceList {
public:
    virtual void ResetContent() = 0;
    // Appends an item; its index.
    virtual int AddItem(const char* text, std::int32_t value) = 0;
    virtual int ItemCount() const = 0;
    virtual std::int32_t ItemValue(int index) const = 0;
    // -1 clears the selection.
    virtual void SetCurrentSelection(int index) = 0;
    // -1 when nothing is selected.
    virtual int CurrentSelection() const = 0;

protected:
    ~IChoiceList() = default;
};

// A slider over a range of whole positions.
class IRangeSlider {
public:
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetPosition(int position) = 0;
    virtual int Position() const = 0;

protected:
    ~IRangeSlider() = default;
};

// A radio button or check box.
class IToggleButton {
public:
    virtual void SetChecked(bool checked) = 0;
    virtual bool IsChecked() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;

protected:
    ~IToggleButton() = default;
};

// A control that shows a line of text.
class ITextLabel {
public:
    virtual void SetText(const char* text) = 0;

protected:
    ~ITextLabel() = default;
};

// The first item whose value is value, or -1.
int FindChoiceByValue(const IChoiceList& list, std::int32_t value);
// The selected item's value, or fallback when nothing is selected.
std::int32_t SelectedChoiceValue(const IChoiceList& list, std::int32_t fallback);
