#pragma once
// The CD page's track list: a table model over the page's rows (or the six
// message rows when the disc has no audio tracks) and the delegate that
// draws them: check box, play image and track number in the first column,
// the status as a text or a progress bar, songs in the session in blue.

#include <QAbstractTableModel>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <functional>

class CCdDisc;
struct TCDTrackRow;

// The play (233) and stop (234) images of a row.
QPixmap CdRowImage(bool stop);
inline constexpr int kCdPlayImage = 233;
inline constexpr int kCdStopImage = 234;

// The text of a row's cell as the list draws it.
QString CdCellText(const TCDTrackRow& row, int column);
// The message row's text: the key with its position (1 to 6).
QString CdMessageText(const char* key, int position);

class CCdRowsModel : public QAbstractTableModel {
public:
    explicit CCdRowsModel(const CCdDisc& disc, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The rows changed: the view reads them again.
    void Reload();

private:
    const CCdDisc& disc_;
};

class CCdRowDelegate : public QStyledItemDelegate {
public:
    // ripping: whether the page rips (no play images, inactive check boxes).
    CCdRowDelegate(const CCdDisc& disc, std::function<bool()> ripping, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void PaintControl(QPainter& p, const QStyleOptionViewItem& option, const TCDTrackRow& row, int index) const;
    void PaintStatusBar(QPainter& p, const QRect& cell, const TCDTrackRow& row) const;
    void PaintMessage(QPainter& p, const QStyleOptionViewItem& option, int position) const;

    const CCdDisc& disc_;
    std::function<bool()> ripping_;
};
