#pragma once
// A pair of small arrow buttons beside a number box: each click moves the
// box's number one step up or down within a range and writes it into the
// box, whose own change handling then runs as if the user had typed it.
// The box stays the one place the number lives, so typing and clicking
// meet the same checks.

#include <QPointer>
#include <QWidget>

class QLineEdit;

class CUpDownControl final : public QWidget {
public:
    CUpDownControl(QWidget* parent, QLineEdit* buddy, int minimum, int maximum);

    // One step up (+1) or down (-1) from what the box holds; a box without
    // a number counts as the minimum.
    void Step(int direction);

private:
    QPointer<QLineEdit> buddy_;
    int minimum_;
    int maximum_;
};
