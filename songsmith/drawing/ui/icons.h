#pragma once
// The program's own pictures for the toolbar and the tabs, drawn at run time
// so no image files have to be found.

#include <QIcon>
#include <QPixmap>

// Image index of the toolbar strip (0 to 13) at the large (60 by 32) or
// small (30 by 16) size.
QPixmap ToolbarImage(int index, bool small);

// The tab image of a page kind (0 Find, 1 CD, 2 Library), 20 by 16 pixels.
QIcon TabIcon(int kind);
