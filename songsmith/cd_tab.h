#pragma once
// CCDTab: the page of one CD drive in the tab pane (reading and ripping the
// disc in it).

#include "songsmith/tab_page.h"

class PLATTER_CDevice;

class CCDTab : public CTabPage {
public:
    static constexpr int kTemplateWidth = 240;
    static constexpr int kTemplateHeight = 300;

    // The drive stays the drive library's.
    explicit CCDTab(PLATTER_CDevice* drive) : drive_(drive) {}

    bool Create(QWidget* parent, int x, int y, int width, int height);
    PLATTER_CDevice* Drive() const { return drive_; }
    // True while the page rips its disc.
    bool IsRipping() const { return false; }

private:
    PLATTER_CDevice* drive_;
};
