#include "songsmith/drawing/ui/placeholder_widget.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "songsmith/app/ui/prog_string.h"
#include "songsmith/app/ui/tab_page.h"

QWidget* MakePlaceholderPanel(QWidget* parent, int width, int height, const char* titleKey) {
    // A sunken frame shows where the pane lies until it has contents.
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    auto* strip = new QLabel(titleKey == nullptr ? QString() : ProgString(titleKey), panel);
    strip->setObjectName(QString::number(kPageStripId));
    QFont bold = strip->font();
    bold.setBold(true);
    strip->setFont(bold);
    strip->setIndent(4);
    strip->setMinimumHeight(kPageStripHeight);
    layout->addWidget(strip);
    layout->addStretch(1);
    panel->resize(width, height);
    return panel;
}

std::function<QWidget*(QWidget*)> PlaceholderTemplate(int width, int height, const char* titleKey) {
    return [=](QWidget* parent) { return MakePlaceholderPanel(parent, width, height, titleKey); };
}
