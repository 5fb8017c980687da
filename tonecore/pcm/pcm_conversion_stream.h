#pragma once
// A PCM stream converted to another PCM format while it is written out in
// blocks of any size. The converter's state (position, previous frame, a
// frame cut between blocks) is carried from block to block, so the result
// does not depend on how the stream was split; Finish adds the frames still
// owed at the end, so that n source frames always give
// floor(n x target rate / source rate) target frames.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/wave_format.h"
#include "tonecore/pcm/pcm_convert.h"

class CPCMConversionStream {
public:
    // Starts a new stream between two PCM formats the engine handles.
    void Start(const WAVEFORMATEX& source, const WAVEFORMATEX& target);

    // Converts all of the block; the bytes produced stay valid until the
    // next call. An empty result is normal (a block shorter than a target
    // frame); false only when the conversion cannot go on.
    bool Convert(const std::uint8_t* pcm, std::size_t bytes, std::span<const std::uint8_t>* produced);
    // The frames still owed for the source handed over so far, produced by
    // holding the last source frame.
    std::span<const std::uint8_t> Finish();

    // Target bytes so far, and what the source so far is worth.
    std::uint64_t ProducedBytes() const { return producedBytes_; }
    std::uint64_t OwedBytes() const;

private:
    // Runs the converter over source into the work buffer (cleared to
    // silence first), at most room bytes; returns the bytes produced and the
    // source bytes taken in *taken.
    std::size_t RunOnce(const std::uint8_t* source, std::size_t bytes, std::size_t room, std::size_t* taken);
    void NoteTail(const std::uint8_t* pcm, std::size_t bytes);

    WAVEFORMATEX source_{};
    WAVEFORMATEX target_{};
    CPCMStreamConverter converter_;
    std::vector<std::uint8_t> work_;
    std::vector<std::uint8_t> out_;
    std::uint64_t sourceBytes_ = 0;
    std::uint64_t producedBytes_ = 0;
    // The last bytes of the source: they hold the last whole frame and any
    // frame cut short after it.
    std::uint8_t tail_[8] = {};
    std::size_t tailBytes_ = 0;
};
