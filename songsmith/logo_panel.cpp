#include "songsmith/logo_panel.h"

#include "songsmith/placeholder_widget.h"

CLogoPanel::CLogoPanel() : repaintTarget_(std::make_unique<QObject>()) {}

CLogoPanel::~CLogoPanel() {
    delete window_.data();
}

bool CLogoPanel::Create(QWidget* parent, int x, int y, int width, int height) {
    if (window_ == nullptr) window_ = MakePlaceholderPanel(parent, kMinWidth, height, nullptr);
    window_->setGeometry(x, y, width, height);
    return true;
}

void CLogoPanel::SetMode(int mode) {
    mode_.store(mode);
    QueueRepaint();
}

void CLogoPanel::SetLevel(int level) {
    level_.store(level);
    QueueRepaint();
}

void CLogoPanel::QueueRepaint() {
    QMetaObject::invokeMethod(
        repaintTarget_.get(),
        [this] {
            if (window_ != nullptr) window_->update();
        },
        Qt::QueuedConnection);
}
