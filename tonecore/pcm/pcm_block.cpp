#include "tonecore/pcm/pcm_block.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "tonecore/pcm/pcm_format.h"

namespace {

std::size_t ElementSize(TPrecisionType precision) {
    switch (precision) {
        case kPrecisionInt16:
            return 2;
        case kPrecisionInt32:
        case kPrecisionFloat:
            return 4;
        default:
            return 8;
    }
}

// Stores one 16-bit-scale sample at index i of a split array.
void PutSplit(void* array, std::size_t i, TPrecisionType precision, bool fromByte,
              std::int32_t value, std::uint8_t byte) {
    switch (precision) {
        case kPrecisionInt16:
            static_cast<std::int16_t*>(array)[i] = static_cast<std::int16_t>(value);
            break;
        case kPrecisionInt32:
            static_cast<std::int32_t*>(array)[i] = value;
            break;
        case kPrecisionFloat:
            static_cast<float*>(array)[i] =
                fromByte ? (static_cast<float>(byte) - 128.0f) * 256.0f : static_cast<float>(value);
            break;
        default:
            static_cast<double*>(array)[i] =
                fromByte ? (static_cast<double>(byte) - 128.0) * 256.0 : static_cast<double>(value);
            break;
    }
}

std::int16_t Read16(const std::uint8_t* at) { return static_cast<std::int16_t>(at[0] | (at[1] << 8)); }

// Interleaved to interleaved, changing the width to the destination's.
void CopyInterleaved(const _bufferType* source, _bufferType* destination) {
    const WAVEFORMATEX& from = *source->format;
    const WAVEFORMATEX& to = *destination->format;
    const bool wideIn = from.wBitsPerSample == 16;
    const bool wideOut = to.wBitsPerSample == 16;
    const std::size_t samples = std::size_t{source->frames} * from.nChannels;
    const std::size_t room = destination->size / (wideOut ? 2 : 1);
    const auto* in = static_cast<const std::uint8_t*>(source->data);
    auto* out = static_cast<std::uint8_t*>(destination->data);
    std::size_t i = 0;
    for (; i < samples && i < room; ++i) {
        const std::int32_t v = wideIn ? Read16(in + 2 * i) : WidenSample8(in[i]);
        if (wideOut) {
            out[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
            out[2 * i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
        } else {
            out[i] = wideIn ? NarrowSample16(v) : in[i];
        }
    }
    destination->used = static_cast<std::uint32_t>(i * (wideOut ? 2 : 1));
}

}  // namespace

void CopyBufferData(const _bufferType* source, _bufferType* destination) {
    if (source == nullptr || destination == nullptr || source->format == nullptr ||
        destination->format == nullptr) {
        return;
    }
    const bool stereo = source->format->nChannels == 2;
    if (source->data == nullptr) {
        if (destination->data != nullptr) std::memset(destination->data, 0, destination->size);
        if (stereo && destination->data2 != nullptr) std::memset(destination->data2, 0, destination->size);
        destination->used = 0;
        return;
    }
    if (source->precision == kPrecisionInterleaved && destination->precision == kPrecisionInterleaved) {
        CopyInterleaved(source, destination);
        return;
    }
    if (source->precision != kPrecisionInterleaved) return;  // split to split is not offered
    const bool wide = source->format->wBitsPerSample == 16;
    const std::size_t element = ElementSize(destination->precision);
    // Whole frames that both the source and each destination array hold.
    std::size_t frames = source->frames;
    if (frames > destination->size / element) frames = destination->size / element;
    const auto* in = static_cast<const std::uint8_t*>(source->data);
    const std::size_t align = source->format->nBlockAlign;
    const std::size_t second = wide ? 2 : 1;
    for (std::size_t f = 0; f < frames; ++f) {
        const std::uint8_t* frame = in + f * align;
        const std::int32_t left = wide ? Read16(frame) : WidenSample8(frame[0]);
        PutSplit(destination->data, f, destination->precision, !wide, left, frame[0]);
        if (stereo && destination->data2 != nullptr) {
            const std::int32_t right = wide ? Read16(frame + second) : WidenSample8(frame[second]);
            PutSplit(destination->data2, f, destination->precision, !wide, right, frame[second]);
        }
    }
    destination->used = static_cast<std::uint32_t>(frames * element);
}

_bufferType* CopyToNewBuffer(const WAVEFORMATEX* format, const void* data, std::uint32_t bytes,
                             TPrecisionType precision) {
    if (format == nullptr || precision == kPrecisionInterleaved || format->nBlockAlign == 0 ||
        (format->wBitsPerSample != 8 && format->wBitsPerSample != 16) ||
        (format->nChannels != 1 && format->nChannels != 2)) {
        return nullptr;
    }
    auto* record = new (std::nothrow) _bufferType;
    if (record == nullptr) return nullptr;
    const std::uint32_t frames = bytes / format->nBlockAlign;
    const std::size_t element = ElementSize(precision);
    record->precision = precision;
    record->ownFormat = *format;
    record->ownFormat.wBitsPerSample = static_cast<std::uint16_t>(element * 8);
    record->ownFormat.nBlockAlign = static_cast<std::uint16_t>(element);
    record->ownFormat.nAvgBytesPerSec = static_cast<std::uint32_t>(
        std::size_t{record->ownFormat.wBitsPerSample} * format->nChannels * format->nSamplesPerSec / 8);
    record->format = &record->ownFormat;
    record->frames = frames;
    record->size = static_cast<std::uint32_t>(frames * element);
    // calloc: a zero-frame record still gets arrays, so data is never null.
    record->data = std::calloc(frames > 0 ? frames : 1, element);
    if (format->nChannels == 2) record->data2 = std::calloc(frames > 0 ? frames : 1, element);
    if (record->data == nullptr || (format->nChannels == 2 && record->data2 == nullptr)) {
        DeleteBufferPtr(record);
        return nullptr;
    }
    _bufferType from;
    from.format = format;
    from.size = bytes;
    from.used = bytes;
    from.frames = frames;
    from.data = const_cast<void*>(data);
    CopyBufferData(&from, record);
    return record;
}

_bufferType* CopyToNewBuffer(const _bufferType* source, TPrecisionType precision) {
    if (source == nullptr) return nullptr;
    return CopyToNewBuffer(source->format, source->data, source->size, precision);
}

_bufferType* CopyToNewBuffer(const _bufferType* source) {
    if (source == nullptr) return nullptr;
    auto* record = new (std::nothrow) _bufferType(*source);
    if (record == nullptr) return nullptr;
    if (source->format == &source->ownFormat) record->format = &record->ownFormat;
    record->data = nullptr;
    record->data2 = nullptr;
    const std::size_t bytes = source->size > 0 ? source->size : 1;
    if (source->data != nullptr) {
        record->data = std::malloc(bytes);
        if (record->data != nullptr) std::memcpy(record->data, source->data, source->size);
    }
    if (source->data2 != nullptr) {
        record->data2 = std::malloc(bytes);
        if (record->data2 != nullptr) std::memcpy(record->data2, source->data2, source->size);
    }
    if ((source->data != nullptr && record->data == nullptr) ||
        (source->data2 != nullptr && record->data2 == nullptr)) {
        DeleteBufferPtr(record);
        return nullptr;
    }
    return record;
}

void DeleteStaticBuffer(_bufferType* buffer) {
    if (buffer == nullptr) return;
    std::free(buffer->data);
    std::free(buffer->data2);
    buffer->data = nullptr;
    buffer->data2 = nullptr;
}

void DeleteBufferPtr(_bufferType*& buffer) {
    if (buffer == nullptr) return;
    DeleteStaticBuffer(buffer);
    delete buffer;
    buffer = nullptr;
}
