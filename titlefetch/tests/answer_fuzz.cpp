// Fuzz target for the answer reader: the input's first byte chooses the
// read mode and the answer parser, its second the pieces the bytes arrive
// in; the rest is what the server sends. Whatever the pieces, an answer
// ends at the first terminator (a period line after CR LF or LF), never
// holds one, and is a beginning of what was sent (of its decoded chunks,
// for a chunked body); a complete answer then goes through a parser.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "titlefetch/answer_assembler.h"
#include "titlefetch/cddb.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// Small enough that the fuzzer reaches it.
constexpr std::size_t kMaxBytes = 2048;

template <class Record>
void FreeAll(MvList<Record*>& list) {
    DeleteRecordsAndEmpty(list);
}

void Parse(std::string_view body, unsigned which) {
    CCDDB cddb;
    switch (which % 7) {
        case 0: {
            MvList<TITLEFETCH_TQResult*> results;
            cddb.parseQueryBody(body, results);
            FreeAll(results);
            break;
        }
        case 1: {
            MvList<TITLEFETCH_TSite*> sites;
            cddb.parseSitesBody(body, sites);
            FreeAll(sites);
            break;
        }
        case 2: {
            MvList<TITLEFETCH_TGenre*> genres;
            cddb.parseGenresBody(body, genres);
            FreeAll(genres);
            break;
        }
        case 3: {
            TCDDBStatus status;
            cddb.parseStatusBody(body, status);
            FreeAll(status.genreNames);
            FreeAll(status.pendingNames);
            break;
        }
        case 4: {
            CCOMString message;
            cddb.parseMessageBody(body, message);
            break;
        }
        case 5: {
            TITLEFETCH_TRResult record;
            MvList<PLATTER_TTrackPos*> tracks;
            cddb.parseRecordBody(body, tracks, record);
            DeleteRecordTexts(record.trackTitles);
            DeleteRecordTexts(record.extendedTrackData);
            FreeAll(tracks);
            break;
        }
        default:
            cddb.parseSubmitBody(body);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const unsigned choice = data[0];
    const int mode = static_cast<int>(choice % 3);
    std::uint32_t pieces = data[1] * 2654435761u + 1;
    const std::string_view sent(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string_view terminator = CCDDB::kTerminator;

    // A small step makes the buffer grow often.
    CAnswerAssembler assembler(terminator, 2 + data[1] % 61, mode, kMaxBytes);
    CAnswerAssembler::Progress progress = CAnswerAssembler::Progress::More;
    std::size_t at = 0;
    while (progress == CAnswerAssembler::Progress::More) {
        if (at == sent.size()) {
            progress = assembler.Closed();
            break;
        }
        pieces = pieces * 1103515245u + 12345u;
        std::size_t count = 1 + (pieces >> 16) % 97;
        count = std::min({count, sent.size() - at, assembler.RoomSize()});
        std::memcpy(assembler.Room(), sent.data() + at, count);
        at += count;
        progress = assembler.Received(count);
    }

    const std::string_view raw = assembler.Raw();
    Check(raw == sent.substr(0, raw.size()));
    // The answer as the parsers see it: a chunked body decoded.
    const std::string_view text = assembler.Text();
    switch (progress) {
        case CAnswerAssembler::Progress::Complete: {
            const std::string_view answer = assembler.Answer();
            Check(text.substr(0, answer.size()) == answer);
            const std::size_t end = FindAnswerEnd(text, 0, terminator);
            if (end != std::string_view::npos) {
                // Ended by the terminator: its first appearance.
                Check(end == answer.size());
            } else {
                Check(answer.size() == text.size());
                Check(CCDDB::isCompleteOneLineAnswer(answer));
            }
            if (const auto body = CCDDB::getBody(answer)) Parse(*body, choice / 3);
            break;
        }
        case CAnswerAssembler::Progress::TooLarge:
            Check(raw.size() >= kMaxBytes);
            break;
        case CAnswerAssembler::Progress::Malformed: {
            // Either the bytes do not begin an HTTP answer, or a chunked
            // body's framing is broken.
            constexpr std::string_view kHttpStart = "HTTP/";
            const std::string_view start = raw.substr(0, kHttpStart.size());
            if (start != kHttpStart.substr(0, start.size())) break;
            const auto body = CCDDB::getBody(raw);
            Check(body && IsChunkedHeader(raw.substr(0, raw.size() - body->size())));
            break;
        }
        case CAnswerAssembler::Progress::Cut:
            Check(!CCDDB::isCompleteOneLineAnswer(text));
            break;
        case CAnswerAssembler::Progress::More:
            Check(false);
            break;
    }
    return 0;
}
