#include "songsmith/burn/ui/burn_dialog_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

CBurnDialogWindow::CBurnDialogWindow(QWidget* parent, int id, QSize size, THandlers handlers, void* owner)
    : QDialog(parent), handlers_(std::move(handlers)), owner_(owner) {
    setObjectName(QString::number(id));
    setFixedSize(size);
}

void* CBurnDialogWindow::OwnerOf(QWidget* window, int id) {
    auto* dialog = dynamic_cast<CBurnDialogWindow*>(window);
    if (dialog == nullptr || dialog->objectName() != QString::number(id)) return nullptr;
    return dialog->owner_;
}

void CBurnDialogWindow::reject() {
    if (handlers_.close) {
        handlers_.close();
        return;
    }
    done(0);
}

void CBurnDialogWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && handlers_.minimized) handlers_.minimized();
}

void CBurnDialogWindow::closeEvent(QCloseEvent* event) {
    // The owner decides whether the dialog ends: it stays open when the
    // owner kept it.
    if (isVisible()) reject();
    if (isVisible()) {
        event->ignore();
    } else {
        event->accept();
    }
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
