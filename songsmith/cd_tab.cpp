#include "songsmith/cd_tab.h"

#include "songsmith/placeholder_widget.h"

bool CCDTab::Create(QWidget* parent, int x, int y, int width, int height) {
    return CreatePage(parent, PlaceholderTemplate(kTemplateWidth, kTemplateHeight, "CDTab_Title"),
                      x, y, width, height);
}
