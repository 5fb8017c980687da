// The scan of a playlist of an unknown kind: its bytes are searched for
// rooted paths that end in a song file's extension. Many programs' lists
// and libraries store their paths as plain text among binary data, some as
// two bytes a character.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "filekit/log.h"
#include "filekit/path_helpers.h"
#include "filekit/ref_obj.h"
#include "platform/ascii_case.h"
#include "tonecore/playlists/playlist.h"
#include "tonecore/playlists/playlist_file.h"
#include "utilities/text_format.h"
#include "utilities/unicode.h"

namespace {

// The extensions that end a path, four characters each; ".ra" counts only
// when a zero character follows it, the zero not being part of the path.
struct TSongExtension {
    std::array<char, 4> text;
    int pathChars;
};
constexpr TSongExtension kSongExtensions[] = {
    {{'.', 'm', 'p', '3'}, 4}, {{'.', 'w', 'a', 'v'}, 4}, {{'.', 'm', 'p', 'g'}, 4}, {{'.', 'm', 'p', '2'}, 4},
    {{'.', 'm', 'p', '1'}, 4}, {{'.', 'o', 'g', 'g'}, 4}, {{'.', 'w', 'm', 'a'}, 4}, {{'.', 'a', 's', 'f'}, 4},
    {{'.', 'c', 'd', 'a'}, 4}, {{'.', 'r', 'a', '\0'}, 3},
};

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Characters after which a '/' or a drive letter is inside a name rather
// than at its start.
bool ContinuesName(char c) {
    const bool alnum = IsAsciiLetter(c) || (c >= '0' && c <= '9');
    return alnum || std::string_view("._-~/\\:").find(c) != std::string_view::npos;
}

// URL schemes are short words; a longer run of letters is no scheme.
constexpr std::size_t kMaxSchemeChars = 16;

bool IsSchemeChar(char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The file's bytes read as characters of stride bytes each (the low byte
// of two-byte characters). Every access is checked against the data.
class CScanText {
public:
    CScanText(std::string_view bytes, std::size_t stride) : bytes_(bytes), stride_(stride) {}

    // Whether n characters start at pos.
    bool Has(std::size_t pos, std::size_t n) const {
        return pos < bytes_.size() && (bytes_.size() - pos - 1) / stride_ + 1 >= n;
    }
    char At(std::size_t pos, std::size_t index) const { return bytes_[pos + index * stride_]; }
    std::size_t Stride() const { return stride_; }

    // Whether the characters at pos begin a rooted path: a drive root "X:\\"
    // (or "X:/"), a URL "scheme://", or a '/' that does not continue a name
    // (so the tail of a relative name or of a longer path is not taken for
    // one). A drive letter must not continue a name either, nor be followed
    // by "//": the "p:/" inside "http://" is no drive.
    bool IsRootAt(std::size_t pos) const {
        if (!Has(pos, 3)) return false;
        const bool startsName = pos < stride_ || !ContinuesName(bytes_[pos - stride_]);
        const char first = At(pos, 0);
        if (IsAsciiLetter(first) && At(pos, 1) == ':' && (At(pos, 2) == '\\' || At(pos, 2) == '/')) {
            return startsName && !(At(pos, 2) == '/' && Has(pos, 4) && At(pos, 3) == '/');
        }
        if (startsName && IsAsciiLetter(first)) return SchemeAt(pos);
        if (first != '/' || !IsValidFileNameChar(At(pos, 1), false)) return false;
        return startsName;
    }

    // The path characters an extension at pos adds, or 0 when none is there.
    int ExtensionAt(std::size_t pos) const {
        if (!Has(pos, 4)) return 0;
        for (const TSongExtension& ext : kSongExtensions) {
            bool same = true;
            for (std::size_t i = 0; i < 4 && same; ++i) same = AsciiToLower(At(pos, i)) == ext.text[i];
            if (same) return ext.pathChars;
        }
        return 0;
    }

    // The text of n characters from pos.
    std::string Text(std::size_t pos, std::size_t n) const {
        std::string out;
        for (std::size_t i = 0; i < n; ++i) out += At(pos, i);
        return out;
    }

private:
    // Whether a URL scheme ("http://", "file:///") starts at pos: a letter,
    // then letters, digits, '+', '-' or '.', then "://".
    bool SchemeAt(std::size_t pos) const {
        std::size_t n = 1;
        while (n < kMaxSchemeChars && Has(pos, n + 1) && IsSchemeChar(At(pos, n))) ++n;
        return n >= 2 && Has(pos, n + 3) && At(pos, n) == ':' && At(pos, n + 1) == '/' && At(pos, n + 2) == '/';
    }

    std::string_view bytes_;
    std::size_t stride_;
};

// A size for the log's 32-bit numbers, held at their largest.
unsigned LogCount(std::int64_t bytes) {
    return static_cast<unsigned>(std::clamp<std::int64_t>(bytes, 0, UINT_MAX));
}

// What a run of path characters from a root led to.
struct TScanRun {
    bool matched = false;
    std::size_t chars = 0;  // path characters up to the end of the extension
    std::size_t stop = 0;   // where the scan goes on when nothing matched
};

TScanRun FollowRun(const CScanText& text, std::size_t start) {
    TScanRun run;
    std::size_t pos = start;
    for (int n = 0; n < CPlaylist::kMaxScanPathChars && text.Has(pos, 1); ++n) {
        if (const int extension = text.ExtensionAt(pos)) {
            run.matched = true;
            run.chars = static_cast<std::size_t>(n + extension);
            return run;
        }
        if (!IsValidFileNameChar(text.At(pos, 0), true)) {
            run.stop = pos;
            return run;
        }
        pos += text.Stride();
    }
    // Too long, or the data ended: the next character may start a root.
    run.stop = start + text.Stride();
    return run;
}

// The elements that each stand for one song in XSPF and SMIL lists. Such an
// element may name its song twice (an XSPF track's <location> and
// <identifier>, say), so only its first path is taken.
constexpr std::string_view kXspfTrackTags[] = {"track"};
constexpr std::string_view kSmilTrackTags[] = {"media", "audio", "video", "ref"};

std::span<const std::string_view> TrackTagsFor(const char* path) {
    if (HasFileExtension(path, "xspf") != 0) return kXspfTrackTags;
    if (HasFileExtension(path, "smil") != 0 || HasFileExtension(path, "smi") != 0) return kSmilTrackTags;
    return {};
}

// Whether an element of one of the names opens at pos ("<name" then a blank,
// '>' or '/'; "<trackList" is no "<track").
bool OpensTrackElement(std::string_view bytes, std::size_t pos, std::span<const std::string_view> names) {
    if (bytes[pos] != '<') return false;
    for (std::string_view name : names) {
        const std::size_t end = pos + 1 + name.size();
        if (end >= bytes.size() || !AsciiEqualNoCase(bytes.substr(pos + 1, name.size()), name)) continue;
        if (std::string_view(" \t\r\n>/").find(bytes[end]) != std::string_view::npos) return true;
    }
    return false;
}

// Where the song elements of the list open, in order.
std::vector<std::size_t> TrackElementStarts(std::string_view bytes, std::span<const std::string_view> names) {
    std::vector<std::size_t> starts;
    if (names.empty()) return starts;
    for (std::size_t pos = bytes.find('<'); pos != std::string_view::npos; pos = bytes.find('<', pos + 1)) {
        if (OpensTrackElement(bytes, pos, names)) starts.push_back(pos);
    }
    return starts;
}

}  // namespace

bool CPlaylist::_readGenericPlaylist(const char* path, bool checkFiles) {
    if (path == nullptr || path[0] == '\0') {
        LogFmt("Exiting CPlaylist::_readGenericPlaylist, invalid file name <%s>", path != nullptr ? path : "");
        return false;
    }
    LogFmt("Entered CPlaylist::_readGenericPlaylist, file <%s>", path);
    const std::size_t stride = HasFileExtension(path, "cl5") != 0 || HasFileExtension(path, "rcl") != 0 ? 2 : 1;
    const bool everyOther = HasFileExtension(path, "cl3") != 0 || HasFileExtension(path, "cl4") != 0;

    const TPlaylistBytes read = ReadPlaylistBytes(path, 0, kMaxScanBytes);
    switch (read.outcome) {
        case TPlaylistRead::kRead:
            break;
        case TPlaylistRead::kCannotOpen:
            LogFmt("Exiting CPlaylist::_readGenericPlaylist, can't open file <%s>", path);
            return false;
        case TPlaylistRead::kSizeOutOfRange:
            LogFmt("Exiting CPlaylist::_readGenericPlaylist, file size too big %u > %u", LogCount(read.fileBytes),
                   LogCount(kMaxScanBytes));
            return false;
        case TPlaylistRead::kNoMemory:
            LogFmt("Exiting CPlaylist::_readGenericPlaylist, can't allocate buffer of size %u",
                   LogCount(read.fileBytes));
            return false;
        case TPlaylistRead::kShortRead:
            LogFmt("Exiting CPlaylist::_readGenericPlaylist, can't read file into buffer");
            return false;
    }

    const CScanText text(read.bytes, stride);
    const std::vector<std::size_t> trackStarts = TrackElementStarts(read.bytes, TrackTagsFor(path));
    // The song element the last path taken stood in (0: none, or outside
    // every element).
    std::size_t lastTrack = 0;
    std::size_t pos = 0;
    int taken = 0;
    while (text.Has(pos, 3)) {
        if (!text.IsRootAt(pos)) {
            ++pos;
            continue;
        }
        const TScanRun run = FollowRun(text, pos);
        if (!run.matched) {
            pos = run.stop;
            continue;
        }
        const std::size_t start = pos;
        std::string found = text.Text(pos, run.chars);
        pos += run.chars * stride;
        // Names stored by older programs are in the Windows code page.
        if (!IsValidUtf8(found)) found = Windows1252ToUtf8(found);
        LogFmt("CPlaylist::_readGenericPlaylist, located potential sound file <%s>", found.c_str());
        if (checkFiles && DoesFileExist(found.c_str()) == 0) continue;
        const auto track = static_cast<std::size_t>(
            std::upper_bound(trackStarts.begin(), trackStarts.end(), start) - trackStarts.begin());
        if (track != 0 && track == lastTrack) continue;
        lastTrack = track;
        LogFmt("CPlaylist::_readGenericPlaylist, saving sound file <%s>", found.c_str());
        // Some libraries list every path twice in a row.
        if (everyOther && taken++ % 2 != 0) continue;
        TakeSong(found.c_str(), checkFiles);
    }
    LogFmt("Leaving CPlaylist::_readGenericPlaylist, returning true");
    return true;
}
