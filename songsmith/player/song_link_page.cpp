#include "songsmith/player/song_link_page.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/file_replace.h"
#include "platform/user_folders.h"
#include "songsmith/library/genre_table.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_entry.h"
#include "utilities/html_links.h"
#include "utilities/launch_browser.h"
#include "utilities/text_format.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kTemplateName = "link.htm";
constexpr const char* kSupportFolder = "linkfiles";
// The browser's show mode for a page opened without an owner window.
constexpr int kShowPageMode = 5;

// Pages of one run never share a name; the number is not kept across runs.
std::atomic<int> nextPageNumber{1};

// The whole file, or nothing when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Copies every plain file of from whose name does not start with '.' into
// to, made with its parents, replacing what is there. A file that cannot be
// copied is left out: the page still shows, only without it.
void CopySupportFiles(const std::string& from, const std::string& to) {
    std::error_code error;
    if (!fs::is_directory(from, error)) return;
    if (!MakeFolderPath(to)) return;
    for (const fs::directory_entry& entry : fs::directory_iterator(from, error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.' || !entry.is_regular_file(error)) continue;
        std::string bytes;
        if (ReadWholeFile(entry.path().string(), bytes)) ReplaceFileContents(to + "/" + name, bytes);
    }
}

std::string InFolder(std::string folder, std::string_view name) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + std::string(name);
}

}  // namespace

TSongLinkTexts SongLinkTexts(const CSongEntry& entry) {
    const TONECORE_CMusicInfo& info = entry.musicInfo;
    char length[kLengthStringSize] = {};
    MakeLengthString(entry.lengthMs, length, sizeof length, 0);
    char year[16] = {};
    std::snprintf(year, sizeof year, "%2d", static_cast<int>(info.year));
    const char* genre = GenreTableName(info.genreIndex);
    return {info.title, length,      info.album,       info.artist, year,
            genre != nullptr ? std::string(genre) : KeyedText("NoGenre"),
            entry.formatText, info.comment};
}

std::string FillSongLinkTemplate(std::string_view pageTemplate, const TSongLinkTexts& texts) {
    std::string page;
    page.reserve(pageTemplate.size());
    std::size_t copied = 0;
    std::size_t at = pageTemplate.find(kSongLinkPrefix);
    while (at != std::string_view::npos) {
        page.append(pageTemplate.substr(copied, at - copied));
        const std::string_view rest = pageTemplate.substr(at + kSongLinkPrefix.size());
        copied = at + kSongLinkPrefix.size();
        for (std::size_t field = 0; field < kSongLinkFieldCount; ++field) {
            if (rest.starts_with(kSongLinkFieldNames[field])) {
                page += HtmlTextWithLinks(texts[field]);
                copied += kSongLinkFieldNames[field].size();
                break;
            }
        }
        at = pageTemplate.find(kSongLinkPrefix, copied);
    }
    page.append(pageTemplate.substr(copied));
    return page;
}

CSongLinkPage::CSongLinkPage(const CPreferences& prefs) : prefs_(prefs) {}

bool CSongLinkPage::CreateFromFile(const char* songPath) {
    CSongEntry entry;
    if (songPath == nullptr || entry.LoadFromFile(songPath) == 0) return false;
    return Create(entry);
}

bool CSongLinkPage::Create(const CSongEntry& entry) {
    const TSongLinkTexts texts = SongLinkTexts(entry);
    const std::string templatePath = TemplatePath();
    std::string pageTemplate;
    if (!ReadWholeFile(templatePath, pageTemplate) || pageTemplate.empty()) return false;

    const std::string tempFolder = prefs_.Marovelle_Temp_Dir;
    char name[64];
    std::snprintf(name, sizeof name, "marovelle_link%d.htm", nextPageNumber.fetch_add(1));
    pagePath_ = InFolder(tempFolder, name);
    // The support files lie beside the template.
    CopySupportFiles(InFolder(fs::path(templatePath).parent_path().string(), kSupportFolder),
                     InFolder(tempFolder, kSupportFolder));

    return ReplaceFileContents(pagePath_, FillSongLinkTemplate(pageTemplate, texts)) == 0;
}

void CSongLinkPage::Open() const {
    if (!pagePath_.empty()) LaunchBrowser(pagePath_.c_str(), nullptr, kShowPageMode);
}

std::string CSongLinkPage::TemplatePath() const {
    if (!templateFolder_.empty()) return InFolder(templateFolder_, kTemplateName);
    const std::string found = FindResourceFile(kTemplateName);
    // Without the program's resources the current folder is tried.
    return found.empty() ? std::string("./") + kTemplateName : found;
}

void RestartSongLinkPageNumbers() { nextPageNumber = 1; }
