#pragma once
// The page about one song that the program writes from the template
// "link.htm" and opens in the web browser: the player panel's "more" button
// and the session list's link column show it. Each page of a run gets a new
// name in the program's temporary folder; the support files of the template
// (the "linkfiles" folder beside it) are copied next to the pages.

#include <array>
#include <string>
#include <string_view>

class CPreferences;
class CSongEntry;

// The template's placeholders: this prefix followed directly by a field
// name.
inline constexpr std::string_view kSongLinkPrefix = "#Songsmith#";

// The eight texts of a song a template can ask for, in the order the field
// names are tried: title, length, album, artist, year, genre, format,
// comment.
inline constexpr std::size_t kSongLinkFieldCount = 8;
inline constexpr std::array<std::string_view, kSongLinkFieldCount> kSongLinkFieldNames = {
    "title", "length", "album", "artist", "year", "genre", "format", "comment"};
using TSongLinkTexts = std::array<std::string, kSongLinkFieldCount>;

// The entry's eight texts: the length as "MM:SS" ("HH:MM:SS" from one hour),
// the year as "%2d", the genre's name from the program's genre table or the
// keyed text "NoGenre".
TSongLinkTexts SongLinkTexts(const CSongEntry& entry);

// The page made from a template. The template's bytes are copied as they
// are; each placeholder becomes its text, HTML-escaped with its web and mail
// addresses made links. An unknown field name drops the prefix only; a
// prefix cut off by the end of the template is left as it is.
std::string FillSongLinkTemplate(std::string_view pageTemplate, const TSongLinkTexts& texts);

class CSongLinkPage {
public:
    // Pages go to prefs' temporary folder ("Marovelle_Temp_Dir"), read at
    // each Create. The template and its "linkfiles" folder are looked up
    // among the program's resources unless SetTemplateFolder names another
    // folder.
    explicit CSongLinkPage(const CPreferences& prefs);

    // Loads the song at path and writes its page; false when the song does
    // not load or Create fails.
    bool CreateFromFile(const char* songPath);
    // Writes the entry's page and remembers its path. False for a missing
    // or empty template or a page that cannot be written.
    bool Create(const CSongEntry& entry);
    // Opens the last page written in the browser; nothing when none was.
    void Open() const;

    // The last page written; empty when none was.
    const std::string& PagePath() const { return pagePath_; }
    // The folder holding "link.htm" and "linkfiles" (empty: the resources).
    void SetTemplateFolder(std::string folder) { templateFolder_ = std::move(folder); }

private:
    std::string TemplatePath() const;

    const CPreferences& prefs_;
    std::string templateFolder_;
    std::string pagePath_;
};

// The pages of a run are numbered from 1; this starts the numbering again,
// for tests that check the names.
void RestartSongLinkPageNumbers();
