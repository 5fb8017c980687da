#pragma once
// Draws the session list's rows: the background of the track's load state
// (or the selection), the play mark and number in the first column, the
// playing row framed, the link column underlined, every text one average
// character in and cut with an ellipsis, and the line where a dragged row
// would land.

#include <QPixmap>
#include <QStyledItemDelegate>
#include <array>
#include <cstdint>
#include <functional>

class CSessionRowsModel;

// The row backgrounds and highlights, as 0x00BBGGRR colour references; the
// first entries go by load state.
inline constexpr std::array<std::uint32_t, 18> kSessionRowColors = {
    0xffffff, 0xffffff, 0xc8c8c8, 0xffffff, 0xbbffff, 0x0072e3, 0xffffff, 0xffffff, 0xffffff,
    0xff0000, 0x3000c8, 0x3000c8, 0x300082, 0x300082, 0xffffff, 0xffffff, 0x0072e3, 0xffffff};

// The load state's background and text colours as colour references.
std::uint32_t SessionRowBackground(int state);
std::uint32_t SessionRowTextColor(int state);
std::uint32_t SessionLinkColor(int state, bool selected);

class CSessionRowDelegate final : public QStyledItemDelegate {
public:
    // The play mark's span from a row's left edge, in pixels.
    static constexpr int kPlayIconSpan = 10;
    // How far right of the mark the row number starts.
    static constexpr int kNumberOffset = 12;

    CSessionRowDelegate(const CSessionRowsModel& model, std::function<int()> dragTarget, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const CSessionRowsModel& model_;
    std::function<int()> dragTarget_;
    // The play mark every row shows, and the stop mark of the playing row.
    QPixmap playMark_;
    QPixmap playingMark_;
};
