#pragma once
// The program's own window messages. Worker threads never touch windows:
// they post one of these numbers, with two parameters, to the window that
// owns the work, and that window acts on it on the main thread. A number may
// mean different things to different receivers; to one receiver it always
// means one thing.

#include <cstdint>

#include "songvault/import_types.h"

// The first number free for a program's own messages.
inline constexpr std::uint32_t WM_USER = 1024;

// Find page: its search ended (wParam 1 when cancelled).
inline constexpr std::uint32_t WM_FIND_FINISHED = WM_USER + 1;
// A dialog with the two-thumb range slider: the user moved a thumb.
inline constexpr std::uint32_t WM_RANGE_CHANGED = WM_USER + 1;
// Session list: redraw the row of the track whose serial is lParam.
inline constexpr std::uint32_t WM_SESSION_TRACKCHANGED = WM_USER + 2;
// Song lists and the player panel: a song's play state changed (wParam the
// serial, lParam the sound id plus kPlayStatePlaying while it plays).
inline constexpr std::uint32_t WM_PLAYSTATE_CHANGED = WM_USER + 3;
inline constexpr std::uint32_t WM_PLAYER_LOADNEXT = WM_USER + 5;
inline constexpr std::uint32_t WM_PLAYER_CANNOTPLAY = WM_USER + 6;
// Main window: a burn or test pass failed (wParam the error index).
inline constexpr std::uint32_t WM_BURN_ERROR = WM_USER + 7;
// Main window: the burn worker ended (wParam 1 success, lParam 1 unless aborted).
inline constexpr std::uint32_t WM_BURN_FINISHED = WM_USER + 8;
// Main window, to itself once at creation: the start-up questions.
inline constexpr std::uint32_t WM_SHOW_INITIAL_WINDOWS = WM_USER + 9;
// Main window: the session became modified (wParam 1) or clean (0).
inline constexpr std::uint32_t WM_SESSION_DIRTY = WM_USER + 10;
// Main window: the track with serial wParam decoded to silence.
inline constexpr std::uint32_t WM_TRACK_SILENT = WM_USER + 11;
// Main window: the track with serial wParam looks cut off.
inline constexpr std::uint32_t WM_TRACK_INCOMPLETE = WM_USER + 12;
// Session list: the track loader finished a pass.
inline constexpr std::uint32_t WM_TRACKS_LOADED = WM_USER + 13;
// The CD page that ripped: the rip ended (wParam 1 success).
inline constexpr std::uint32_t WM_RIP_FINISHED = WM_USER + 14;
// Library page: a ripped song (the payload) to add.
inline constexpr std::uint32_t WM_RIP_TRACKDONE = WM_USER + 15;
// Library page: its import thread ended.
inline constexpr std::uint32_t WM_IMPORT_FINISHED = WM_USER + 16;
// CD page: a title lookup thread's answer (wParam its result code, lParam
// the lookup's serial, the payload the matches or the record).
inline constexpr std::uint32_t WM_RDB_GOTDISCINFO = WM_USER + 19;
inline constexpr std::uint32_t WM_RDB_GOTALBUMRECORD = WM_USER + 20;
// CD page: a title lookup thread's status text (the payload; lParam the
// lookup's serial).
inline constexpr std::uint32_t WM_RDB_STATUS = WM_USER + 21;
// Find page: one more found song (the payload).
inline constexpr std::uint32_t WM_FIND_FOUNDSONG = WM_USER + 22;
inline constexpr std::uint32_t WM_FIND_UPDATECOUNT = WM_USER + 23;
// Main window: the library import started or ended; the payload's text
// (when there is one) goes to the status bar, and the title is refreshed.
inline constexpr std::uint32_t WM_IMPORT_STATE = WM_USER + 24;
// CD page: steps of its rip are queued for it to show (lParam the rip's
// serial).
inline constexpr std::uint32_t WM_RIP_STEP = WM_USER + 25;
// Main window: refresh the title (a rip's progress changed).
inline constexpr std::uint32_t WM_UPDATE_TITLE = WM_USER + 26;
// Library page, from the song database library during an import
// (WM_USER + 100 to 102, named where the library defines them); each
// carries a record as its payload.

// Added to WM_PLAYSTATE_CHANGED's lParam while the song plays.
inline constexpr std::intptr_t kPlayStatePlaying = 0x10000;

// A page: run command wParam (a control's or a menu item's), posted by the
// page to itself.
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
// A CD page: a play of its CD audio device ended (wParam the notice,
// cd_audio_device.h's ECdPlayEnd).
inline constexpr std::uint32_t MM_MCINOTIFY = 0x3B9;

// Messages of the controls themselves, posted to a control rather than to a
// window of the table above.
// Status bar: show the payload's text in part wParam.
inline constexpr std::uint32_t SB_SETTEXT = WM_USER + 1;
// Toolbar: enable (lParam non-zero) or disable the button of command wParam.
inline constexpr std::uint32_t TB_ENABLEBUTTON = WM_USER + 1;
