#include "songsmith/cd/ui/cd_track_view.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionButton>
#include <cstdio>

#include "songsmith/cd/cd_disc.h"
#include "songsmith/cd/cd_rows.h"
#include "songsmith/app/ui/prog_string.h"

namespace {

// The images' size: small enough to leave the track number readable.
constexpr int kImageWidth = 8;
constexpr int kImageHeight = 11;
// The width of the check box drawn in column 0.
constexpr int kCheckBoxWidth = kCdCheckBoxRight - kCdCheckBoxLeft;
// Row height beyond the text's.
constexpr int kRowPadding = 6;

const QColor kRippedBrush(214, 240, 214);
const QColor kProgressBrush(40, 90, 200);
const QColor kProgressBackground(200, 200, 200);
const QColor kInSessionText(0, 0, 255);

QString Printf(const char* format, long value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

QString StatusText(std::int32_t status) {
    switch (status) {
        case kCdRowReady:
            return ProgString("CDTab_Ready");
        case kCdRowRipped:
            return ProgString("CDTab_Ripped");
        case kCdRowFailed:
            return ProgString("CDTab_Failed");
        case kCdRowCancelled:
            return ProgString("CDTab_Cancelled");
        default:
            return QString();
    }
}

}  // namespace

QPixmap CdRowImage(bool stop) {
    QPixmap image(kImageWidth, kImageHeight);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 60, 20), 1));
    if (stop) {
        p.setBrush(QColor(200, 50, 50));
        p.drawRect(QRectF(0.5, 1.5, kImageWidth - 1.0, kImageWidth - 1.0));
    } else {
        QPainterPath triangle;
        triangle.moveTo(0.5, 0.5);
        triangle.lineTo(kImageWidth - 0.5, kImageHeight / 2.0);
        triangle.lineTo(0.5, kImageHeight - 0.5);
        triangle.closeSubpath();
        p.setBrush(QColor(60, 150, 80));
        p.drawPath(triangle);
    }
    return image;
}

QString CdCellText(const TCDTrackRow& row, int column) {
    const TONECORE_CMusicInfo& info = *row.info;
    switch (column) {
        case kCdColumnControl:
            return QString::number(info.trackNumber);
        case kCdColumnTitle:
            return info.title[0] != '\0' ? QString::fromUtf8(info.title)
                                         : QString::fromStdString(DefaultTrackTitle(info.trackNumber));
        case kCdColumnStatus:
            return row.Status() == kCdRowRipping ? Printf("%ld%%", row.percent) : StatusText(row.Status());
        case kCdColumnLength: {
            char text[24];
            std::snprintf(text, sizeof text, "%d:%02d", info.lengthMs / 60000, info.lengthMs / 1000 % 60);
            return QString::fromLatin1(text);
        }
        case kCdColumnAlbum:
            return QString::fromUtf8(info.album);
        case kCdColumnArtist:
            return QString::fromUtf8(info.artist);
        case kCdColumnYear:
            // A disc without data has no year: the cell stays empty.
            return info.year > 0 ? Printf("%ld", info.year) : QString();
        case kCdColumnGenre:
            return QString::fromUtf8(info.genre);
        default:
            return QString();
    }
}

QString CdMessageText(const char* key, int position) {
    char name[48];
    std::snprintf(name, sizeof name, key, position);
    return ProgString(name);
}

CCdRowsModel::CCdRowsModel(const CCdDisc& disc, QObject* parent) : QAbstractTableModel(parent), disc_(disc) {}

int CCdRowsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return disc_.ShowsMessageRows() ? kCdMessageRows : disc_.RowCount();
}

int CCdRowsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kCdColumnCount; }

QVariant CCdRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    if (disc_.ShowsMessageRows())
        return index.column() == kCdColumnControl ? CdMessageText(disc_.MessageKey(), index.row() + 1) : QString();
    const TCDTrackRow* row = disc_.Row(index.row());
    return row == nullptr ? QVariant() : QVariant(CdCellText(*row, index.column()));
}

QVariant CCdRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kCdColumnCount)
        return {};
    return ProgString(CdColumns()[static_cast<std::size_t>(section)].titleKey);
}

void CCdRowsModel::Reload() {
    beginResetModel();
    endResetModel();
}

CCdRowDelegate::CCdRowDelegate(const CCdDisc& disc, std::function<bool()> ripping, QObject* parent)
    : QStyledItemDelegate(parent), disc_(disc), ripping_(std::move(ripping)) {}

