#pragma once
// What the playlist tests share: a scratch folder to write playlists into
// and the paths a load gives.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "testsupport/temp_dir.h"
#include "tonecore/playlists/playlist.h"

namespace playlist_test {

class PlaylistFolder {
public:
    const std::string& Path() const { return dir_.Path(); }
    std::string File(std::string_view name) const { return dir_.File(name); }
    // Writes bytes to name in the folder and returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const {
        const std::string path = dir_.File(name);
        testsupport::WriteWholeFile(path, bytes);
        return path;
    }

private:
    testsupport::TempDir dir_;
};

// Tests that write playlists into a folder of their own.
class PlaylistTest : public ::testing::Test {
protected:
    PlaylistFolder dir_;
};

inline std::vector<std::string> Paths(const CPlaylist& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.emplace_back(list.GetTrackFilePath(i));
    return out;
}

// The paths of the songs a file lists, loaded without checking.
inline std::vector<std::string> LoadPaths(const std::string& path) {
    CPlaylist list;
    list.LoadFromFile(path.c_str(), false);
    return Paths(list);
}

}  // namespace playlist_test
