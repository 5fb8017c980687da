// Reading a PCM sound: the mixer's reads through the decoding buffer, and
// the amplitude overview read from it.

#include <algorithm>

#include "platform/last_error.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/pcm/pcm_block.h"
#include "tonecore/pcm/pcm_buffer.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/sound/pcm_sound.h"

TRenderResult CPCMSound::ReadData(_bufferType* out, std::int32_t& bytes) {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    if (decoder_ != nullptr && !decoder_->EnableStream(1)) {
        SetLastError(TONECORE_ERR_STREAM_NOT_ENABLED);
        return RENDER_FAILED;
    }
    bytes = 0;
    if (out == nullptr || out->format == nullptr) return RENDER_FAILED;
    const WAVEFORMATEX* format = out->format;
    mixFlags_ &= ~(PCM_MIX_OUTPUT_STEREO | PCM_MIX_OUTPUT_8BIT);
    if (format->nChannels == 2) mixFlags_ |= PCM_MIX_OUTPUT_STEREO;
    if (format->wBitsPerSample == 8) mixFlags_ |= PCM_MIX_OUTPUT_8BIT;
    if (UsingMap()) {
        // Envelopes readied for another output rate (before the first read
        // the mixer's format is not known) count frames wrongly: they are
        // readied again at the current position, as after a map change.
        if (GetFlag(ATOM_MIXER_NEW_MAP) || mapFormat_.nSamplesPerSec != format->nSamplesPerSec) {
            ReadyMapForPlayback(static_cast<std::int32_t>(loadOffset_ + MsForBytes(bytesConsumed_)), format);
            ClearMixerFlag(ATOM_MIXER_NEW_MAP);
        }
        // Without a rate point ahead or a rate ramp the map does not set
        // the step: it follows the rate as without maps.
        if ((mixFlags_ & (PCM_MIX_NEXT_RATE | PCM_MIX_RATE_RAMP)) == 0) SetStepFor(format);
    } else {
        SetStepFor(format);
    }
    return ReadDataMix(out, &bytes);
}

TRenderResult CPCMSound::ReadDataMix(_bufferType* out, std::int32_t* bytes) {
    if (out == nullptr || out->data == nullptr || buffer_ == nullptr) return RENDER_FAILED;
    auto* outFormat = const_cast<WAVEFORMATEX*>(out->format);
    unsigned char* dst = static_cast<unsigned char*>(out->data);
    unsigned char* const end = dst + out->size;
    TRenderResult state = RENDER_MORE;
    int emptyFills = 0;
    while (dst < end && state == RENDER_MORE) {
        BYTE* region1 = nullptr;
        BYTE* region2 = nullptr;
        std::uint32_t length1 = 0;
        std::uint32_t length2 = 0;
        if (!buffer_->Lock(&region1, &length1, &region2, &length2)) {
            state = RENDER_FINISHED;
            break;
        }
        std::int64_t left = 0;
        if (!buffer_->BytesLeftToRead(&left)) {
            buffer_->Unlock();
            // Nothing left to read (a sound of no length among them) is the
            // end: a caller reading until the sound finishes must get there.
            if (left <= 0) state = RENDER_FINISHED;
            break;
        }
        if (length1 > left) {
            length1 = static_cast<std::uint32_t>(left);
            length2 = 0;
        }
        std::uint32_t taken = 0;
        unsigned char* const passStart = dst;
        const auto mixRegion = [&](BYTE* region, std::uint32_t length) {
            unsigned char* from = region;
            dst += MixLoop(&from, region + length, dst, end, outFormat);
            const auto used = static_cast<std::uint32_t>(from - region);
            buffer_->UpdateReadOffset(used);
            bytesConsumed_ += used;
            taken += used;
        };
        if (length1 > 0) mixRegion(region1, length1);
        if (length2 > 0 && dst < end && taken == length1) {
            std::int64_t rest = 0;
            buffer_->BytesLeftToRead(&rest);
            mixRegion(region2, static_cast<std::uint32_t>(std::min<std::int64_t>(length2, rest)));
        }
        buffer_->Unlock();
        if (buffer_->BufferFinished()) {
            state = RENDER_FINISHED;
        } else if (dst < end) {
            // A pass that moved nothing waits for data; the sound ends only
            // when no more can come, not on a fill that decoded no PCM.
            if (taken == 0 && dst == passStart) {
                if (buffer_->SourceExhausted() || ++emptyFills > kMaxEmptyFills) {
                    state = RENDER_FINISHED;
                    break;
                }
            } else {
                emptyFills = 0;
            }
            buffer_->Fill();
        }
    }
    *bytes = static_cast<std::int32_t>(out->size - (end - dst));
    return state;
}

std::int32_t CPCMSound::GetMaxSample(char* start, char* end) {
    const WAVEFORMATEX* format = Format();
    if (format == nullptr || start == nullptr || end <= start) return 0;
    std::int32_t maxLeft = 0;
    std::int32_t maxRight = 0;
    ::GetMaxSample(reinterpret_cast<const std::uint8_t*>(start), reinterpret_cast<const std::uint8_t*>(end), format,
                   maxLeft, maxRight);
    return std::max(maxLeft, maxRight);
}

std::int32_t CPCMSound::GetAmplitudes(std::uint32_t& frame, std::uint32_t framesPerValue, std::int32_t count,
                                      unsigned char* out) {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    const WAVEFORMATEX* format = Format();
    if (buffer_ == nullptr || format == nullptr || out == nullptr || format->nBlockAlign == 0) return 0;
    const std::int64_t step = std::int64_t{format->nBlockAlign} * framesPerValue;
    std::int64_t left = 0;
    buffer_->BytesLeftToRead(&left);
    if (left <= 0 || step <= 0) return 0;
    buffer_->Fill();
    BYTE* region1 = nullptr;
    BYTE* region2 = nullptr;
    std::uint32_t length1 = 0;
    std::uint32_t length2 = 0;
    if (!buffer_->Lock(&region1, &length1, &region2, &length2)) {
        SetLastError(TONECORE_ERR_BUFFER_RANGE);
        return 0;
    }
    const std::int64_t available = std::min<std::int64_t>(std::int64_t{length1} + length2, left);
    std::int64_t walked = 0;
    std::int32_t values = 0;
    while (values < count && walked < available) {
        const std::int64_t piece = std::min(step, available - walked);
        std::int32_t peak = 0;
        // The piece may run from the end of the first region into the second.
        const std::int64_t inFirst = std::clamp<std::int64_t>(std::int64_t{length1} - walked, 0, piece);
        if (inFirst > 0) {
            char* from = reinterpret_cast<char*>(region1 + walked);
            peak = GetMaxSample(from, from + inFirst);
        }
        if (piece > inFirst) {
            char* from = reinterpret_cast<char*>(region2 + (walked + inFirst - length1));
            peak = std::max(peak, GetMaxSample(from, from + (piece - inFirst)));
        }
        out[values++] = static_cast<unsigned char>(std::min<std::int32_t>(peak * 255 / 32767, 255));
        walked += piece;
    }
    buffer_->Unlock();
    buffer_->UpdateReadOffset(static_cast<std::uint32_t>(walked));
    frame += static_cast<std::uint32_t>(walked / format->nBlockAlign);
    return values;
}
