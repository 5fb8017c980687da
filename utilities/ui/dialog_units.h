#pragma once
// Dialog units, the measure the dialog templates give their rectangles in:
// a quarter of the template font's average character width across, an
// eighth of its height down. The program's windows are laid out in pixels
// for that font (base units 6 by 13 pixels), so a rectangle in dialog units
// always maps to the same pixels, whatever font Qt picks at run time.

#include <QRect>

inline constexpr int kDialogBaseUnitX = 6;
inline constexpr int kDialogBaseUnitY = 13;

// The pixel rectangle of a template rectangle given by its left, top, right
// and bottom edges in dialog units (right and bottom not included); each
// edge is rounded to the nearest pixel, halves away from zero.
QRect MapDialogRect(int left, int top, int right, int bottom);
