#pragma once
// Where a song named in a playlist lies. Each playlist kind has its own
// rules for names that are not rooted; all of them read a name written on
// another system with '\\' as a separator and keep names that cannot name a
// file here (a drive letter, a network share, a URL) as written.

#include <string>
#include <string_view>

// Whether the name can only have been meant for another system or a
// network: "X:" at its start, a "\\\\" share or "://" anywhere.
bool IsForeignSongName(std::string_view name);
// The name with each '\\' read as '/'.
std::string WithLocalSeparators(std::string_view name);
// The path with "." and empty folder names dropped and each ".." taking
// away the folder before it (never climbing above the root of a rooted
// path), on text alone.
std::string CanonicalizePath(std::string_view path);

// The markup kinds (wpl, asx, rmp): a rooted or foreign name as it stands,
// else the name joined to the playlist's folder.
std::string ResolveMarkupSongPath(const char* playlistPath, std::string_view name);
// m3u: a rooted or foreign name as it stands; else the name in the
// playlist's folder, else at the root, whichever exists; when neither does,
// the name as written.
std::string ResolveM3uSongPath(const char* playlistPath, std::string_view name);
// pls: names beginning "./" or "../" climb from the playlist's folder; a
// rooted or foreign name stands; any other name lies in the playlist's
// folder. False when a climbing name leads nowhere.
bool ResolvePlsSongPath(const char* playlistPath, std::string_view value, std::string& out);
