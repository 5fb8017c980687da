#pragma once
// Controls for the settings helpers' tests: they keep what they are given
// and let the test read it back or act as the user.

#include <string>
#include <utility>
#include <vector>

#include "tonecore/convert/dialog_controls.h"

class CFakeChoiceList : public IChoiceList {
public:
    void ResetContent() override {
        items.clear();
        current = -1;
    }
    int AddItem(const char* text, std::int32_t value) override {
        items.emplace_back(text, value);
        return static_cast<int>(items.size()) - 1;
    }
    int Count() const override { return static_cast<int>(items.size()); }
    std::int32_t ItemValue(int index) const override { return items[static_cast<std::size_t>(index)].second; }
    void SetCurrentIndex(int index) override { current = index; }
    int CurrentIndex() const override { return current; }

    // The user picks the item of a value.
    void Choose(std::int32_t value) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].second == value) current = static_cast<int>(i);
        }
    }
    std::vector<std::int32_t> Values() const {
        std::vector<std::int32_t> values;
        for (const auto& item : items) values.push_back(item.second);
        return values;
    }
    std::int32_t SelectedValue() const { return current < 0 ? -1 : items[static_cast<std::size_t>(current)].second; }

    std::vector<std::pair<std::string, std::int32_t>> items;
    int current = -1;
};

class CFakeSlider : public IRangeSlider {
public:
    void SetRange(int low, int high) override {
        minimum = low;
        maximum = high;
    }
    void SetPosition(int p) override { position = p; }
    int Position() const override { return position; }
    void NotifyChanged() override { ++notified; }

    int minimum = 0;
    int maximum = 0;
    int position = 0;
    int notified = 0;
};

class CFakeText : public ITextField {
public:
    void SetText(const char* t) override { text = t; }
    void GetText(char* out, int size) const override {
        const std::string cut = text.substr(0, static_cast<std::size_t>(size - 1));
        cut.copy(out, cut.size());
        out[cut.size()] = '\0';
    }
    void SetLimit(int characters) override { limit = characters; }

    std::string text;
    int limit = 0;
};

class CFakeToggle : public IToggleButton {
public:
    void SetChecked(bool on) override { checked = on; }
    bool IsChecked() const override { return checked; }
    void SetEnabled(bool on) override { enabled = on; }
    bool IsEnabled() const override { return enabled; }

    bool checked = false;
    bool enabled = true;
};
