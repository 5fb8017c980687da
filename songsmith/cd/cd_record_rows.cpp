#include "songsmith/cd/cd_record_rows.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"
#include "songsmith/cd/cd_lookup_answers.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/library/genre_table.h"
#include "titlefetch/titlefetch.h"
#include "utilities/text_copy.h"

namespace {

// A numbered duplicate keeps this many bytes of its title before " %d".
constexpr std::size_t kDuplicateTitleBytes = 59;

template <std::size_t N>
void CopyCut(char (&field)[N], std::string_view text) {
    textcopy::CopyTextCut(text, field, N);
}

void SetCdIdentifier(TONECORE_CMusicInfo& info, std::uint32_t discId) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%x", discId);
    std::fill(std::begin(info.cdIdentifier), std::end(info.cdIdentifier), std::uint8_t{0});
    std::copy(text, text + length, info.cdIdentifier);
    info.cdIdentifierLength = static_cast<std::uint32_t>(length);
}

void NumberTitle(TONECORE_CMusicInfo& info, std::string_view original, int position) {
    const std::string_view kept = original.substr(0, textcopy::Utf8PrefixLength(original, kDuplicateTitleBytes));
    CopyCut(info.title, std::string(kept) + " " + std::to_string(position));
}

}  // namespace

TCDRows MakeRecordRows(const PLATTER_TTrackInfo* table, std::int32_t count, const CDiscRecord& record,
                       const std::vector<std::uint8_t>& marks) {
    TCDRows rows = MakeDiscRows(table, count, record.record.discId);
    const TITLEFETCH_TRResult& source = record.record;
    const std::int32_t genreIndex = GenreTableIndex(source.genre);
    for (std::size_t position = 0; position < rows.size(); ++position) {
        TCDTrackRow& row = *rows[position];
        TONECORE_CMusicInfo& info = *row.info;
        SetCdIdentifier(info, source.discId);
        CopyCut(info.artist, source.artist);
        CopyCut(info.album, source.title);
        const char* title = record.TrackTitle(row.discTrack - 1);
        CopyCut(info.title, title != nullptr ? std::string(title) : DefaultTrackTitle(row.discTrack));
        info.year = source.year;
        CopyCut(info.genre, source.genre);
        info.genreIndex = genreIndex;
        row.marked = position < marks.size() ? marks[position] : 0;
    }
    return rows;
}

void NumberDuplicateTitles(TCDRows& rows) {
    std::vector<bool> numbered(rows.size(), false);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (numbered[i]) continue;
        // Compared with the title as it was, so every copy gets its number.
        const std::string original = rows[i]->info->title;
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            if (numbered[j] || !AsciiEqualNoCase(rows[j]->info->title, original)) continue;
            const std::string other = rows[j]->info->title;
            NumberTitle(*rows[j]->info, other, static_cast<int>(j + 1));
            numbered[j] = true;
            numbered[i] = true;
        }
        if (numbered[i]) NumberTitle(*rows[i]->info, original, static_cast<int>(i + 1));
    }
}

void FillCacheEntry(INI_TEntry& entry, std::uint32_t discId, const TCDRows& rows, std::int32_t count) {
    entry.discId = discId;
    if (!rows.empty()) {
        const TONECORE_CMusicInfo& first = *rows.front()->info;
        CopyCut(entry.artist, first.artist);
        CopyCut(entry.title, first.album);
        CopyCut(entry.category, first.genre);
        entry.year = first.year;
    }
    const std::int32_t tracks = std::clamp<std::int32_t>(count, 0, PLATTER_MAX_TRACKS);
    std::vector<std::string> titles(static_cast<std::size_t>(tracks));
    for (const auto& row : rows) {
        const std::int32_t index = row->discTrack - 1;
        if (index >= 0 && index < tracks) titles[static_cast<std::size_t>(index)] = row->info->title;
    }
    // A data track keeps its place, with an empty title.
    entry.trackCount = tracks;
    for (const std::string& title : titles) {
        auto* text = new CCOMString(title.c_str());
        if (!entry.trackTitles.Append(text)) delete text;
    }
}

void FreeCacheTitles(INI_TEntry& entry) { DeleteRecordsAndEmpty(entry.trackTitles); }

void FillRecordFromCache(CDiscRecord& record, const INI_TEntry& entry) {
    TITLEFETCH_CTitlefetch& titles = ProgramTitlefetch();
    TITLEFETCH_TRResult& target = record.record;
    titles.DeallocRecord(target);
    target.discId = entry.discId;
    CopyCut(target.artist, entry.artist);
    CopyCut(target.title, entry.title);
    CopyCut(target.genre, entry.category);
    target.year = entry.year;
    for (const CCOMString* title : entry.trackTitles) {
        titles.AddTitleToRecord(target, title != nullptr ? title->GetString() : "");
        titles.AddExtDataToRecord(target, "");
    }
}
