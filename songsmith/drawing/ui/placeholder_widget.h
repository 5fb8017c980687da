#pragma once
// A plain panel standing in for a pane whose contents come later: a title
// strip (control 1035) and an empty area, at a fixed template size.

#include <functional>

class QWidget;

QWidget* MakePlaceholderPanel(QWidget* parent, int width, int height, const char* titleKey);

// A page template (CTabPage::CreatePage) that builds such a panel.
std::function<QWidget*(QWidget*)> PlaceholderTemplate(int width, int height, const char* titleKey);
