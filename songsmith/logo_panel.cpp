#include "songsmith/logo_panel.h"

#include "songsmith/placeholder_widget.h"

CLogoPanel::~CLogoPanel() {
    delete window_.data();
}

bool CLogoPanel::Create(QWidget* parent, int x, int y, int width, int height) {
    if (window_ == nullptr) window_ = MakePlaceholderPanel(parent, kMinWidth, height, nullptr);
    window_->setGeometry(x, y, width, height);
    return true;
}
