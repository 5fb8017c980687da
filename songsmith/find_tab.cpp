#include "songsmith/find_tab.h"

#include "songsmith/placeholder_widget.h"

bool CFindTab::Create(QWidget* parent, int x, int y, int width, int height) {
    return CreatePage(parent, PlaceholderTemplate(kTemplateWidth, kTemplateHeight, "FindTab_Title"),
                      x, y, width, height);
}
