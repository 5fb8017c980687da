#pragma once
// Small fixtures for the CDDB client's tests: answers wrapped in an HTTP
// header, a site on the loopback server and track lists built from frame
// offsets.

#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "titlefetch/cddb_text.h"
#include "titlefetch/disc_record.h"
#include "titlefetch/mv_list.h"
#include "titlefetch/site.h"
#include "titlefetch/track_pos.h"

namespace cddbtest {

inline std::string Http(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body;
}

// text as a server with bare LF line ends sends it.
inline std::string WithBareLf(std::string text) {
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
    return text;
}

// body as an HTTP/1.1 answer in chunks of size bytes (the last one may be
// shorter), each size line carrying extension, then the last chunk.
inline std::string Chunked(const std::string& body, std::size_t size, const std::string& extension = "") {
    std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (std::size_t at = 0; at < body.size(); at += size) {
        const std::string piece = body.substr(at, size);
        char line[32];
        std::snprintf(line, sizeof line, "%zx", piece.size());
        answer += line + extension + "\r\n" + piece + "\r\n";
    }
    return answer + "0\r\n\r\n";
}

// The request line of a request the server saw.
inline std::string FirstLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

inline TITLEFETCH_TSite LoopbackSite(int port) { return MakeSite("127.0.0.1", "/~cddb/cddb.cgi", port); }

// A track list (one entry per track, no end entry) that owns its records:
// the tracks start at the given frame offsets and the last one ends at the
// lead-out.
class TrackList {
public:
    TrackList(const std::vector<int>& offsets, int leadOut) {
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            const int end = i + 1 < offsets.size() ? offsets[i + 1] : leadOut;
            auto track = std::make_unique<PLATTER_TTrackPos>();
            const int length = end - offsets[i];
            track->lengthMinutes = length / kFramesPerMinute;
            track->lengthSeconds = length % kFramesPerMinute / kFramesPerSecond;
            track->lengthFrames = length % kFramesPerSecond;
            track->positionMinutes = offsets[i] / kFramesPerMinute;
            track->positionSeconds = offsets[i] % kFramesPerMinute / kFramesPerSecond;
            track->positionFrames = offsets[i] % kFramesPerSecond;
            track->frameOffset = offsets[i];
            list.Append(track.get());
            records_.push_back(std::move(track));
        }
    }
    MvList<PLATTER_TTrackPos*> list;

private:
    std::vector<std::unique_ptr<PLATTER_TTrackPos>> records_;
};

// Deletes what a list of records points to and empties it.
template <class T>
void FreeAll(MvList<T*>& list) {
    DeleteRecordsAndEmpty(list);
}

// A disc record as plain values, for comparing whole records in tables:
// fields a case leaves out are the empty record's.
struct RecordView {
    std::string artist{};
    std::string title{};
    std::string genre{};
    std::string extendedData{};
    std::uint32_t discLength = 0;
    std::uint32_t discId = 0;
    std::int32_t revision = 0;
    std::int32_t year = 0;
    std::vector<std::string> titles{};
    std::vector<std::string> extData{};
    std::vector<std::int32_t> playOrder{};
    std::string clientName{};
    std::string clientVersion{};
    std::string clientComment{};

    bool operator==(const RecordView&) const = default;
};

inline void SetField(char (&field)[256], const std::string& text) {
    std::snprintf(field, sizeof field, "%s", text.c_str());
}

inline std::string FieldText(const char (&field)[256]) { return std::string(::FieldText(field)); }

inline std::vector<std::string> Texts(const MvList<CCOMString*>& list) {
    std::vector<std::string> texts;
    for (const CCOMString* text : list) texts.emplace_back(text != nullptr ? text->GetString() : "(null)");
    return texts;
}

inline RecordView ViewOf(const TITLEFETCH_TRResult& record) {
    RecordView view;
    view.artist = FieldText(record.artist);
    view.title = FieldText(record.title);
    view.genre = FieldText(record.genre);
    view.extendedData = FieldText(record.extendedData);
    view.discLength = record.discLength;
    view.discId = record.discId;
    view.revision = record.revision;
    view.year = record.year;
    view.titles = Texts(record.trackTitles);
    view.extData = Texts(record.extendedTrackData);
    view.playOrder.assign(record.playOrder.begin(), record.playOrder.end());
    view.clientName = FieldText(record.clientName);
    view.clientVersion = FieldText(record.clientVersion);
    view.clientComment = FieldText(record.clientComment);
    return view;
}

inline void PrintTo(const RecordView& view, std::ostream* out) {
    const auto list = [out](const auto& items) {
        *out << "[";
        for (const auto& item : items) *out << "\"" << item << "\",";
        *out << "]";
    };
    *out << "{artist \"" << view.artist << "\" title \"" << view.title << "\" genre \"" << view.genre
         << "\" extd \"" << view.extendedData << "\" length " << view.discLength << " id " << std::hex
         << view.discId << std::dec << " revision " << view.revision << " year " << view.year << " titles ";
    list(view.titles);
    *out << " ext ";
    list(view.extData);
    *out << " order ";
    list(view.playOrder);
    *out << " client \"" << view.clientName << "\" \"" << view.clientVersion << "\" \"" << view.clientComment
         << "\"}";
}

// A record whose lists are freed with it.
struct OwnedRecord : TITLEFETCH_TRResult {
    OwnedRecord() = default;
    ~OwnedRecord() {
        DeleteRecordTexts(trackTitles);
        DeleteRecordTexts(extendedTrackData);
    }
};

}  // namespace cddbtest
