#include "songsmith/dialogs/ui/message_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "songsmith/dialogs/ui/message_box_dialog.h"
#include "utilities/ui/center_window.h"

namespace layout = message_box_layout;

namespace {

template <typename T>
T* Control(QDialog& dialog, int id) {
    return dialog.findChild<T*>(QString::number(id));
}

// The buttons a flags value shows, in their order from the left; the first
// takes the focus.
std::vector<int> ButtonsOf(std::uint32_t flags) {
    switch (flags & MB_TYPEMASK) {
        case MB_YESNO: return {IDYES, IDNO};
        case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
        case MB_OKCANCEL: return {IDOK, IDCANCEL};
        default: return {IDOK};
    }
}

// The icon of a flags value, and its name (kept on the icon control so a
// reader of the window can tell which one it shows); none for no icon flag.
std::pair<QStyle::StandardPixmap, const char*> IconOf(std::uint32_t flags) {
    switch (flags & MB_ICONMASK) {
        case MB_ICONWARNING: return {QStyle::SP_MessageBoxWarning, "exclamation"};
        case MB_ICONINFORMATION: return {QStyle::SP_MessageBoxInformation, "information"};
        case MB_ICONQUESTION: return {QStyle::SP_MessageBoxQuestion, "question"};
        case MB_ICONERROR: return {QStyle::SP_MessageBoxWarning, "exclamation"};
        default: return {QStyle::SP_CustomBase, ""};
    }
}

void MoveDown(QWidget* widget, int growth) { widget->move(widget->x(), widget->y() + growth); }

}  // namespace

CMessageBox::CMessageBox(TMessageRequest request) : request_(std::move(request)) {}

TMessageAnswer CMessageBox::DoModal(QWidget* owner) {
    CMessageBoxDialog dialog(owner, *this);
    dialog_ = &dialog;
    answer_ = {};
    OnInitDialog(dialog, owner);
    dialog.exec();
    dialog_ = nullptr;
    return answer_;
}

// Centred once it has its final size, so a box grown by a long text does
// not hang below the screen.
void CMessageBox::OnInitDialog(QDialog& dialog, QWidget* owner) {
    SetTexts(dialog);
    const int growth = PlaceCheckBox(dialog, GrowText(dialog));
    dialog.resize(dialog.width(), dialog.height() + growth);
    dialog.setFixedSize(dialog.size());
    SetIcon(dialog);
    ShowButtons(dialog, growth);
    CenterWindow(&dialog, owner);
    dialog.raise();
    dialog.activateWindow();
}

void CMessageBox::SetTexts(QDialog& dialog) {
    dialog.setWindowTitle(QString::fromStdString(request_.caption));
    Control<QLabel>(dialog, kMessageBoxText)->setText(QString::fromStdString(request_.text));
}

// The text control takes the height its text needs at its width, and at
// least twice the icon's height; returns the change of its height.
int CMessageBox::GrowText(QDialog& dialog) {
    auto* text = Control<QLabel>(dialog, kMessageBoxText);
    text->setFont(QApplication::font());
    const int icon = Control<QLabel>(dialog, kMessageBoxIcon)->height();
    const int height = std::max(text->heightForWidth(text->width()), 2 * icon);
    const int growth = height - text->height();
    text->resize(text->width(), height);
    return growth;
}

// The check box follows the text down; without its flag it is hidden and the
// box loses its row.
int CMessageBox::PlaceCheckBox(QDialog& dialog, int growth) {
    auto* check = Control<QCheckBox>(dialog, kMessageBoxCheck);
    if ((request_.flags & kMessageBoxDontAskAgain) != 0) {
        MoveDown(check, growth);
        return growth;
    }
    check->hide();
    return growth - check->height();
}

void CMessageBox::SetIcon(QDialog& dialog) {
    auto* icon = Control<QLabel>(dialog, kMessageBoxIcon);
    const auto [pixmap, name] = IconOf(request_.flags);
    icon->setProperty("icon", QString::fromLatin1(name));
    if (pixmap == QStyle::SP_CustomBase) {
        icon->clear();
        return;
    }
    icon->setPixmap(dialog.style()->standardIcon(pixmap).pixmap(icon->size()));
}

// The flags' buttons show, right-aligned in their order, below the text;
// the others hide. The first one shown takes the focus.
void CMessageBox::ShowButtons(QDialog& dialog, int growth) {
    const std::vector<int> shown = ButtonsOf(request_.flags);
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        auto* button = Control<QPushButton>(dialog, id);
        MoveDown(button, growth);
        button->setVisible(std::find(shown.begin(), shown.end(), id) != shown.end());
    }
    const int count = static_cast<int>(shown.size());
    int left = layout::kWidth - layout::kMargin - count * layout::kButtonWidth -
               (count - 1) * layout::kButtonGap;
    for (int id : shown) {
        auto* button = Control<QPushButton>(dialog, id);
        button->move(left, button->y());
        left += layout::kButtonWidth + layout::kButtonGap;
    }
    auto* focus = Control<QPushButton>(dialog, shown.front());
    focus->setDefault(true);
    focus->setFocus();
}

void CMessageBox::OnButton(int id) { End(id); }

// The close button counts as Cancel. The check box keeps what the user did:
// callers store "do not ask again" from it.
void CMessageBox::OnClose() { End(IDCANCEL); }

void CMessageBox::End(int id) {
    if (dialog_ == nullptr) return;
    answer_.id = id;
    answer_.dontAskAgain = Control<QCheckBox>(*dialog_, kMessageBoxCheck)->isChecked();
    dialog_->done(id);
}
