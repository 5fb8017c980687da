#pragma once
// A check for the dialog pictures: every text of a dialog fits its control,
// so nothing a user should read is cut off.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace testsupport {

// Fails for each label, check box, radio button or push button whose text
// needs more room than the control has (a wrapped label: more height).
inline void ExpectNoClippedText(QWidget* dialog) {
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        if (label->wordWrap()) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height())
                << "label " << label->objectName().toStdString() << ": "
                << label->text().toStdString();
        } else {
            EXPECT_LE(label->sizeHint().width(), label->width())
                << "label " << label->objectName().toStdString() << ": "
                << label->text().toStdString();
        }
    }
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        EXPECT_LE(button->sizeHint().width(), button->width())
            << "button " << button->objectName().toStdString() << ": "
            << button->text().toStdString();
    }
}

}  // namespace testsupport
