#pragma once
// The tag texts of a CD page's rows as the Edit CD Track Tag dialog edits
// them, and what the dialog asks of the page. The dialog works on copies and
// hands them back only when the user saves; only the tag texts go back, so a
// rip that runs meanwhile keeps its progress and marks, and a disc swapped
// meanwhile keeps its own lengths and track numbers.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "songsmith/library/genre_table.h"

class TONECORE_CMusicInfo;

struct TCDTagRow {
    std::string title;
    std::string artist;
    std::string album;
    std::int32_t year = 0;
    std::string genre;  // as shown, a table name or the text typed
    std::int32_t genreIndex = kNoGenre;
    std::string comment;

    bool operator==(const TCDTagRow&) const = default;
};

// A row's tag texts from its song information, and written back into it
// (each text cut on a character boundary to its field).
TCDTagRow CdTagRowFromInfo(const TONECORE_CMusicInfo& info);
void StoreCdTagRow(const TCDTagRow& row, TONECORE_CMusicInfo& info);

// The fields a use-for-all-tracks box sets on every row.
enum class ECdTagShared { kArtist, kAlbum, kYear, kGenre };

// True when every row agrees on field: artist and album texts compare
// exactly against the first row whose text is not empty (empty rows before
// it do not count), year and genre by number. False without rows.
bool CdRowsAgree(std::span<const TCDTagRow> rows, ECdTagShared field);
// Writes field (the genre: its text and number) of value into every row.
void ApplyToAllRows(std::vector<TCDTagRow>& rows, ECdTagShared field, const TCDTagRow& value);

// What the dialog asks of the CD page it was opened on.
class ICDTagPage {
public:
    virtual ~ICDTagPage() = default;
    // Copies of the page's rows, in order.
    virtual std::vector<TCDTagRow> CopyTagRows() const = 0;
    // How many rows the page has now (a swapped disc may have others).
    virtual int TagRowCount() const = 0;
    // The first rows.size() rows take these tag texts (rows.size() is at
    // most TagRowCount()).
    virtual void TakeTagRows(std::span<const TCDTagRow> rows) = 0;
    // The ID of the disc in the drive now, and the drive's name for texts.
    virtual std::uint32_t DriveDiscId() const = 0;
    virtual std::string DriveText() const = 0;
};
