#include "songsmith/library/genre_table.h"

#include <array>
#include <cstddef>

#include "platform/ascii_case.h"

namespace {

// The ID3 v1 genre list (numbers 0-79) with the extensions players added up
// to 125, as the program shows them.
constexpr std::array<const char*, kGenreTableCount> kGenreNames = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal",
    "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial",
    "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop",
    "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental", "Acid", "House", "Game",
    "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk", "Space", "Meditative",
    "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave", "Techno-Industrial",
    "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40",
    "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave",
    "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical",
    "Rock & Roll", "Hard Rock", "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob",
    "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock",
    "Psychedelic Rock", "Symphonic Rock",
    // Spelled as every other tagger spells it, so genre texts they wrote match.
    "Slow Rock",
    "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera",
    "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam",
    "Club", "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet",
    "Punk Rock", "Drum Solo", "Acapella", "Euro-House", "Dance Hall",
};

template <typename Equal>
std::int32_t FirstMatch(std::string_view name, Equal equal) {
    for (std::size_t i = 0; i < kGenreNames.size(); ++i) {
        if (equal(kGenreNames[i], name)) return static_cast<std::int32_t>(i);
    }
    return kNoGenre;
}

}  // namespace

const char* GenreTableName(int index) {
    if (index < 0 || index >= kGenreTableCount) return nullptr;
    return kGenreNames[static_cast<std::size_t>(index)];
}

std::int32_t GenreTableIndex(std::string_view name) {
    return FirstMatch(name, [](std::string_view a, std::string_view b) { return a == b; });
}

std::int32_t GenreTableIndexNoCase(std::string_view name) {
    return FirstMatch(name, [](std::string_view a, std::string_view b) { return AsciiEqualNoCase(a, b); });
}

TGenreMatch MatchGenreNoCase(std::string_view name) {
    TGenreMatch match;
    match.index = GenreTableIndexNoCase(name);
    const char* spelled = GenreTableName(match.index);
    match.name = spelled ? std::string(spelled) : std::string(name);
    return match;
}
