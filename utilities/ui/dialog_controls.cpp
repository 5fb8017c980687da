#include "utilities/ui/dialog_controls.h"

#include <QString>
#include <QWidget>

#include <span>

namespace {

template <typename Apply>
void ForEachControl(QWidget* dialog, const int* ids, int count, Apply apply) {
    if (ids == nullptr || count <= 0) return;
    for (const int id : std::span(ids, static_cast<std::size_t>(count))) {
        if (QWidget* control = GetDialogControl(dialog, id)) apply(control);
    }
}

}  // namespace

QWidget* GetDialogControl(QWidget* dialog, int id) {
    return dialog == nullptr ? nullptr : dialog->findChild<QWidget*>(QString::number(id));
}

void EnableZeControls(QWidget* dialog, const int* ids, int count, bool enable) {
    ForEachControl(dialog, ids, count, [enable](QWidget* control) { control->setEnabled(enable); });
}

void ShowZeControls(QWidget* dialog, const int* ids, int count, bool show) {
    ForEachControl(dialog, ids, count, [show](QWidget* control) { control->setVisible(show); });
}
