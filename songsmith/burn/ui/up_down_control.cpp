#include "songsmith/burn/ui/up_down_control.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

CUpDownControl::CUpDownControl(QWidget* parent, QLineEdit* buddy, int minimum, int maximum)
    : QWidget(parent), buddy_(buddy), minimum_(minimum), maximum_(maximum) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (const int direction : {1, -1}) {
        auto* arrow = new QToolButton(this);
        arrow->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        connect(arrow, &QToolButton::clicked, this, [this, direction] { Step(direction); });
        column->addWidget(arrow);
    }
}

void CUpDownControl::Step(int direction) {
    if (buddy_ == nullptr) return;
    bool isNumber = false;
    const int now = buddy_->text().trimmed().toInt(&isNumber);
    const int next = std::clamp((isNumber ? now : minimum_) + direction, minimum_, maximum_);
    buddy_->setText(QString::number(next));
}
