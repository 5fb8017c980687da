#pragma once
// The window of the program's message box: its controls at their template
// places, before the box fits them to a text. CMessageBox (message_box.h)
// owns the behaviour; this dialog forwards the buttons and the close request
// to it.

#include <QDialog>

class CMessageBox;

// Identifiers of the box and its controls (their objectName). The buttons use
// the answers' numbers: IDOK, IDCANCEL, IDYES, IDNO.
inline constexpr int kMessageBoxDialogId = 199;
inline constexpr int kMessageBoxIcon = 1193;
inline constexpr int kMessageBoxText = 1194;
inline constexpr int kMessageBoxCheck = 1197;

class CMessageBoxDialog final : public QDialog {
public:
    CMessageBoxDialog(QWidget* owner, CMessageBox& box);

    // The close button and Escape: the box decides what they mean.
    void reject() override;

private:
    void AddButton(int id, const char* key);

    CMessageBox& box_;
};

// Template geometry, in pixels: the icon, the text beside it, the check box
// below the text and the row of buttons below that.
namespace message_box_layout {
inline constexpr int kMargin = 12;
inline constexpr int kIconSize = 32;
inline constexpr int kTextLeft = kMargin + kIconSize + kMargin;
inline constexpr int kTextWidth = 340;
inline constexpr int kTextHeight = 2 * kIconSize;
inline constexpr int kCheckTop = kMargin + kTextHeight + 6;
inline constexpr int kCheckHeight = 22;
inline constexpr int kButtonTop = kCheckTop + kCheckHeight + 10;
inline constexpr int kButtonWidth = 88;
inline constexpr int kButtonHeight = 28;
inline constexpr int kButtonGap = 8;
inline constexpr int kWidth = kTextLeft + kTextWidth + kMargin;
inline constexpr int kHeight = kButtonTop + kButtonHeight + kMargin;
}  // namespace message_box_layout
