#pragma once
// Waiting for the program's own modal dialogs in the offscreen GUI tests.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "testsupport/hang_limit.h"

namespace burnprogram {

// Runs action once a visible modal dialog of that id is up; gives up (and
// fails) after timeoutMs. The poll lives in the application, so it runs in
// whatever loop the code under test spins.
inline void WhenDialogShown(int id, std::function<void(QDialog* dialog)> action,
                            int timeoutMs = testsupport::kHangLimitMs) {
    auto* poll = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, clock, id, action = std::move(action), timeoutMs] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr && dialog->isVisible() && dialog->objectName() == QString::number(id)) {
            poll->stop();
            poll->deleteLater();
            action(dialog);
        } else if (clock->elapsed() > timeoutMs) {
            poll->stop();
            poll->deleteLater();
            QWidget* modal = QApplication::activeModalWidget();
            ADD_FAILURE() << "dialog " << id << " did not appear; the modal window is "
                          << (modal == nullptr ? std::string("none") : modal->objectName().toStdString());
        }
    });
    poll->start();
}

}  // namespace burnprogram
