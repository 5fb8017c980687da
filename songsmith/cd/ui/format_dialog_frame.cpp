#include "songsmith/cd/ui/format_dialog_frame.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "platform/message_box.h"
#include "songsmith/app/ui/prog_string.h"
#include "tonecore/engine/tonecore_strings.h"
#include "utilities/ui/center_window.h"
#include "utilities/ui/link_control.h"

namespace {

constexpr int kMargin = 10;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kButtonGap = 8;
constexpr int kTextBytes = 512;
constexpr int kSliderHeight = 26;
constexpr int kEndTextHeight = 18;

}  // namespace

CFormatDialogFrame::CFormatDialogFrame(QWidget* parent, int id, const QString& title, QSize size,
                                       std::function<void()> onOk)
    : QDialog(parent), onOk_(std::move(onOk)) {
    setObjectName(QString::number(id));
    setWindowTitle(title);
    setFixedSize(size);
    const int top = size.height() - kMargin - kButtonHeight;
    int left = size.width() - kMargin - 2 * kButtonWidth - kButtonGap;
    for (const int button : {IDOK, IDCANCEL}) {
        auto* push = new QPushButton(ProgString(button == IDOK ? "OK" : "Cancel"), this);
        push->setObjectName(QString::number(button));
        push->setGeometry(left, top, kButtonWidth, kButtonHeight);
        push->setAutoDefault(false);
        push->setDefault(button == IDOK);
        if (button == IDOK) {
            connect(push, &QPushButton::clicked, this, [this] { onOk_(); });
        } else {
            connect(push, &QPushButton::clicked, this, [this] { reject(); });
        }
        left += kButtonWidth + kButtonGap;
    }
}

int CFormatDialogFrame::Run(QPointer<CFormatDialogFrame>& holder, QWidget* parent, int id, const QString& title,
                            QSize size, std::function<void()> onOk,
                            const std::function<void(CFormatDialogFrame&)>& init) {
    auto* dialog = new CFormatDialogFrame(parent, id, title, size, std::move(onOk));
    holder = dialog;
    init(*dialog);
    CenterWindow(dialog, parent);
    const int result = dialog->exec();
    delete dialog;
    return result;
}

void CFormatDialogFrame::reject() { done(IDCANCEL); }

void CFormatDialogFrame::closeEvent(QCloseEvent* event) {
    if (isVisible()) done(0);
    event->accept();
}

void CFormatDialogFrame::mouseReleaseEvent(QMouseEvent* event) {
    // The link's label leaves mouse buttons to the dialog, as a static text
    // does; the dialog decides whether the release was on the link's text.
    if (link_ != nullptr && event->button() == Qt::LeftButton &&
        link_->MouseOver(this, event->position().toPoint()) != 0) {
        link_->OpenLink();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

QString ToneCoreText(const char* key) {
    char text[kTextBytes];
    ToneCoreLoadString(key, text, sizeof text);
    return QString::fromUtf8(text);
}

QSlider* AddPresetSlider(QWidget* dialog, const TPresetSliderIds& ids, int left, int top, int width) {
    auto* slider = new QSlider(Qt::Horizontal, dialog);
    slider->setObjectName(QString::number(ids.slider));
    slider->setGeometry(left, top, width, kSliderHeight);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    slider->setPageStep(1);
    slider->setRange(1, 1);
    struct TEndText {
        int id;
        const char* key;
        int row;
        bool right;
    };
    const TEndText ends[] = {{ids.worstQuality, "IDS_PRESET_WORST_QUALITY", 0, false},
                             {ids.smallestSize, "IDS_PRESET_SMALLEST_SIZE", 1, false},
                             {ids.bestQuality, "IDS_PRESET_BEST_QUALITY", 0, true},
                             {ids.largestSize, "IDS_PRESET_LARGEST_SIZE", 1, true}};
    const int textTop = top + kSliderHeight + 2;
    for (const TEndText& end : ends) {
        auto* text = AddDialogControl<QLabel>(dialog, end.id, ToneCoreText(end.key), left,
                                              textTop + end.row * kEndTextHeight, width / 2, kEndTextHeight);
        if (end.right) {
            text->move(left + width - text->width(), text->y());
            text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    return slider;
}
