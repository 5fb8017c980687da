#include "songsmith/app/ui/tab_page.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QTabWidget>
#include <algorithm>

#include "songsmith/drawing/ui/icons.h"
#include "songsmith/app/ui/prog_string.h"

CTabPage::~CTabPage() {
    // A worker still inside the lock finishes before the window goes.
    lock_.lock();
    lock_.unlock();
    delete window_.data();
}

bool CTabPage::CreatePage(QWidget* parent, const TPageTemplate& pageTemplate, int x, int y,
                          int width, int height) {
    if (window_ != nullptr) {
        Show(true);
        return true;
    }
    window_ = pageTemplate(parent);
    if (window_ == nullptr) return false;
    width_ = window_->width();
    window_->setGeometry(x, y, std::max(width, width_), height);
    return true;
}

bool CTabPage::AddTab(QTabWidget* tabs, const char* captionKey, int kind) {
    if (tabs == nullptr || window_ == nullptr) return false;
    const QString caption = ProgString(captionKey).left(kTabCaptionMax);
    if (tabs->addTab(window_, TabIcon(kind), caption) < 0) return false;
    kind_ = kind;
    return true;
}

void CTabPage::Reposition(int x, int y, int width, int height) {
    if (window_ == nullptr) return;
    window_->setGeometry(x, y, width, height);
    if (auto* strip = window_->findChild<QWidget*>(QString::number(kPageStripId))) {
        strip->setGeometry(strip->x(), strip->y(), width, kPageStripHeight);
    }
}

void CTabPage::Show(bool show) {
    if (window_ != nullptr) window_->setVisible(show);
}

void CTabPage::SetSongPlayState(const char*, bool) {}

std::intptr_t CTabPage::OnCommand(int) { return 0; }

void CTabPage::UpdateMenuItem(QAction*) {}

void CTabPage::Lock() {
    lock_.lock();
}

void CTabPage::Unlock() {
    lock_.unlock();
}

QLabel* MakePageStrip(QWidget* page, const QString& title, int width) {
    auto* strip = new QLabel(title, page);
    strip->setObjectName(QString::number(kPageStripId));
    QFont font = strip->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    strip->setFont(font);
    strip->setIndent(4);
    strip->setTextFormat(Qt::PlainText);
    strip->setGeometry(0, 0, width, std::max(kPageStripHeight, QFontMetrics(font).height() + 6));
    return strip;
}
