#pragma once
// Pictures of what the GUI tests drew, for a person to look at.

#include <QString>
#include <QWidget>

namespace testsupport {

// The folder the pictures go to: test-output/ in the build tree.
QString TestOutputFolder();

// Lays the widget out, renders it (shown or not) and writes
// <build>/test-output/<name>.png. Returns the file's path; empty (and a test
// failure) when it could not be written.
QString SaveWidgetPng(QWidget* widget, const QString& name);

}  // namespace testsupport
