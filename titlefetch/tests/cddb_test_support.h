#pragma once
// Small fixtures for the CDDB client's tests: answers wrapped in an HTTP
// header, a site on the loopback server and track lists built from frame
// offsets.

#include <memory>
#include <string>
#include <vector>

#include "titlefetch/mv_list.h"
#include "titlefetch/site.h"
#include "titlefetch/track_pos.h"

namespace cddbtest {

inline std::string Http(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body;
}

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
    for (T* item : list) delete item;
    list.Empty();
}

}  // namespace cddbtest
