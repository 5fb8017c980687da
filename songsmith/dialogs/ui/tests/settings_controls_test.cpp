// The Qt widgets behind the engine's control interfaces hold the rules the
// engine's settings helpers rely on (the ones its own test controls keep):
// item values and no selection after a reset, texts cut on a character
// boundary, limits only for edit fields, unchecking a radio button of a
// group, and a slider that tells its dialog only of the user's moves and of
// NotifyChanged.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QWidget>
#include <string>

#include "songsmith/dialogs/ui/settings_controls.h"

namespace {

TEST(SettingsControlsTest, AComboBoxKeepsEachItemsValueAndCanSelectNone) {
    QComboBox combo;
    CComboChoiceList list(&combo);
    EXPECT_EQ(list.AddItem("44100 Hz", 44100), 0);
    EXPECT_EQ(list.AddItem("22050 Hz", 22050), 1);
    EXPECT_EQ(list.AddItem("h\xC3\xA9", -7), 2);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.ItemValue(1), 22050);
    EXPECT_EQ(list.ItemValue(2), -7);
    EXPECT_EQ(combo.itemText(2), QString::fromUtf8("h\xC3\xA9"));
    list.SetCurrentIndex(1);
    EXPECT_EQ(list.CurrentIndex(), 1);
    EXPECT_EQ(combo.currentText(), "22050 Hz");
    list.SetCurrentIndex(-1);
    EXPECT_EQ(list.CurrentIndex(), -1);
    list.SetCurrentIndex(2);
    list.ResetContent();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.CurrentIndex(), -1);
    // A first item added after a reset is not selected by itself.
    list.AddItem("8 kbps", 8);
    EXPECT_EQ(list.CurrentIndex(), -1);
}

TEST(SettingsControlsTest, TextFieldsCutOnACharacterBoundaryAndOnlyEditFieldsTakeALimit) {
    QLabel label;
    QLineEdit edit;
    CTextField labelField(&label);
    CTextField editField(&edit);
    for (CTextField* field : {&labelField, &editField}) {
        field->SetText("ab\xC3\xA9z");  // five bytes
        char out[8];
        field->GetText(out, sizeof out);
        EXPECT_STREQ(out, "ab\xC3\xA9z");
        char four[4];
        field->GetText(four, sizeof four);
        EXPECT_STREQ(four, "ab");  // the two-byte letter does not fit whole
        char one[1] = {'x'};
        field->GetText(one, sizeof one);
        EXPECT_STREQ(one, "");
    }
    EXPECT_EQ(label.text(), QString::fromUtf8("ab\xC3\xA9z"));
    editField.SetLimit(3);
    EXPECT_EQ(edit.maxLength(), 3);
    edit.clear();
    edit.setFocus();
    QTest::keyClicks(&edit, "12345");
    EXPECT_EQ(edit.text(), "123");
    editField.SetLimit(0);
    QTest::keyClicks(&edit, "45");
    EXPECT_EQ(edit.text(), "12345");
    labelField.SetLimit(2);
    labelField.SetText("long text");
    EXPECT_EQ(label.text(), "long text");
}

TEST(SettingsControlsTest, ToggleButtonsCheckUncheckAndEnableAlsoInsideARadioGroup) {
    QWidget parent;
    auto* stereo = new QRadioButton("Stereo", &parent);
    auto* mono = new QRadioButton("Mono", &parent);
    auto* grouped = new QRadioButton("In a group", &parent);
    auto* box = new QCheckBox("Tags", &parent);
    QButtonGroup group;
    group.addButton(grouped);
    CToggleButton stereoToggle(stereo);
    CToggleButton monoToggle(mono);
    CToggleButton groupedToggle(grouped);
    CToggleButton boxToggle(box);
    stereoToggle.SetChecked(true);
    EXPECT_TRUE(stereoToggle.IsChecked());
    monoToggle.SetChecked(true);
    EXPECT_FALSE(stereoToggle.IsChecked());
    // A checked radio button can be unchecked, leaving its siblings alone.
    monoToggle.SetChecked(false);
    EXPECT_FALSE(monoToggle.IsChecked());
    EXPECT_FALSE(stereoToggle.IsChecked());
    EXPECT_TRUE(mono->autoExclusive());
    groupedToggle.SetChecked(true);
    groupedToggle.SetChecked(false);
    EXPECT_FALSE(groupedToggle.IsChecked());
    EXPECT_TRUE(group.exclusive());
    boxToggle.SetChecked(true);
    EXPECT_TRUE(boxToggle.IsChecked());
    boxToggle.SetEnabled(false);
    EXPECT_FALSE(boxToggle.IsEnabled());
    EXPECT_FALSE(box->isEnabled());
    boxToggle.SetEnabled(true);
    EXPECT_TRUE(boxToggle.IsEnabled());
}

TEST(SettingsControlsTest, ASliderTellsItsDialogOfTheUsersMovesAndOfNotifyChangedOnly) {
    QSlider slider(Qt::Horizontal);
    int told = 0;
    int seen = -1;
    CSliderRange range(&slider, [&] {
        ++told;
        seen = slider.value();
    });
    range.SetRange(1, 10);
    range.SetPosition(4);
    EXPECT_EQ(range.Position(), 4);
    EXPECT_EQ(slider.minimum(), 1);
    EXPECT_EQ(slider.maximum(), 10);
    EXPECT_EQ(told, 0);
    // A range that no longer holds the position moves it, quietly.
    range.SetRange(6, 8);
    EXPECT_EQ(range.Position(), 6);
    EXPECT_EQ(told, 0);
    range.NotifyChanged();
    EXPECT_EQ(told, 1);
    slider.setFocus();
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(told, 2);
    EXPECT_EQ(seen, 7);
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_EQ(seen, 8);
    EXPECT_EQ(range.Position(), 8);
}

TEST(SettingsControlsTest, AnAdapterOutlivedByItsSliderNoLongerCallsItsDialog) {
    QSlider slider(Qt::Horizontal);
    slider.setRange(0, 5);
    int told = 0;
    {
        CSliderRange range(&slider, [&] { ++told; });
        slider.setValue(1);
        EXPECT_EQ(told, 1);
    }
    slider.setValue(2);
    EXPECT_EQ(told, 1);
    // And a widget gone before its adapter leaves the adapter harmless.
    auto* combo = new QComboBox;
    CComboChoiceList list(combo);
    delete combo;
    EXPECT_EQ(list.AddItem("x", 1), -1);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.CurrentIndex(), -1);
}

}  // namespace
