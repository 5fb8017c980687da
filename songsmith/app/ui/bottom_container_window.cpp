#include "songsmith/app/ui/bottom_container_window.h"

#include <QWidget>
#include <algorithm>

#include "songsmith/drawing/ui/logo_panel.h"
#include "songsmith/player/ui/player_panel.h"

namespace {
// Width the player panel is created with.
constexpr int kPlayerCreateWidth = 300;
}  // namespace

CBottomContainerWindow::CBottomContainerWindow()
    : player_(std::make_unique<CPlayerPanel>()), logo_(std::make_unique<CLogoPanel>()) {}

CBottomContainerWindow::~CBottomContainerWindow() {
    // The logo panel goes first, then the player panel.
    logo_.reset();
    player_.reset();
    delete window_.data();
}

bool CBottomContainerWindow::Create(QWidget* parent, int x, int y, int width, int height) {
    window_ = new QWidget(parent);
    window_->setGeometry(x, y, width, height);
    player_->Create(window_, 0, 0, kPlayerCreateWidth, height);
    logo_->Create(window_, kPlayerCreateWidth, 0, kPlayerCreateWidth, height);
    return true;
}

void CBottomContainerWindow::Move(int x, int y, int width, int height) {
    if (window_ == nullptr) return;
    window_->setGeometry(x, y, width, height);
    const int playerWidth = std::max(width - logo_->GetWidth(), player_->GetMinWidth());
    player_->Create(window_, 0, 0, playerWidth, height);
    logo_->Move(playerWidth, 0, width - playerWidth, height);
}

int CBottomContainerWindow::GetMinWidth() const {
    return player_->GetMinWidth() + logo_->GetWidth();
}

int CBottomContainerWindow::Height() const {
    return player_->Height();
}
