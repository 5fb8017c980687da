#include "songsmith/dialogs/ui/progress_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "songsmith/drawing/ui/program_pictures.h"
#include "utilities/ui/center_window.h"

namespace {

constexpr int kMaxRangeValue = 0xFFFF;

// Centres the window on its screen's whole area, whoever owns it.
void CenterOnDesktop(QWidget* window) {
    const QScreen* screen = window->screen() != nullptr ? window->screen()
                                                        : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect desktop = screen->geometry();
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    const TScreenPoint at = CenteredPosition(
        size.width(), size.height(), {desktop.left(), desktop.top(), desktop.width(), desktop.height()},
        {area.left(), area.top(), area.width(), area.height()}, 0);
    window->move(at.x, at.y);
}

CProgressWindow* g_startupWindow = nullptr;

}  // namespace

void SetStartupProgressWindow(CProgressWindow* window) { g_startupWindow = window; }

CProgressWindow* StartupProgressWindow() { return g_startupWindow; }

bool CProgressWindow::Create(QWidget* owner) {
    if (window_ != nullptr) {
        return true;
    }
    auto* window = new QDialog(owner, Qt::Tool | Qt::WindowStaysOnTopHint);
    window->setObjectName(QStringLiteral("240"));
    window->setModal(false);
    window->setWindowTitle(QStringLiteral("Marovelle Trackpress"));
    window->setWindowIcon(ProgramIcon());
    auto* bar = new QProgressBar(window);
    bar->setObjectName(QString::number(kProgressBarId));
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(bar);
    window->setFixedSize(260, 48);
    step_ = 1;
    window_ = window;
    bar_ = bar;
    CenterOnDesktop(window);
    window->show();
    return true;
}

QProgressBar* CProgressWindow::Bar() const { return window_ == nullptr ? nullptr : bar_.data(); }

void CProgressWindow::Repaint() {
    if (window_ != nullptr && window_->isVisible()) {
        window_->repaint();
    }
}

void CProgressWindow::Show() {
    if (window_ == nullptr) {
        return;
    }
    window_->show();
    window_->raise();
    Repaint();
}

void CProgressWindow::Hide() {
    if (window_ != nullptr) {
        window_->hide();
    }
}

void CProgressWindow::Destroy() {
    if (window_ == nullptr) {
        return;
    }
    window_->hide();
    delete window_.data();
}

void CProgressWindow::SetText(const char* text) {
    if (window_ == nullptr) {
        return;
    }
    window_->setWindowTitle(text == nullptr ? QString() : QString::fromUtf8(text));
    Repaint();
}

void CProgressWindow::SetRange(int low, int high) {
    QProgressBar* bar = Bar();
    if (bar == nullptr) {
        return;
    }
    low = std::clamp(low, 0, kMaxRangeValue);
    high = std::clamp(high, 0, kMaxRangeValue);
    bar->setRange(low, high);
    bar->setValue(low);
    Repaint();
}

void CProgressWindow::SetStep(int step) {
    step_ = step;
}

void CProgressWindow::StepIt() {
    QProgressBar* bar = Bar();
    if (bar == nullptr || bar->value() >= bar->maximum()) {
        return;
    }
    const long long next = static_cast<long long>(bar->value()) + step_;
    const long long span = std::max(1, bar->maximum() - bar->minimum());
    const long long before = (bar->value() - bar->minimum()) * 100 / span;
    bar->setValue(static_cast<int>(std::clamp<long long>(next, bar->minimum(), bar->maximum())));
    if ((bar->value() - bar->minimum()) * 100 / span != before) Repaint();
}
