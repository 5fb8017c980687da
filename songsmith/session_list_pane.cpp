#include "songsmith/session_list_pane.h"

#include <algorithm>

#include "songsmith/core/app_windows.h"
#include "songsmith/placeholder_widget.h"

CSessionListPane::~CSessionListPane() {
    if (receiver_ != nullptr) SetAppWindowReceiver(EAppWindow::kSessionList, kNoReceiver);
    delete receiver_.data();
    delete window_.data();
}

void CSessionListPane::SetMessageHandler(CAppMessageReceiver::THandler handler) {
    delete receiver_.data();
    receiver_ = new CAppMessageReceiver(std::move(handler), window_.data());
    SetAppWindowReceiver(EAppWindow::kSessionList, receiver_->Id());
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
