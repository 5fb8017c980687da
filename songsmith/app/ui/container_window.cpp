#include "songsmith/app/ui/container_window.h"

#include <QResizeEvent>
#include <QSplitter>
#include <algorithm>
#include <cmath>

#include "songsmith/prefs/preferences.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/session/ui/session_list_pane.h"

namespace {

// The splitter, reporting its resizes to the band.
class CBandSplitter : public QSplitter {
public:
    CBandSplitter(QWidget* parent, std::function<void(int, int)> resized)
        : QSplitter(Qt::Horizontal, parent), resized_(std::move(resized)) {}

protected:
    void resizeEvent(QResizeEvent* event) override {
        QSplitter::resizeEvent(event);
        resized_(event->size().width(), event->size().height());
    }

private:
    std::function<void(int, int)> resized_;
};

}  // namespace

CContainerWindow::CContainerWindow(CPreferences& prefs, PLATTER_CPlatter& platter,
                                   std::function<void(CTabPage*)> pageChanged)
    : prefs_(prefs),
      sessionList_(std::make_unique<CSessionListPane>()),
      tabPane_(std::make_unique<CFindContainerWindow>(prefs, platter, std::move(pageChanged))) {}

CContainerWindow::~CContainerWindow() {
    tabPane_.reset();
    sessionList_.reset();
    delete window_.data();
}

bool CContainerWindow::Create(QWidget* parent, int x, int y, int width, int height) {
    window_ = new CBandSplitter(parent, [this](int w, int h) { Resize(w, h); });
    window_->setChildrenCollapsible(false);
    window_->setGeometry(x, y, width, height);
    const bool shown = prefs_.ShowFindSoundsWindow != 0;
    const int paneWidth = shown ? static_cast<int>(width * prefs_.LastWindowSplitPercentage) : 200;
    tabPane_->Create(window_, 0, 0, paneWidth, height);
    if (tabPane_->Window() != nullptr) window_->addWidget(tabPane_->Window());
    sessionList_->Create(window_, shown ? paneWidth : 0, 0, shown ? width - paneWidth + 1 : width,
                         height);
    window_->addWidget(sessionList_->Window());
    window_->setStretchFactor(1, 1);
    QObject::connect(window_, &QSplitter::splitterMoved, window_, [this] { OnUserDrag(); });
    ShowTabPane(shown);
    return true;
}

void CContainerWindow::Move(int x, int y, int width, int height) {
    if (window_ == nullptr) return;
    window_->setGeometry(x, y, width, height);
    Resize(width, height);
}

void CContainerWindow::Resize(int width, int) {
    if (window_ == nullptr || sharing_) return;
    QWidget* pane = tabPane_->Window();
    if (pane == nullptr || pane->isHidden()) return;  // the session list has it all
    int paneWidth = std::max(static_cast<int>(width * prefs_.LastWindowSplitPercentage) - 1,
                             tabPane_->GetMinWidth());
    const int sessionMin = sessionList_->GetMinWidth();
    if (width - paneWidth < sessionMin) paneWidth = width - sessionMin;
    sharing_ = true;
    window_->setSizes({paneWidth, width - paneWidth});
    sharing_ = false;
}

void CContainerWindow::ShowTabPane(bool show) {
    if (QWidget* pane = tabPane_->Window()) pane->setVisible(show);
    if (window_ != nullptr) Resize(window_->width(), window_->height());
}

bool CContainerWindow::TabPaneShown() const {
    return tabPane_->Window() != nullptr && !tabPane_->Window()->isHidden();
}

int CContainerWindow::GetMinWidth() const {
    return sessionList_->GetMinWidth() + (TabPaneShown() ? tabPane_->GetMinWidth() : 0);
}

int CContainerWindow::GetMinHeight() const {
    const int sessionMin = sessionList_->GetMinHeight();
    return TabPaneShown() ? std::max(sessionMin, tabPane_->GetMinHeight()) : sessionMin;
}

void CContainerWindow::OnUserDrag() {
    if (sharing_ || window_ == nullptr || !TabPaneShown()) return;
    const int bandWidth = window_->width();
    if (bandWidth <= 0) return;
    // A pane narrower than its minimum is stored as its minimum, so the
    // stored share reproduces what the user sees.
    const int paneWidth = std::max(tabPane_->Window()->width(), tabPane_->GetMinWidth());
    const float split = static_cast<float>(paneWidth) / static_cast<float>(bandWidth);
    if (std::isfinite(split) && split > 0.0f && split < 1.0f) {
        prefs_.LastWindowSplitPercentage = split;
    }
    // The splitter already shows the new share; laying it out again while the
    // user drags would fight the mouse.
}
