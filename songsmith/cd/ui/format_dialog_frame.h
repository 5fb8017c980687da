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

class QSlider;

#include "songsmith/dialogs/ui/dialog_control.h"
#include "utilities/ui/link_control.h"

class CFormatDialogFrame : public QDialog {
public:
    CFormatDialogFrame(QWidget* parent, int id, const QString& title, QSize size, std::function<void()> onOk);

    // A link the dialog opens when the mouse button is released over it.
    void SetLink(CLinkControl* link) { link_ = link; }
    // Makes a dialog's window over parent, lets the dialog fill it (init),
    // runs it centred over parent and deletes it again; holder points at
    // the window meanwhile. How it closed.
    static int Run(QPointer<CFormatDialogFrame>& holder, QWidget* parent, int id, const QString& title, QSize size,
                   std::function<void()> onOk, const std::function<void(CFormatDialogFrame&)>& init);

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void()> onOk_;
    QPointer<CLinkControl> link_;
};

// The identifiers of a preset slider and of the four texts at its ends.
struct TPresetSliderIds {
    int slider;
    int worstQuality;
    int smallestSize;
    int bestQuality;
    int largestSize;
};
// A preset slider from left to right across the dialog at top, one place
// long until the presets are known, with the worst quality and smallest
// files named under its left end and the best quality and largest files
// under its right end.
QSlider* AddPresetSlider(QWidget* dialog, const TPresetSliderIds& ids, int left, int top, int width);

// A text of the engine's keyed text file.
QString ToneCoreText(const char* key);
