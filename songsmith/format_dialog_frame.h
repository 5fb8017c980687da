#pragma once
// What the Rip page's three format dialogs share: a fixed-size modal window
// with OK and Cancel at its bottom right, centred over its parent when it
// runs, and controls placed by identifier. OK runs the dialog's own handler,
// which closes the window with 1; Cancel (and Escape) closes it with 2, the
// close box with 0, both changing nothing.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>

#include "songsmith/dialog_control.h"
#include "utilities/ui/link_control.h"

class CFormatDialogFrame : public QDialog {
public:
    CFormatDialogFrame(QWidget* parent, int id, const QString& title, QSize size, std::function<void()> onOk);

    // A link the dialog opens when the mouse button is released over it.
    void SetLink(CLinkControl* link) { link_ = link; }
    // Centres the window over its parent and runs it; how it closed.
    int RunCentred();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void()> onOk_;
    QPointer<CLinkControl> link_;
};

// A text of the engine's keyed text file.
QString ToneCoreText(const char* key);
