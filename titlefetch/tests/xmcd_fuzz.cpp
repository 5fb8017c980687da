// Fuzz target for the xmcd reader: reads the input as the body of a read
// answer; a record it accepts is written again and must read back with the
// same keyword values, in lines no longer than the writer allows.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "titlefetch/cddb.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

bool SameTexts(const MvList<CCOMString*>& a, const MvList<CCOMString*>& b) {
    if (a.count != b.count) return false;
    for (std::int32_t i = 0; i < a.count; ++i) {
        if (std::strcmp(*a.items[i], *b.items[i]) != 0) return false;
    }
    return true;
}

void FreeAll(TITLEFETCH_TRResult& record, MvList<PLATTER_TTrackPos*>& tracks) {
    DeleteRecordTexts(record.trackTitles);
    DeleteRecordTexts(record.extendedTrackData);
    for (PLATTER_TTrackPos* track : tracks) delete track;
    tracks.Empty();
}

bool Terminated(const char (&field)[256]) { return strnlen(field, sizeof field) < sizeof field; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    CCDDB cddb;
    cddb.setCDDBProtocolVersion(6);
    TITLEFETCH_TRResult record;
    MvList<PLATTER_TTrackPos*> tracks;
    if (cddb.parseRecordBody(body, tracks, record)) {
        Check(tracks.count > 0);
        Check(record.extendedTrackData.count == record.trackTitles.count);
        Check(record.trackTitles.count <= 100);
        for (const auto* field : {&record.artist, &record.title, &record.genre, &record.extendedData,
                                  &record.clientName, &record.clientVersion, &record.clientComment}) {
            Check(Terminated(*field));
        }

        MvList<PLATTER_TTrackPos*> oneTrack;
        PLATTER_TTrackPos first;
        first.frameOffset = 150;
        oneTrack.Append(&first);
        const std::string written = cddb.formSubmitBody(record, oneTrack);
        std::string_view rest = written;
        while (!rest.empty()) {
            std::string_view line = rest;
            const auto next = CCDDB::getNextLine(line);
            if (!line.empty() && line[0] != '#') Check(line.size() <= CCDDB::kMaxSubmitLine);
            rest = next ? *next : std::string_view();
        }

        TITLEFETCH_TRResult again;
        MvList<PLATTER_TTrackPos*> againTracks;
        Check(cddb.parseRecordBody("210 rock 00000000 entry\r\n" + written, againTracks, again));
        Check(SameTexts(record.trackTitles, again.trackTitles));
        Check(SameTexts(record.extendedTrackData, again.extendedTrackData));
        Check(std::strcmp(record.genre, again.genre) == 0);
        Check(std::strcmp(record.extendedData, again.extendedData) == 0);
        Check(record.discId == again.discId && record.year == again.year && record.discLength == again.discLength &&
              record.revision == again.revision);
        // "Artist / Title" splits where it was joined unless the artist holds
        // a slash itself or a text was cut at the field's end.
        if (record.artist[0] != '\0' && std::strchr(record.artist, '/') == nullptr &&
            std::strlen(record.artist) < 250 && std::strlen(record.title) < 250) {
            Check(std::strcmp(record.artist, again.artist) == 0);
            Check(std::strcmp(record.title, again.title) == 0);
        }
        Check(againTracks.count == 1 && againTracks.items[0]->frameOffset == 150);
        FreeAll(again, againTracks);
    }
    FreeAll(record, tracks);
    return 0;
}
