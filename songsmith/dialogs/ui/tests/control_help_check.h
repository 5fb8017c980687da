#pragma once
// F1 pressed on a dialog's control, and the help the UI services were
// asked to show for it.

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <vector>

#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"

// Focuses the control, presses F1 and expects the short help of topic.
inline void ExpectF1Topic(QWidget* dialog, int control, int topic,
                          const testsupport::CFakeUiServices& ui) {
    SCOPED_TRACE(control);
    testsupport::FindControl(dialog, control)->setFocus();
    QTest::keyClick(dialog->focusWidget(), Qt::Key_F1);
    const std::vector<testsupport::TUiCall> calls = ui.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().kind, "help popup");
    EXPECT_EQ(calls.back().number, topic);
}
