#include "songsmith/player_panel.h"

#include "songsmith/placeholder_widget.h"

CPlayerPanel::~CPlayerPanel() {
    delete window_.data();
}

bool CPlayerPanel::Create(QWidget* parent, int x, int y, int width, int height) {
    if (window_ == nullptr) window_ = MakePlaceholderPanel(parent, kMinWidth, kHeight, nullptr);
    window_->setGeometry(x, y, width, height);
    return true;
}
