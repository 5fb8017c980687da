#pragma once
// The session list's button pictures: move up, move down and delete, each
// enabled and disabled. They are drawn into the program's picture table
// (program_pictures.cpp). The rows' play and playing marks are the CD
// page's (cd_track_view.h).

#include <QPainter>
#include <QSize>

inline constexpr int kPictureMoveUp = 137;        // 23 by 31
inline constexpr int kPictureMoveUpOff = 195;
inline constexpr int kPictureMoveDown = 138;      // 23 by 31
inline constexpr int kPictureMoveDownOff = 147;
inline constexpr int kPictureDeleteTrack = 169;   // 34 by 24
inline constexpr int kPictureDeleteTrackOff = 194;

void DrawMoveUp(QPainter& p, QSize size);
void DrawMoveUpOff(QPainter& p, QSize size);
void DrawMoveDown(QPainter& p, QSize size);
void DrawMoveDownOff(QPainter& p, QSize size);
void DrawDeleteTrack(QPainter& p, QSize size);
void DrawDeleteTrackOff(QPainter& p, QSize size);
