#pragma once
// A plain panel standing in for a pane whose contents come later: a title
// strip (control 1035) and an empty area, at a fixed template size.

class QWidget;

QWidget* MakePlaceholderPanel(QWidget* parent, int width, int height, const char* titleKey);
