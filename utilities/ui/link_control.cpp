#include "utilities/ui/link_control.h"

#include <QFontMetrics>
#include <QPainter>

#include "utilities/launch_browser.h"
#include "utilities/text_copy.h"
#include "utilities/ui/dialog_controls.h"

namespace {

// COLORREF 0x00FF0000: pure blue.
const QColor kLinkBlue(0, 0, 255);

std::string Cut(const char* text, std::size_t maxBytes) {
    if (text == nullptr) return {};
    const std::string_view view(text);
    return std::string(view.substr(0, textcopy::Utf8PrefixLength(view, maxBytes)));
}

// The point, given in dialog's coordinates, in widget's.
QPoint PointInWidget(const QWidget* widget, const QWidget* dialog, QPoint point) {
    if (dialog == nullptr) return point;
    if (dialog->isAncestorOf(widget)) return widget->mapFrom(dialog, point);
    return widget->mapFromGlobal(dialog->mapToGlobal(point));
}

bool PointInRect(QPoint point, int left, int top, int right, int bottom) {
    return point.x() >= left && point.x() < right && point.y() >= top && point.y() < bottom;
}

}  // namespace

int LinkTextWidth(int measuredWidth, int length, int averageCharWidth) {
    if (measuredWidth > 0 || length == 0) return measuredWidth;
    return (length + 2) * averageCharWidth;
}

CLinkControl::CLinkControl(QWidget* parent) : QLabel(parent) {}

CLinkControl::~CLinkControl() { Restore(); }

int CLinkControl::SubClass(QWidget* control, const char* text, const char* link) {
    Restore();
    text_ = Cut(text, kLinkTextMax);
    link_ = Cut(link, kLinkAddressMax);
    if (control != nullptr && control != this) {
        // Stand in the control's place; the identifier moves to the link so
        // the dialog finds the link where it looked for the control.
        takenOver_ = control;
        takenOverName_ = control->objectName();
        setParent(control->parentWidget());
        setGeometry(control->geometry());
        setObjectName(takenOverName_);
        control->setObjectName(QString());
        control->hide();
        show();
    }
    subclassed_ = true;
    setText(QString::fromStdString(text_));
    setCursor(Qt::PointingHandCursor);
    MeasureText();
    update();
    return 1;
}

void CLinkControl::Restore() {
    if (!subclassed_) return;
    subclassed_ = false;
    unsetCursor();
    if (takenOver_ != nullptr) {
        takenOver_->setObjectName(takenOverName_);
        takenOver_->show();
        setObjectName(QString());
        hide();
    }
    takenOver_ = nullptr;
    takenOverName_.clear();
    update();
}

QFont CLinkControl::DialogFont() const { return window() != nullptr ? window()->font() : font(); }

QSize CLinkControl::TextExtent() const {
    const QFontMetrics metrics(DialogFont());
    const QString text = QString::fromStdString(text_);
    return {LinkTextWidth(metrics.horizontalAdvance(text), static_cast<int>(text.size()),
                          metrics.averageCharWidth()),
            metrics.height()};
}

void CLinkControl::MeasureText() {
    const QSize extent = TextExtent();
    const QRect client = contentsRect();
    hitRect_ = {client.left(), client.top(), client.left() + extent.width(),
                client.top() + extent.height() + kLinkHitMarginBelow};
}

void CLinkControl::paintEvent(QPaintEvent* event) {
    if (!subclassed_) {
        QLabel::paintEvent(event);
        return;
    }
    MeasureText();
    QPainter painter(this);
    painter.setFont(DialogFont());
    painter.setPen(kLinkBlue);
    const int left = hitRect_.left;
    const int top = hitRect_.top;
    const int width = hitRect_.right - hitRect_.left;
    const int height = hitRect_.bottom - top - kLinkHitMarginBelow;
    painter.drawText(QRect(left, top, width, height), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(text_));
    // A one-pixel line on the row just below the text's cell.
    const int underline = top + height;
    painter.drawLine(left, underline, left + width - 1, underline);
}

QSize CLinkControl::sizeHint() const {
    if (!subclassed_) return QLabel::sizeHint();
    // Room for the underline below the text.
    const QSize extent = TextExtent();
    const QMargins margins = contentsMargins();
    return {extent.width() + margins.left() + margins.right(),
            extent.height() + 1 + margins.top() + margins.bottom()};
}

QSize CLinkControl::minimumSizeHint() const { return sizeHint(); }

int CLinkControl::MouseOver(QWidget* dialog, QPoint point) const {
    const QPoint local = PointInWidget(this, dialog, point);
    return PointInRect(local, hitRect_.left, hitRect_.top, hitRect_.right, hitRect_.bottom) ? 1 : 0;
}

bool CLinkControl::OpenLink() const {
    return LaunchBrowser(link_.c_str(), window(), 1);
}

int MouseOverDialogControl(QWidget* dialog, int id, QPoint point) {
    const QWidget* control = GetDialogControl(dialog, id);
    if (control == nullptr) return 0;
    const QPoint local = PointInWidget(control, dialog, point);
    return PointInRect(local, 0, 0, control->width(), control->height()) ? 1 : 0;
}
