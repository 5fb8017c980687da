#include "tonecore/playlists/playlist_paths.h"

#include <climits>
#include <vector>

#include "filekit/path_helpers.h"
#include "filekit/ref_obj.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The playlist's folder with its trailing '/', or empty when its path has
// none.
std::string PlaylistFolder(const char* playlistPath) {
    char folder[PATH_MAX];
    if (playlistPath == nullptr || ExtractDirectory(playlistPath, folder) == 0) return {};
    return folder;
}

std::string JoinToFolder(const std::string& folder, std::string_view name) {
    return CanonicalizePath(folder + WithLocalSeparators(name));
}

}  // namespace

bool IsForeignSongName(std::string_view name) {
    if (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':') return true;
    if (name.starts_with("\\\\")) return true;
    return name.find("://") != std::string_view::npos;
}

std::string WithLocalSeparators(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

std::string CanonicalizePath(std::string_view path) {
    const bool rooted = !path.empty() && path[0] == '/';
    std::vector<std::string_view> kept;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!kept.empty() && kept.back() != "..") {
                kept.pop_back();
            } else if (!rooted) {
                // A relative path keeps the climbs it starts with.
                kept.push_back(part);
            }
            continue;
        }
        kept.push_back(part);
    }
    std::string out = rooted ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) out += '/';
        out += kept[i];
    }
    return out;
}

std::string ResolveMarkupSongPath(const char* playlistPath, std::string_view name) {
    if (name.starts_with('/') || IsForeignSongName(name)) return std::string(name);
    return JoinToFolder(PlaylistFolder(playlistPath), name);
}

std::string ResolveM3uSongPath(const char* playlistPath, std::string_view name) {
    if (name.empty()) return {};
    if (name.starts_with('/') || IsForeignSongName(name)) return std::string(name);
    std::string local = WithLocalSeparators(name);
    const std::string folder = PlaylistFolder(playlistPath);
    if (folder.empty()) return local;
    // A name that begins with a separator was rooted at the drive of the
    // system that wrote it: first look beside the playlist, then at the root.
    const std::string_view rest = std::string_view(local).substr(IsSeparator(name[0]) ? 1 : 0);
    std::string beside = JoinToFolder(folder, rest);
    if (DoesFileExist(beside.c_str())) return beside;
    std::string atRoot = CanonicalizePath("/" + std::string(rest));
    if (DoesFileExist(atRoot.c_str())) return atRoot;
    return local;
}

bool ResolvePlsSongPath(const char* playlistPath, std::string_view value, std::string& out) {
    const std::string local = WithLocalSeparators(value);
    if (local.starts_with("./") || local.starts_with("../")) {
        // The path helpers' relative form: a leading separator, then one
        // "../" per folder climbed from the playlist's folder.
        const std::string relative = local.starts_with("./") ? local.substr(1) : "/" + local;
        char absolute[PATH_MAX];
        if (playlistPath == nullptr || RelativeToAbsolute(playlistPath, relative.c_str(), absolute) == 0) {
            return false;
        }
        out = CanonicalizePath(absolute);
        return true;
    }
    if (IsForeignSongName(value) || value.starts_with('/')) {
        out = std::string(value);
        return true;
    }
    if (value.starts_with('\\')) {
        // Rooted at the writing system's drive.
        out = CanonicalizePath(local);
        return true;
    }
    out = JoinToFolder(PlaylistFolder(playlistPath), value);
    return true;
}
