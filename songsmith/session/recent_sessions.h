#pragma once
// The recently used session files of the File menu: a list of paths, the
// latest first, kept in the preferences. Paths are compared byte for byte:
// two names that differ only in case are two files here.

#include <functional>
#include <string>
#include <vector>

class CStringList;

// Entries the list keeps.
inline constexpr int kMaxRecentSessions = 8;

// path at the top of list; an equal entry further down goes, and so does
// whatever falls past the last place kept.
void AddRecentPath(CStringList& list, const char* path);

// One File menu item: the list entry it opens and its text.
struct TRecentMenuItem {
    int entry = 0;
    std::string text;
};

// The items for the entries whose file exists, numbered from 1 in their
// text ("&1 name"). Each keeps the index of its own entry, so an entry
// whose file is gone shifts no other item onto the wrong file.
std::vector<TRecentMenuItem> RecentMenuItems(const CStringList& list,
                                             const std::function<bool(const std::string&)>& exists);
