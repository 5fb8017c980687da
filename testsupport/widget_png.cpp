#include "testsupport/widget_png.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <gtest/gtest.h>

namespace testsupport {

QString TestOutputFolder() { return QStringLiteral(TRACKPRESS_TEST_OUTPUT_DIR); }

QString SaveWidgetPng(QWidget* widget, const QString& name) {
    if (widget == nullptr || !QDir().mkpath(TestOutputFolder())) {
        ADD_FAILURE() << "no picture of " << name.toStdString();
        return {};
    }
    widget->ensurePolished();
    // Pending layout requests would otherwise be drawn with the old sizes.
    QApplication::processEvents();
    const QString path = TestOutputFolder() + "/" + name + ".png";
    if (!widget->grab().save(path, "PNG")) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
        return {};
    }
    return path;
}

}  // namespace testsupport
