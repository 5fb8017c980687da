#include "songsmith/prefs/ui/prefs_page.h"

#include <QAbstractButton>
#include <QStackedWidget>

namespace {

// Button-click notification of a command, as the dialogs' buttons send it.
constexpr int kClicked = 0;

}  // namespace

void CPrefsPage::OnCommand(QWidget*, int, int) {}

void CPrefsPage::OnInitDialog(QWidget* window) {
    window_ = window;
    if (QWidget* parent = window->parentWidget()) {
        window->setGeometry(0, 0, parent->width(), parent->height());
    }
}

bool CPrefsPage::Apply() { return true; }

int CPrefsPage::OnNotify(QWidget*, int, int) { return 0; }

int CPrefsPage::DlgProc(QWidget* window, const TPageMessage& message) {
    switch (message.kind) {
        case EPageMessage::kNotify:
            return OnNotify(window, message.control, message.code);
        case EPageMessage::kInitDialog:
            OnInitDialog(window);
            return 1;
        case EPageMessage::kCommand:
            OnCommand(window, message.control, message.code);
            return 0;
        default:
            return 0;
    }
}

void CPrefsPage::Show(bool show) {
    if (window_ == nullptr) return;
    // In the holder's stack the page in front is the only one shown, so
    // hiding a page is bringing another one forward.
    if (auto* stack = qobject_cast<QStackedWidget*>(window_->parentWidget())) {
        if (show) stack->setCurrentWidget(window_);
        return;
    }
    window_->setVisible(show);
}

QWidget* CPrefsPage::Create(QWidget* holder) {
    auto* window = new QWidget(holder);
    if (auto* stack = qobject_cast<QStackedWidget*>(holder)) stack->addWidget(window);
    DlgProc(window, TPageMessage{EPageMessage::kInitDialog, 0, 0});
    return window;
}

void CPrefsPage::ForwardClicks(QAbstractButton* button, int control) {
    QObject::connect(button, &QAbstractButton::clicked, button, [this, control] {
        DlgProc(window_, TPageMessage{EPageMessage::kCommand, control, kClicked});
    });
}
