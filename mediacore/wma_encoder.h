#pragma once
// The writer's encoding core: PCM in any of the accepted input formats is
// converted (libswresample) to what the Windows Media audio encoder of the
// target's tag takes, cut into whole frames, encoded (libavcodec) and
// written as an ASF file (libavformat). The file is built under a temporary
// name beside the target and renamed over it only when it is complete.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "mediacore/wm_types.h"

class CWmaEncoder {
public:
    CWmaEncoder();
    // An encoding that was not ended leaves no file behind.
    ~CWmaEncoder();
    CWmaEncoder(const CWmaEncoder&) = delete;
    CWmaEncoder& operator=(const CWmaEncoder&) = delete;

    // Whether the encoder takes this PCM: 8 or 16 bits, 1 or 2 channels, a
    // rate the converter handles.
    static bool AcceptsInput(const WAVEFORMATEX& input);

    // target: a Windows Media audio format (tag 0x160 or 0x161) whose rate,
    // channels and byte rate the file gets. MEDIACORE_E_FORMAT when the
    // encoder refuses it, MEDIACORE_E_FILE when the file cannot be made.
    HRESULT Begin(const std::string& path, const WAVEFORMATEX& target, const WAVEFORMATEX& input);
    // Takes whole input blocks (a broken one at the end waits for the rest).
    HRESULT Write(std::span<const BYTE> pcm);
    // Encodes the whole frames taken so far and pushes them to the file.
    HRESULT Flush();
    // Pads the last frame with silence, drains the encoder, finishes the
    // file (its header then gives the duration and sizes) and renames it
    // into place.
    HRESULT End();
    bool IsWriting() const;

private:
    struct TState;
    std::unique_ptr<TState> state_;
};
