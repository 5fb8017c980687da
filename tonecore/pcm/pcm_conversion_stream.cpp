#include "tonecore/pcm/pcm_conversion_stream.h"

#include <algorithm>
#include <cstring>

namespace {

// Work buffer size: big enough that a typical block converts in one run.
constexpr std::size_t kWorkBytes = 64 * 1024;

// The byte a silent target sample is made of (the converter adds to what
// the buffer holds).
std::uint8_t SilenceByte(const WAVEFORMATEX& format) { return format.wBitsPerSample == 8 ? 0x80 : 0x00; }

}  // namespace

void CPCMConversionStream::Start(const WAVEFORMATEX& source, const WAVEFORMATEX& target) {
    source_ = source;
    target_ = target;
    converter_.Reset();
    sourceBytes_ = 0;
    producedBytes_ = 0;
    tailBytes_ = 0;
    const std::size_t align = std::max<std::size_t>(target.nBlockAlign, 1);
    work_.assign(kWorkBytes / align * align, 0);
}

std::uint64_t CPCMConversionStream::OwedBytes() const {
    if (source_.nBlockAlign == 0 || source_.nSamplesPerSec == 0) return 0;
    // A frame cut short at the very end is completed by Finish, so it counts.
    const std::uint64_t frames = (sourceBytes_ + source_.nBlockAlign - 1) / source_.nBlockAlign;
    return frames * target_.nSamplesPerSec / source_.nSamplesPerSec * target_.nBlockAlign;
}

std::size_t CPCMConversionStream::RunOnce(const std::uint8_t* source, std::size_t bytes, std::size_t room,
                                          std::size_t* taken) {
    room = std::min(room, work_.size());
    std::fill_n(work_.begin(), room, SilenceByte(target_));
    return converter_.Convert(source, bytes, &source_, work_.data(), room, &target_, taken);
}

void CPCMConversionStream::NoteTail(const std::uint8_t* pcm, std::size_t bytes) {
    constexpr std::size_t kTail = sizeof tail_;
    if (bytes >= kTail) {
        std::memcpy(tail_, pcm + bytes - kTail, kTail);
        tailBytes_ = kTail;
        return;
    }
    const std::size_t keep = std::min(tailBytes_, kTail - bytes);
    std::memmove(tail_, tail_ + tailBytes_ - keep, keep);
    std::memcpy(tail_ + keep, pcm, bytes);
    tailBytes_ = keep + bytes;
}

bool CPCMConversionStream::Convert(const std::uint8_t* pcm, std::size_t bytes,
                                   std::span<const std::uint8_t>* produced) {
    out_.clear();
    if (produced != nullptr) *produced = {};
    if (pcm == nullptr || bytes == 0) return true;
    std::size_t used = 0;
    while (used < bytes) {
        std::size_t taken = 0;
        const std::size_t made = RunOnce(pcm + used, bytes - used, work_.size(), &taken);
        if (taken == 0 && made == 0) return false;  // formats the converter refuses
        out_.insert(out_.end(), work_.begin(), work_.begin() + static_cast<std::ptrdiff_t>(made));
        used += taken;
    }
    NoteTail(pcm, bytes);
    sourceBytes_ += bytes;
    producedBytes_ += out_.size();
    if (produced != nullptr) *produced = out_;
    return true;
}

std::span<const std::uint8_t> CPCMConversionStream::Finish() {
    out_.clear();
    const std::size_t align = source_.nBlockAlign;
    if (align == 0 || align > sizeof tail_ / 2 || sourceBytes_ == 0) return out_;
    const std::uint64_t owed = OwedBytes();
    // The last whole frame; a frame cut short after it is completed with
    // that frame's remaining bytes.
    const std::size_t cut = static_cast<std::size_t>(sourceBytes_ % align);
    if (tailBytes_ < align + cut) return out_;
    const std::uint8_t* last = tail_ + tailBytes_ - cut - align;
    std::uint8_t hold[sizeof tail_];
    std::size_t holdBytes = align;
    std::memcpy(hold, last, align);
    if (cut != 0) {
        holdBytes = align - cut;
        std::memcpy(hold, last + cut, holdBytes);
    }
    // Each held frame gives a target frame within this many rounds. (The
    // record's fields are packed: copied before use.)
    const std::uint64_t sourceRate = source_.nSamplesPerSec;
    const std::uint64_t targetRate = std::max<std::uint64_t>(target_.nSamplesPerSec, 1);
    const std::uint64_t targetAlign = std::max<std::uint64_t>(target_.nBlockAlign, 1);
    const std::uint64_t owedFrames = owed > producedBytes_ ? (owed - producedBytes_) / targetAlign : 0;
    std::uint64_t rounds = owedFrames * (sourceRate / targetRate + 2) + 2;
    while (producedBytes_ + out_.size() < owed && rounds-- > 0) {
        const std::size_t room = static_cast<std::size_t>(owed - producedBytes_ - out_.size());
        std::size_t taken = 0;
        const std::size_t made = RunOnce(hold, holdBytes, room, &taken);
        out_.insert(out_.end(), work_.begin(), work_.begin() + static_cast<std::ptrdiff_t>(made));
        holdBytes = align;
        std::memcpy(hold, last, align);
    }
    producedBytes_ += out_.size();
    return out_;
}
