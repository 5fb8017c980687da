#include "tonecore/tags/id3_genres.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/ascii_case.h"
#include "tonecore/engine/tonecore_strings.h"

namespace {

// The standard ID3 v1 genre numbers 0-147 (the 80 of the ID3 v1 definition
// and the 68 that later players added), by their text keys.
constexpr const char* kGenreKeys[kId3GenreCount] = {
    "ID3_Blues", "ID3_Classic_Rock", "ID3_Country", "ID3_Dance", "ID3_Disco", "ID3_Funk", "ID3_Grunge",
    "ID3_Hip-Hop", "ID3_Jazz", "ID3_Metal", "ID3_New_Age", "ID3_Oldies", "ID3_Other", "ID3_Pop", "ID3_R&B",
    "ID3_Rap", "ID3_Reggae", "ID3_Rock", "ID3_Techno", "ID3_Industrial", "ID3_Alternative", "ID3_Ska",
    "ID3_Death_Metal", "ID3_Pranks", "ID3_Soundtrack", "ID3_Euro-Techno", "ID3_Ambient", "ID3_Trip-Hop",
    "ID3_Vocal", "ID3_Jazz+Funk", "ID3_Fusion", "ID3_Trance", "ID3_Classical", "ID3_Instrumental", "ID3_Acid",
    "ID3_House", "ID3_Game", "ID3_Sound_Clip", "ID3_Gospel", "ID3_Noise", "ID3_AlternRock", "ID3_Bass",
    "ID3_Soul", "ID3_Punk", "ID3_Space", "ID3_Meditative", "ID3_Instrumental_Pop", "ID3_Instrumental_Rock",
    "ID3_Ethnic", "ID3_Gothic", "ID3_Darkwave", "ID3_Techno-Industrial", "ID3_Electronic", "ID3_Pop-Folk",
    "ID3_Eurodance", "ID3_Dream", "ID3_Southern_Rock", "ID3_Comedy", "ID3_Cult", "ID3_Gangsta", "ID3_Top_40",
    "ID3_Christian_Rap", "ID3_Pop/Funk", "ID3_Jungle", "ID3_Native_American", "ID3_Cabaret", "ID3_New_Wave",
    "ID3_Psychadelic", "ID3_Rave", "ID3_Showtunes", "ID3_Trailer", "ID3_Lo-Fi", "ID3_Tribal", "ID3_Acid_Punk",
    "ID3_Acid_Jazz", "ID3_Polka", "ID3_Retro", "ID3_Musical", "ID3_Rock_&_Roll", "ID3_Hard_Rock", "ID3_Folk",
    "ID3_Folk-Rock", "ID3_National_Folk", "ID3_Swing", "ID3_Fast_Fusion", "ID3_Bebob", "ID3_Latin",
    "ID3_Revival", "ID3_Celtic", "ID3_Bluegrass", "ID3_Avantgarde", "ID3_Gothic_Rock", "ID3_Progressive_Rock",
    "ID3_Psychedelic_Rock", "ID3_Symphonic_Rock", "ID3_Slow_Rock", "ID3_Big_Band", "ID3_Chorus",
    "ID3_Easy_Listening", "ID3_Acoustic", "ID3_Humour", "ID3_Speech", "ID3_Chanson", "ID3_Opera",
    "ID3_Chamber_Music", "ID3_Sonata", "ID3_Symphony", "ID3_Booty_Bass", "ID3_Primus", "ID3_Porn_Groove",
    "ID3_Satire", "ID3_Slow_Jam", "ID3_Club", "ID3_Tango", "ID3_Samba", "ID3_Folklore", "ID3_Ballad",
    "ID3_Power_Ballad", "ID3_Rhythmic_Soul", "ID3_Freestyle", "ID3_Duet", "ID3_Punk_Rock", "ID3_Drum_Solo",
    "ID3_Acapella", "ID3_Euro-House", "ID3_Dance_Hall", "ID3_Goa", "ID3_Drum_&_Bass", "ID3_Club-House",
    "ID3_Hardcore", "ID3_Terror", "ID3_Indie", "ID3_BritPop", "ID3_Negerpunk", "ID3_Polsk_Punk", "ID3_Beat",
    "ID3_Christian_Gangsta_Rap", "ID3_Heavy_Metal", "ID3_Black_Metal", "ID3_Crossover",
    "ID3_Contemporary_Christian", "ID3_Christian_Rock", "ID3_Merengue", "ID3_Salsa", "ID3_Thrash_Metal",
    "ID3_Anime", "ID3_JPop", "ID3_Synthpop",
};
static_assert(sizeof kGenreKeys / sizeof kGenreKeys[0] == 148);

constexpr const char* kUnsupportedKey = "ID3_not_supported";

// The name a key spells: "ID3_Classic_Rock" is "Classic Rock".
std::string NameFromKey(std::string_view key) {
    std::string name(key.substr(4));
    for (char& c : name) {
        if (c == '_') c = ' ';
    }
    return name;
}

// The text of one key from the engine's keyed text file; a key the file
// lacks (which reads as the key itself) shows the name the key spells.
std::string LoadGenreText(const char* key) {
    char text[256];
    if (ToneCoreLoadString(key, text, sizeof text) && std::strcmp(text, key) != 0) return text;
    if (std::strcmp(key, kUnsupportedKey) == 0) return "Unknown";
    return NameFromKey(key);
}

// Every genre's text, read once per keyed text file: a genre text read from
// a tag is compared with all of them.
std::vector<std::string> GenreNames() {
    static std::mutex lock;
    static std::string loadedFrom;
    static std::vector<std::string> names;
    std::lock_guard<std::mutex> guard(lock);
    const std::string file = ToneCoreStringFile();
    if (names.empty() || file != loadedFrom) {
        names.clear();
        for (const char* key : kGenreKeys) names.push_back(LoadGenreText(key));
        names.push_back(LoadGenreText(kUnsupportedKey));
        loadedFrom = file;
    }
    return names;
}

}  // namespace

const char* Id3GenreKey(int index) {
    if (index < 0 || index >= kId3GenreCount) return kUnsupportedKey;
    return kGenreKeys[index];
}

std::string Id3GenreName(int index) {
    const std::vector<std::string> names = GenreNames();
    return index >= 0 && index < kId3GenreCount ? names[static_cast<std::size_t>(index)] : names.back();
}

std::int32_t Id3GenreIndexOf(std::string_view text) {
    const std::vector<std::string> names = GenreNames();
    for (int i = 0; i < kId3GenreCount; ++i) {
        if (AsciiEqualNoCase(names[static_cast<std::size_t>(i)], text)) return i;
    }
    return 255;
}
