#pragma once
// How the tests judge a window's layout as a user would see it.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSlider>
#include <QWidget>

// Whether every shown control lies inside its window, apart from the others,
// and shows its whole text, and no text reads like a key the keyed text
// files lack. Edit fields, sliders and scroll areas are as wide as they are
// made, not as their text.
inline void ExpectUnclipped(QWidget* window) {
    QList<QWidget*> controls;
    for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isVisibleTo(window)) controls.push_back(control);
    }
    static const QRegularExpression kKey(QStringLiteral("^[A-Za-z0-9]+_[A-Za-z0-9_]+$"));
    for (QWidget* control : controls) {
        for (QWidget* other : controls) {
            if (other != control && control->geometry().intersects(other->geometry()))
                ADD_FAILURE() << control->objectName().toStdString() << " overlaps "
                              << other->objectName().toStdString();
        }
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_TRUE(window->rect().contains(control->geometry())) << "past the window's edge";
        const auto* label = qobject_cast<QLabel*>(control);
        const auto* button = qobject_cast<QAbstractButton*>(control);
        const QString text = label != nullptr ? label->text() : button != nullptr ? button->text() : QString();
        EXPECT_FALSE(kKey.match(text).hasMatch()) << "a bare key: " << text.toStdString();
        if (qobject_cast<QAbstractScrollArea*>(control) != nullptr || qobject_cast<QLineEdit*>(control) != nullptr ||
            qobject_cast<QSlider*>(control) != nullptr)
            continue;
        if (label != nullptr && label->wordWrap()) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height());
        } else {
            EXPECT_LE(control->sizeHint().width(), control->width());
        }
    }
}