QSize CCdRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max({size.height(), option.fontMetrics.height() + kRowPadding, kImageHeight + 4}));
    return size;
}

void CCdRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QPainter& p = *painter;
    p.save();
    if (disc_.ShowsMessageRows()) {
        if (index.column() == kCdColumnControl) PaintMessage(p, option, index.row() + 1);
        p.restore();
        return;
    }
    const TCDTrackRow* row = disc_.Row(index.row());
    if (row == nullptr) {
        p.restore();
        return;
    }
    const QRect cell = option.rect;
    if (index.column() == kCdColumnControl) {
        PaintControl(p, option, *row, index.row());
    } else if (index.column() == kCdColumnStatus && row->Status() == kCdRowRipping) {
        p.fillRect(cell, option.palette.base());
        PaintStatusBar(p, cell, *row);
    } else {
        p.fillRect(cell, option.palette.base());
        const int padding = option.fontMetrics.averageCharWidth();
        const QRect textRect = cell.adjusted(padding, 0, -2, 0);
        const QString text = option.fontMetrics.elidedText(CdCellText(*row, index.column()), Qt::ElideRight,
                                                           textRect.width());
        p.setPen(row->inSession != 0 ? kInSessionText : QColor(Qt::black));
        p.setFont(option.font);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
    p.restore();
}

void CCdRowDelegate::PaintControl(QPainter& p, const QStyleOptionViewItem& option, const TCDTrackRow& row,
                                  int index) const {
    const QRect cell = option.rect;
    const bool ripping = ripping_ && ripping_();
    if (index == disc_.CurrentRow())
        p.fillRect(cell, option.palette.highlight());
    else if (row.percent == kCdRipDone)
        p.fillRect(cell, kRippedBrush);
    else
        p.fillRect(cell, option.palette.base());
    QStyleOptionButton box;
    box.rect = QRect(cell.x() + kCdCheckBoxLeft, cell.y() + (cell.height() - kCheckBoxWidth + 4) / 2,
                     kCheckBoxWidth - 4, kCheckBoxWidth - 4);
    box.state = (row.marked != 0 ? QStyle::State_On : QStyle::State_Off) |
                (ripping ? QStyle::State_None : QStyle::State_Enabled);
    QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &p, option.widget);
    if (!ripping) {
        const bool playing = index == disc_.PlayingIndex();
        p.drawPixmap(cell.x() + kCdPlayImageX, cell.y() + kCdPlayImageY + (cell.height() - kImageHeight) / 2 - 2,
                     CdRowImage(playing));
    }
    p.setPen(Qt::black);
    p.setFont(option.font);
    const QRect number(cell.x() + kCdNumberLeft, cell.y(), kCdNumberRight - kCdNumberLeft, cell.height());
    p.drawText(number, Qt::AlignCenter | Qt::TextSingleLine, QString::number(row.info->trackNumber));
}

void CCdRowDelegate::PaintStatusBar(QPainter& p, const QRect& cell, const TCDTrackRow& row) const {
    const QRect frame = cell.adjusted(2, 2, -3, -3);
    p.setPen(Qt::black);
    p.setBrush(kProgressBackground);
    p.drawRect(frame);
    const QRect inside = frame.adjusted(1, 1, 0, 0);
    const int percent = std::clamp<int>(row.percent, 0, kCdRipDone);
    p.fillRect(QRect(inside.x(), inside.y(), inside.width() * percent / kCdRipDone, inside.height()), kProgressBrush);
    p.setPen(Qt::white);
    p.drawText(inside, Qt::AlignCenter | Qt::TextSingleLine, CdCellText(row, kCdColumnStatus));
}

void CCdRowDelegate::PaintMessage(QPainter& p, const QStyleOptionViewItem& option, int position) const {
    const QRect cell = option.rect;
    p.fillRect(cell, option.palette.base());
    const QRect span(cell.x() + kCdMessageLeft, cell.y(), kCdMessageRight - kCdMessageLeft, cell.height());
    const QString text =
        option.fontMetrics.elidedText(CdMessageText(disc_.MessageKey(), position), Qt::ElideRight, span.width());
    p.setPen(Qt::black);
    p.setFont(option.font);
    p.drawText(span, Qt::AlignCenter | Qt::TextSingleLine, text);
}
