#pragma once
// The program's numbered pictures, drawn at run time from one table: the
// logo with its meter strip, the About picture, the burn dialogs' animation
// strips, pictures and check mark.

#include <QIcon>
#include <QImage>
#include <QSize>

inline constexpr int kPictureLogoText = 157;    // 168 by 30
inline constexpr int kPictureLogo = 158;        // 131 by 44, room for a meter frame
inline constexpr int kPictureBurnAnimation = 162;  // 19 frames of 23 pixels
inline constexpr int kPictureAbout = 186;       // 331 by 141
inline constexpr int kPictureWillNotFit = 185;
inline constexpr int kPictureInsertDisc = 190;  // 8 frames of 78 pixels
inline constexpr int kPictureBurnWarning = 192;
inline constexpr int kPictureCheckMark = 197;  // 12 by 12
// The player panel's buttons.
inline constexpr int kPictureStop = 118;          // 24 by 24
inline constexpr int kPicturePrevious = 119;      // 34 by 24
inline constexpr int kPicturePlay = 120;          // 24 by 24
inline constexpr int kPictureNext = 121;          // 34 by 24
inline constexpr int kPictureMore = 181;          // 36 by 24, once a song played
inline constexpr int kPictureMoreIdle = 196;      // 36 by 24, before

// Where the logo leaves room for one frame of the animation strip.
inline constexpr int kLogoMeterLeft = 102;
inline constexpr int kLogoMeterTop = 14;

inline constexpr int kBurnAnimationFrameWidth = 23;
inline constexpr int kBurnAnimationFrames = 19;
inline constexpr int kInsertDiscFrameWidth = 78;
inline constexpr int kInsertDiscFrames = 8;

// The picture with that number at its size; null for a number the table
// does not hold.
QImage DrawProgramPicture(int resource);
// Its size; empty for an unknown number.
QSize ProgramPictureSize(int resource);

// The program's icon (resource 109): a disc with a note.
QIcon ProgramIcon();
