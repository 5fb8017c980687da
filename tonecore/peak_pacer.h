#pragma once
// Cutting PCM into one piece per peak. A peak covers msPerPeak of audio, but
// a piece must hold whole sample frames, so it is the exact bytes per peak
// rounded down to whole blocks (at 22050 Hz 16-bit stereo and 10 ms: 882
// bytes exact, 880 per piece). The pacer keeps the waveform in time: the
// shortfall of each piece is added up and, whenever it amounts to a whole
// peak, the next piece gives no peak. The remainder is carried on, so the
// peaks never drift from the audio however long the song.

#include <cstdint>

class CPeakPacer {
public:
    // blockAlign and averageBytesPerSec from the PCM format.
    CPeakPacer(std::uint32_t averageBytesPerSec, std::uint32_t blockAlign, std::uint32_t msPerPeak);

    // Bytes in a piece: whole blocks, at least one.
    std::uint32_t PieceBytes() const { return pieceBytes_; }
    // Called once per piece, in order: false when this piece makes up for
    // the shortfall and gives no peak.
    bool PieceGivesPeak();

private:
    double exactBytes_;
    std::uint32_t pieceBytes_;
    double shortfall_;  // exact bytes per peak minus the piece's bytes
    double owed_ = 0.0;
};

// A piece's largest absolute sample (0 .. 32768) as a peak: x 255 / 32767,
// toward zero, at most 255.
std::uint8_t PeakLevelOfSample(std::int32_t maxSample);
