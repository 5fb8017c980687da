#pragma once
// Finding controls and driving them in the offscreen GUI tests. Controls are
// found by their identifier, which every dialog keeps in the control's
// objectName.

#include <QString>
#include <QWidget>
#include <functional>

#include "testsupport/hang_limit.h"

namespace testsupport {

// The child of window (at any depth) whose objectName is the number id;
// null when there is none or it is not a T.
template <typename T = QWidget>
T* FindControl(QWidget* window, int id) {
    return window == nullptr ? nullptr : window->findChild<T*>(QString::number(id));
}

// A left click in the middle of the control with that identifier. False (and
// a test failure) when the control is missing, hidden or disabled.
bool ClickControl(QWidget* window, int id);

// Types text into the widget that has the keyboard focus inside window.
void TypeText(QWidget* window, const QString& text);

// Runs action on the next modal window once it shows, so a test can drive a
// dialog that a function under test runs with exec(). The action must close
// the window. Gives up (and fails the test) when no modal window appears
// within timeoutMs (only a hang takes that long).
void WhenModalShown(std::function<void(QWidget* modal)> action, int timeoutMs = kHangLimitMs);

}  // namespace testsupport
