#pragma once
// CFindTab: the Find page of the tab pane (searching the song library).

#include "songsmith/tab_page.h"

class CFindTab : public CTabPage {
public:
    // The page's template size: its width is the tab pane's minimum width.
    static constexpr int kTemplateWidth = 240;
    static constexpr int kTemplateHeight = 300;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    // Stops a running search and waits for it to end. The page runs no
    // search of its own yet, so there is nothing to stop.
    void KillSearchThread() {}
};
