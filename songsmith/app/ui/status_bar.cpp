#include "songsmith/app/ui/status_bar.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/ui/prog_string.h"

CStatusBar::CStatusBar()
    : receiver_(std::make_unique<CAppMessageReceiver>(
          [this](TAppMessage& message) { return OnMessage(message); })) {}

CStatusBar::~CStatusBar() = default;

bool CStatusBar::Create(QMainWindow* parent, int create) {
    if (create == 0 || parent == nullptr) return false;
    window_ = new QStatusBar(parent);
    window_->setObjectName(QString::number(kStatusBarId));
    window_->setSizeGripEnabled(true);
    // The single part is a label of its own rather than the bar's message,
    // which menu hints would overwrite.
    part_ = new QLabel(ProgString("Ready"), window_);
    window_->addWidget(part_, 1);
    parent->setStatusBar(window_);
    return true;
}

void CStatusBar::SetParts(int) {}

void CStatusBar::PostText(const char* text) {
    PostAppMessage(receiver_->Id(),
                   MakeAppMessage(SB_SETTEXT, 0, 0, std::string(text == nullptr ? "" : text)));
}

void CStatusBar::SetStateText(const char* text) {
    PostText(text);
}

std::intptr_t CStatusBar::OnMessage(TAppMessage& message) {
    const std::string* text = message.PayloadAs<std::string>();
    if (message.number != SB_SETTEXT || text == nullptr || part_ == nullptr) return 0;
    part_->setText(QString::fromStdString(*text));
    return 1;
}

std::string CStatusBar::Text() const {
    return part_ == nullptr ? std::string() : part_->text().toStdString();
}

int CStatusBar::Height() const {
    return window_ == nullptr ? 0 : window_->height();
}
