#pragma once
// The audio of one track file for a write: a CD-format WAV file's "data"
// chunk, or what the registered decoder makes of any other file. Which it is
// follows the file's content, not the type the write block gives it.
//
// Every source is measured when it is opened, before the write begins, so
// the disc layout is known exactly and a file that turns out unusable is
// refused before any event.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IPlatterAudioDecoder;

class CTrackSource {
public:
    virtual ~CTrackSource() = default;
    // The PCM bytes the track holds (whole 4-byte sample frames).
    std::int64_t PcmBytes() const { return pcmBytes_; }
    // The next bytes, up to want; fewer only at the end; -1 on an error.
    virtual std::int64_t Read(std::uint8_t* out, std::int64_t want) = 0;

protected:
    std::int64_t pcmBytes_ = 0;
};

// Opens and measures a track file. Null with why filled when the file is
// missing, empty, cut short, not CD audio, or cannot be decoded.
std::unique_ptr<CTrackSource> OpenTrackSource(const std::string& path, IPlatterAudioDecoder* decoder,
                                              std::string& why);

struct TWritePlan;

// Opens every file track of a plan and fills in its measured bytes and
// sectors; on the fly, lays the streamed tracks out instead. False with why
// filled at the first track that cannot be used.
bool MeasurePlanTracks(TWritePlan& plan, IPlatterAudioDecoder* decoder,
                       std::vector<std::unique_ptr<CTrackSource>>& sources, std::string& why);
