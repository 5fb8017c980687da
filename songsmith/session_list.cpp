#include "songsmith/session_list.h"

#include <algorithm>

#include "songsmith/placeholder_widget.h"

CSessionList::~CSessionList() {
    delete window_.data();
}

bool CSessionList::Create(QWidget* parent, int x, int y, int width, int height) {
    if (window_ == nullptr) {
        window_ = MakePlaceholderPanel(parent, kMinWidth, kMinHeight, nullptr);
        window_->setMinimumSize(kMinWidth, kMinHeight);
    }
    // At least as wide as its template.
    window_->setGeometry(x, y, std::max(width, kMinWidth), height);
    return true;
}
