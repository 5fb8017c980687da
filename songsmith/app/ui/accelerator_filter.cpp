#include "songsmith/app/ui/accelerator_filter.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "songsmith/app/accelerators.h"

namespace {

bool IsTextField(const QWidget* widget) {
    if (widget == nullptr) return false;
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->isEditable();
    return qobject_cast<const QLineEdit*>(widget) != nullptr || qobject_cast<const QTextEdit*>(widget) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
}

}  // namespace

CAcceleratorFilter::CAcceleratorFilter(QWidget* window, std::function<void(int command)> run)
    : QObject(window), window_(window), run_(std::move(run)) {
    qApp->installEventFilter(this);
}

int CAcceleratorFilter::CommandOf(QObject* watched, QEvent* event) const {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return 0;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || window_ == nullptr || widget->window() != window_) return 0;
    if (QApplication::activeModalWidget() != nullptr) return 0;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers =
        key->modifiers() &
        (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    if (modifiers != Qt::ControlModifier) return 0;
    if (key->key() < Qt::Key_A || key->key() > Qt::Key_Z) return 0;
    const int command = AcceleratorCommand(static_cast<char>('A' + (key->key() - Qt::Key_A)));
    // Typing in a field, the user edits the text, not the session.
    if (IsTextEditingCommand(command) && (IsTextField(widget) || IsTextField(QApplication::focusWidget())))
        return 0;
    return command;
}

bool CAcceleratorFilter::eventFilter(QObject* watched, QEvent* event) {
    const int command = CommandOf(watched, event);
    if (command == 0) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Claimed, so that no shortcut of a widget takes the key; it then
        // comes as a key press, which runs the command below.
        event->accept();
        return true;
    }
    run_(command);
    return true;
}
