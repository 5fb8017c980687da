#pragma once
// The controls that the engine's settings helpers fill and read, as small
// interfaces: the engine has no widgets of its own. The program adapts them
// to its widgets (a drop-down list, a slider, a text field); tests use
// plain fakes.

#include <cstdint>

// A drop-down list whose items each carry a value.
class IChoiceList {
public:
    virtual ~IChoiceList() = default;
    // Removes every item; nothing is selected afterwards.
    virtual void ResetContent() = 0;
    // Appends an item; its index.
    virtual int AddItem(const char* text, std::int32_t value) = 0;
    virtual int Count() const = 0;
    // The value of the item at index (0 <= index < Count()).
    virtual std::int32_t ItemValue(int index) const = 0;
    // Selects the item at index; -1 selects none.
    virtual void SetCurrentIndex(int index) = 0;
    // The selected item's index, -1 when none is.
    virtual int CurrentIndex() const = 0;
};

// A slider over a range of whole positions.
class IRangeSlider {
public:
    virtual ~IRangeSlider() = default;
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetPosition(int position) = 0;
    virtual int Position() const = 0;
    // Tells the dialog that the position was moved on its behalf, as a user
    // moving the slider would.
    virtual void NotifyChanged() = 0;
};

// A line of text: a label, or an edit field the user types into.
class ITextField {
public:
    virtual ~ITextField() = default;
    virtual void SetText(const char* text) = 0;
    // The text, cut to size - 1 bytes and terminated.
    virtual void GetText(char* out, int size) const = 0;
    // The most characters the user may type; 0 for no limit.
    virtual void SetLimit(int characters) = 0;
};

// A radio button or check box.
class IToggleButton {
public:
    virtual ~IToggleButton() = default;
    virtual void SetChecked(bool checked) = 0;
    virtual bool IsChecked() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;
};
