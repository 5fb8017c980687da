#pragma once
// CLibraryTab: the Library page of the tab pane (the song library's tree).

#include "songsmith/tab_page.h"

class CLibraryTab : public CTabPage {
public:
    static constexpr int kTemplateWidth = 240;
    static constexpr int kTemplateHeight = 300;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    // True while a library import runs.
    bool IsImporting() const { return false; }
};
