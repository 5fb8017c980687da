#pragma once
// The name of the file a session is saved to automatically before a burn:
// "<folder>/<first track's name> - MM-DD HH hrs MM mins SS secs (<text>).tps"
// with the time in UTC. The file name is made safe for any medium (a track
// name may hold '/' or ':'), so the file always lands in folder itself.

#include <ctime>
#include <string>

// firstTrackName: the session's first track's name followed by one blank,
// empty without tracks; autoSaveText: the keyed text "AutoSave".
std::string MakeAutoSavePath(const std::string& folder, const std::string& firstTrackName,
                             const std::tm& utc, const std::string& autoSaveText);
