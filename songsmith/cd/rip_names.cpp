#include "songsmith/cd/rip_names.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "songsmith/library/tag_fields.h"
#include "utilities/file_system.h"

namespace {

// What an empty name becomes.
std::string TrackName(std::int32_t trackNumber) {
    char text[24];
    std::snprintf(text, sizeof text, "Track %02d", trackNumber);
    return text;
}

bool StartsWith(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && text.substr(0, start.size()) == start;
}

}  // namespace

std::string CleanRipNamePart(std::string_view text) {
    std::string name(text);
    std::string cleaned(name.size() + 1, '\0');
    ValidateFileName(name.c_str(), cleaned.data(), cleaned.size(), ' ');
    cleaned.resize(std::strlen(cleaned.c_str()));
    // Control characters (a tab or line break from a hand-typed title) make
    // names no one can type.
    for (char& c : cleaned)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    // Leading dots would make ".", ".." (the folder above) or a hidden file.
    std::string_view kept = TrimBlanks(cleaned);
    while (!kept.empty() && (kept.front() == '.' || kept.front() == ' ')) kept.remove_prefix(1);
    return std::string(kept);
}

std::string RipArtistFolderName(std::string_view artist, std::string_view album) {
    if (artist.empty()) return {};
    std::string name = CleanRipNamePart(artist);
    if (name.empty()) return {};
    if (!album.empty()) name = CleanRipNamePart(name + " - " + CleanRipNamePart(album));
    return name;
}

std::string RipArtistFolderFitting(const std::string& ripPath, std::string_view artist, std::string_view album) {
    const std::string name = RipArtistFolderName(artist, album);
    // The folder, its separator and the room left for names.
    const std::size_t used = ripPath.size() + 1 + kRipNameRoom;
    if (name.empty() || used >= kRipPathMax) return {};
    const std::size_t room = std::min(kRipFileNameMax, kRipPathMax - used);
    return CleanRipNamePart(CutUtf8(name, room));
}

std::string RipFileBaseName(const TRipNameRules& rules, std::string_view artist, std::string_view album,
                            std::string_view title, std::int32_t trackNumber) {
    // A title of blanks or forbidden characters alone names the track by
    // its number.
    std::string shownTitle = CleanRipNamePart(title);
    if (shownTitle.empty()) shownTitle = TrackName(trackNumber);
    std::string name;
    if (artist.empty() && album.empty()) {
        name = shownTitle;
    } else {
        if (rules.useArtist && !artist.empty()) name += std::string(artist) + " - ";
        if (!album.empty() && (rules.useAlbum || (artist.empty() && StartsWith(album, "Unknown Album"))))
            name += std::string(album) + " - ";
        if (rules.useTrack) name += std::to_string(trackNumber) + ". ";
        name += shownTitle;
    }
    name = CleanRipNamePart(name);
    return name.empty() ? TrackName(trackNumber) : name;
}

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    // Back off continuation bytes (10xxxxxx) to the start of their character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

std::string CRipNames::Take(const std::string& folder, const std::string& base, std::string_view extension) {
    // The name's room: the file system's limit, and what the folder leaves
    // of the library's. A folder that leaves less than kRipNameRoom cannot
    // give the library its song anyway: its names keep the file system's
    // limit rather than shrink to nothing.
    const std::size_t pathRoom =
        folder.size() + kRipNameRoom <= kRipPathMax ? kRipPathMax - folder.size() : kRipFileNameMax;
    const std::size_t nameMax = std::min(kRipFileNameMax, pathRoom);
    for (int copy = 1;; ++copy) {
        const std::string suffix = copy == 1 ? std::string() : " (" + std::to_string(copy) + ")";
        const std::size_t room = nameMax - std::min(nameMax, suffix.size() + extension.size());
        std::string name(TrimBlanks(CutUtf8(base, room)));
        std::string path = folder + name + suffix + std::string(extension);
        if (taken_.insert(path).second) return path;
    }
}
