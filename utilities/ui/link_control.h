#pragma once
// A static text of a dialog shown as a web link: blue, underlined, with the
// hand cursor. The dialog keeps deciding what a click does; it asks
// MouseOver whether the mouse is on the text and opens the link (OpenLink).

#include <QLabel>
#include <QPointer>

#include <cstddef>
#include <string>

// Left and top included, right and bottom not.
struct TLinkRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Text and link lengths the control keeps; longer ones are cut.
inline constexpr std::size_t kLinkTextMax = 511;
inline constexpr std::size_t kLinkAddressMax = 2047;
// Pixels below the text that still count as on the link.
inline constexpr int kLinkHitMarginBelow = 7;

class CLinkControl : public QLabel {
public:
    explicit CLinkControl(QWidget* parent = nullptr);
    ~CLinkControl() override;
    CLinkControl(const CLinkControl&) = delete;
    CLinkControl& operator=(const CLinkControl&) = delete;

    // Shows text as a link to link. control is the dialog's static control
    // the link stands for: the link takes its place, size and identifier
    // (objectName) and hides it until Restore, and becomes a child of the
    // control's parent (so make it with new, or let it go before the
    // dialog); control null or this control itself turns this label into
    // the link. Always 1.
    int SubClass(QWidget* control, const char* text, const char* link);
    // Gives a taken-over control back its place; does nothing when none was
    // taken.
    void Restore();

    // Nonzero when point (in dialog's coordinates) lies on the text: its
    // measured width, and its height plus kLinkHitMarginBelow pixels.
    int MouseOver(QWidget* dialog, QPoint point) const;
    // Opens the link in the browser (LaunchBrowser); false when it could not.
    bool OpenLink() const;

    const char* GetLink() const { return link_.c_str(); }
    TLinkRect GetLastHitRect() const { return hitRect_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Measures the text in the dialog's font and updates the hit rectangle.
    void MeasureText();
    QSize TextExtent() const;
    QFont DialogFont() const;

    std::string text_;
    std::string link_;
    QPointer<QWidget> takenOver_;
    QString takenOverName_;
    bool subclassed_ = false;
    TLinkRect hitRect_;
};

// Text extent of a link: the measured width, or when the text could not be
// measured (a width of 0 for a text that is not empty) (length + 2) average
// character widths.
int LinkTextWidth(int measuredWidth, int length, int averageCharWidth);

// Nonzero when point (in dialog's coordinates) lies on the dialog's control
// with that identifier; 0 when there is no such control.
int MouseOverDialogControl(QWidget* dialog, int id, QPoint point);
