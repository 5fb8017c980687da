#pragma once
// The names of the files a CD rip writes: the artist's subfolder, the file
// name from the track's texts and the user's choices, names kept apart
// within one rip, and the file system's limit on a name's length. Pure text
// work; nothing here touches the disk.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

// The longest file name (not path) a Linux file system takes, in bytes.
inline constexpr std::size_t kRipFileNameMax = 255;
// The longest whole path the song library and the session keep (their
// fields hold MAX_PATH bytes with the terminator); a ripped file's path fits
// it, or the song could be in neither.
inline constexpr std::size_t kRipPathMax = 259;
// What an artist's subfolder leaves at least for the file names in it.
inline constexpr std::size_t kRipNameRoom = 64;

// Which texts go into a file name besides the title.
struct TRipNameRules {
    bool useArtist = true;
    bool useAlbum = false;
    bool useTrack = false;
};

// A part of a name: characters other systems forbid in names and control
// characters become blanks, blanks at either end go, and so do dots at its
// start: a name made from titles never reads ".", ".." or a hidden name, so
// it never leads out of the rip folder.
std::string CleanRipNamePart(std::string_view text);

// "Artist - Album", "Artist", or empty when the artist is empty; each part
// cleaned.
std::string RipArtistFolderName(std::string_view artist, std::string_view album);
// The artist's subfolder's name cut so that ripPath and it leave
// kRipNameRoom bytes of kRipPathMax for the file names; empty when ripPath
// leaves no room for a subfolder.
std::string RipArtistFolderFitting(const std::string& ripPath, std::string_view artist, std::string_view album);

// The file name without its extension: with an artist or album, "Artist - "
// (when chosen), "Album - " (when chosen, or when there is no artist and the
// album is a disc without titles, "Unknown Album ..."), "3. " (when chosen),
// then the title; with neither, the title alone. Cleaned; a title with
// nothing left once cleaned is "Track %02d" with the track number.
std::string RipFileBaseName(const TRipNameRules& rules, std::string_view artist, std::string_view album,
                            std::string_view title, std::int32_t trackNumber);

// The longest beginning of text of at most maxBytes bytes that does not end
// inside a UTF-8 character.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

// The paths one rip has produced: two tracks whose texts give the same
// name get "Name", "Name (2)", "Name (3)"... Every name, with its suffix and
// extension, fits kRipFileNameMax bytes, and the whole path kRipPathMax
// bytes while the folder leaves room for it (the base is cut on a character
// boundary). folder ends with '/'; extension starts with '.'.
class CRipNames {
public:
    std::string Take(const std::string& folder, const std::string& base, std::string_view extension);

private:
    std::set<std::string> taken_;
};
