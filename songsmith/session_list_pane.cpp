#include "songsmith/session_list_pane.h"

#include <algorithm>

#include "songsmith/placeholder_widget.h"

CSessionListPane::~CSessionListPane() {
    delete window_.data();
}

bool CSessionListPane::Create(QWidget* parent, int x, int y, int width, int height) {
    if (window_ == nullptr) {
        window_ = MakePlaceholderPanel(parent, kMinWidth, kMinHeight, nullptr);
        window_->setMinimumSize(kMinWidth, kMinHeight);
    }
    // At least as wide as its template.
    window_->setGeometry(x, y, std::max(width, kMinWidth), height);
    return true;
}
