#pragma once
// Command numbers of the main window's menus, toolbar and accelerators. Every
// menu item and toolbar button hands its number to CMainWindow::OnCommand.

namespace cmd {

inline constexpr int kOpenSession = 40002;
inline constexpr int kSave = 40003;
inline constexpr int kSaveAs = 40004;
inline constexpr int kPreferences = 40008;
inline constexpr int kExit = 40010;
inline constexpr int kDelete = 40014;
inline constexpr int kBurn = 40021;
inline constexpr int kHelp = 40022;
inline constexpr int kCheckVersion = 40024;
inline constexpr int kProductPage = 40025;
inline constexpr int kAbout = 40027;
inline constexpr int kPlay = 40028;
inline constexpr int kFastForward = 40029;
inline constexpr int kRewind = 40030;
inline constexpr int kShuffle = 40031;
inline constexpr int kShowToolbar = 40032;
inline constexpr int kRandomPlayback = 40036;
inline constexpr int kContinuousPlayback = 40037;
inline constexpr int kToolbarNew = 40044;
inline constexpr int kNewSession = 40046;
inline constexpr int kCut = 40047;
inline constexpr int kCopy = 40048;
inline constexpr int kPaste = 40049;
inline constexpr int kRemoveAll = 40054;
inline constexpr int kFader = 40055;
inline constexpr int kSelectAll = 40057;
inline constexpr int kOpenTrackFolder = 40058;
inline constexpr int kTrackLinks = 40059;
inline constexpr int kToolbarOpen = 40063;
inline constexpr int kToolbarSave = 40064;
inline constexpr int kAddAllFound = 40067;
inline constexpr int kToolbarShuffle = 40069;
inline constexpr int kToolbarFader = 40070;
inline constexpr int kMasterVolume = 40073;
// The File menu's recent sessions: the recent list's entry id - kFirstRecent.
inline constexpr int kFirstRecent = 40074;
inline constexpr int kLastRecent = 40081;
inline constexpr int kTrackVolume = 40090;
inline constexpr int kPlayTrack = 40093;
inline constexpr int kCopyTrackInfo = 40094;
inline constexpr int kAddTracks = 40095;
inline constexpr int kUndo = 40096;
inline constexpr int kRedo = 40097;
inline constexpr int kLabelProduct = 40101;
inline constexpr int kFirstOtherProduct = 40103;  // to 40106
inline constexpr int kLastOtherProduct = 40106;
inline constexpr int kCdSelectOne = 40107;
inline constexpr int kCdEditTag = 40108;
inline constexpr int kCdPlay = 40109;
inline constexpr int kRip = 40110;
inline constexpr int kLibPlay = 40111;
inline constexpr int kLibEmptyTrash = 40113;
inline constexpr int kLibEditTag = 40114;
inline constexpr int kLibDelete = 40115;
inline constexpr int kLibSelect = 40116;
inline constexpr int kCdSelectAll = 40118;
inline constexpr int kCdClearAll = 40120;
inline constexpr int kStartSearch = 40121;
inline constexpr int kAdvancedSearch = 40124;
inline constexpr int kFindPage = 40125;
inline constexpr int kLibraryPage = 40126;
// CD drive items: the CD page with index id - kFirstCdDrive among the CD pages.
inline constexpr int kFirstCdDrive = 40127;
inline constexpr int kLastCdDrive = 40136;
inline constexpr int kLibUndeleteAll = 40137;
inline constexpr int kCdPage = 40139;
inline constexpr int kCdLookup = 40140;
inline constexpr int kLibOpenFolder = 40142;
inline constexpr int kLibClean = 40143;
// The Find page's list menu.
inline constexpr int kFindPlay = 40147;
inline constexpr int kFindSelect = 40148;
inline constexpr int kFindEditTag = 40149;
inline constexpr int kFindOpenFolder = 40150;
inline constexpr int kFindLocate = 40151;
inline constexpr int kTrackEditTag = 40153;
inline constexpr int kLocateInLibrary = 40155;
inline constexpr int kTrackLibDelete = 40156;
inline constexpr int kFindLibDelete = 40157;

}  // namespace cmd
