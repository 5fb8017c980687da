#include "songsmith/prefs/ui/clipboard_prefs_page.h"

#include <QCheckBox>
#include <QLabel>
#include <algorithm>

#include "songsmith/prefs/preferences.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "songsmith/app/ui/prog_string.h"

namespace {

// Layout of the page's controls.
constexpr int kLeft = 8;
constexpr int kWidth = 350;
constexpr int kTextHeight = 40;
constexpr int kFirstBoxTop = 56;
constexpr int kRowHeight = 24;

}  // namespace

void CClipboardPrefsPage::OnInitDialog(QWidget* window) {
    CPrefsPage::OnInitDialog(window);
    auto* text = new QLabel(ProgString("PREFC_Title"), window);
    text->setObjectName(QString::number(kTitleText));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setGeometry(kLeft, 8, kWidth, kTextHeight);
    const int flags = Owner().Context().prefs.copyFlags;
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        auto* box = new QCheckBox(ProgString(kBoxes[i].key), window);
        box->setObjectName(QString::number(kBoxes[i].control));
        // As wide as its text: a box reacts to clicks on its box and text only.
        box->setGeometry(kLeft, kFirstBoxTop + static_cast<int>(i) * kRowHeight,
                         std::min(box->sizeHint().width(), kWidth), kRowHeight);
        box->setChecked((flags & kBoxes[i].mask) != 0);
        boxes_[i] = box;
    }
}

bool CClipboardPrefsPage::Apply() {
    int& flags = Owner().Context().prefs.copyFlags;
    // Bits the page does not show are kept as stored.
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        flags = boxes_[i]->isChecked() ? flags | kBoxes[i].mask : flags & ~kBoxes[i].mask;
    }
    return true;
}

void CClipboardPrefsPage::Show(bool show) {
    if (show) Owner().SetTitle(QStringLiteral("Clipboard Preferences"));
    CPrefsPage::Show(show);
}
