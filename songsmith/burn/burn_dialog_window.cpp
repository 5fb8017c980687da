#include "songsmith/burn/burn_dialog_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

CBurnDialogWindow::CBurnDialogWindow(QWidget* parent, int id, QSize size, THandlers handlers)
    : QDialog(parent), handlers_(std::move(handlers)) {
    setObjectName(QString::number(id));
    setFixedSize(size);
}

void CBurnDialogWindow::reject() {
    done(0);
}

void CBurnDialogWindow::closeEvent(QCloseEvent* event) {
    if (isVisible()) done(0);
    event->accept();
}

// A control that does not use F1 passes it on to its parents and so to
// the dialog, which still knows which control has the focus.
void CBurnDialogWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier && handlers_.help) {
        handlers_.help();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CBurnDialogWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (!handlers_.paint) return;
    QPainter painter(this);
    handlers_.paint(painter);
}
