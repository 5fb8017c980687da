#pragma once
// The session list's pictures: the play mark at the left of every row, the
// playing mark of the row that plays, and the move up, move down and delete
// buttons, each enabled and disabled. They are drawn into the program's
// picture table (program_pictures.cpp).

#include <QPainter>
#include <QSize>

inline constexpr int kPictureMoveUp = 137;        // 23 by 31
inline constexpr int kPictureMoveUpOff = 195;
inline constexpr int kPictureMoveDown = 138;      // 23 by 31
inline constexpr int kPictureMoveDownOff = 147;
inline constexpr int kPictureDeleteTrack = 169;   // 34 by 24
inline constexpr int kPictureDeleteTrackOff = 194;
inline constexpr int kPicturePlayMark = 233;      // 10 by 11
inline constexpr int kPicturePlayingMark = 234;

void DrawMoveUp(QPainter& p, QSize size);
void DrawMoveUpOff(QPainter& p, QSize size);
void DrawMoveDown(QPainter& p, QSize size);
void DrawMoveDownOff(QPainter& p, QSize size);
void DrawDeleteTrack(QPainter& p, QSize size);
void DrawDeleteTrackOff(QPainter& p, QSize size);
void DrawPlayMark(QPainter& p, QSize size);
void DrawPlayingMark(QPainter& p, QSize size);
