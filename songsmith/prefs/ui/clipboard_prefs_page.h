#pragma once
// CClipboardPrefsPage: the preferences dialog's Clipboard page: which parts
// of a song copying the song list to the clipboard writes ("copyFlags").

#include <array>

#include "songsmith/prefs/ui/prefs_page.h"

class QCheckBox;

class CClipboardPrefsPage : public CPrefsPage {
public:
    static constexpr int kDialogId = 267;
    static constexpr int kTitleText = 1335;

    // One box per part of a song, with its mask in "copyFlags".
    struct TCopyBox {
        int control;
        const char* key;
        int mask;
    };
    static constexpr std::array<TCopyBox, 4> kBoxes = {{
        {1297, "PREFC_Num", 2},     // track number
        {1298, "PREFC_Length", 4},  // track length
        {1299, "PREFC_Name", 1},    // track name
        {1300, "PREFC_Artist", 8},  // artist
    }};

    using CPrefsPage::CPrefsPage;

    void OnInitDialog(QWidget* window) override;
    bool Apply() override;
    void Show(bool show) override;

private:
    std::array<QCheckBox*, kBoxes.size()> boxes_{};
};
