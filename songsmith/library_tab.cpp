#include "songsmith/library_tab.h"

#include "songsmith/placeholder_widget.h"

bool CLibraryTab::Create(QWidget* parent, int x, int y, int width, int height) {
    return CreatePage(parent, PlaceholderTemplate(kTemplateWidth, kTemplateHeight, "LibTab_Title"),
                      x, y, width, height);
}
