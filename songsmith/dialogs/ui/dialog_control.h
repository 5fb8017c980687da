#pragma once
// Placing a control of a dialog or page by hand, with its identifier as its
// objectName.

#include <QString>
#include <QWidget>

// A control of the dialog with its identifier and text at geometry; a width
// of 0 makes it as wide as its text needs.
template <typename T>
T* AddDialogControl(QWidget* parent, int id, const QString& text, int left, int top, int width, int height) {
    auto* control = new T(text, parent);
    control->setObjectName(QString::number(id));
    control->setGeometry(left, top, width > 0 ? width : control->sizeHint().width(), height);
    return control;
}

// A control without a text of its own (a list, an edit field).
template <typename T>
T* AddDialogControl(QWidget* parent, int id, int left, int top, int width, int height) {
    auto* control = new T(parent);
    control->setObjectName(QString::number(id));
    control->setGeometry(left, top, width, height);
    return control;
}
