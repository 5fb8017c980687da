#include "testsupport/gui_input.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace testsupport {

bool ClickControl(QWidget* window, int id) {
    QWidget* control = FindControl(window, id);
    if (control == nullptr || !control->isVisible() || !control->isEnabled()) {
        ADD_FAILURE() << "control " << id << " cannot be clicked";
        return false;
    }
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
    return true;
}

void TypeText(QWidget* window, const QString& text) {
    QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
    QTest::keyClicks(target, text);
}

void WhenModalShown(std::function<void(QWidget* modal)> action, int timeoutMs) {
    // The timer polls from inside the modal loop that the code under test
    // starts; it deletes itself once it has acted or given up.
    auto* poll = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, clock, action = std::move(action), timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(modal);
        } else if (clock->elapsed() > timeoutMs) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "no modal window appeared";
        }
    });
    poll->start();
}

}  // namespace testsupport
