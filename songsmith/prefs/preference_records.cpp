#include "songsmith/prefs/preference_records.h"

#include <bit>
#include <cstring>

namespace {

// Writes 32-bit words and byte fields one after the other, little-endian.
template <std::size_t N>
class CImageWriter {
public:
    void Word(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            image_[at_++] = static_cast<std::uint8_t>(value >> shift);
    }
    void Signed(std::int32_t value) { Word(static_cast<std::uint32_t>(value)); }
    void Byte(std::uint8_t value) { image_[at_++] = value; }
    // A text field of exactly size bytes (the caller's field, terminated).
    void Field(const char* text, std::size_t size) {
        std::memcpy(image_.data() + at_, text, size);
        at_ += size;
    }
    std::array<std::uint8_t, N> Done() const { return image_; }

private:
    std::array<std::uint8_t, N> image_{};
    std::size_t at_ = 0;
};

// Reads what CImageWriter writes from bytes the caller has measured.
class CImageReader {
public:
    explicit CImageReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint32_t Word() {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{bytes_[at_++]} << shift;
        return value;
    }
    std::int32_t Signed() { return static_cast<std::int32_t>(Word()); }
    std::uint8_t Byte() { return bytes_[at_++]; }
    void Skip(std::size_t count) { at_ += count; }
    // Copies a text field of size bytes; false when no terminator lies in it.
    template <std::size_t N>
    bool Field(char (&out)[N]) {
        const auto* start = reinterpret_cast<const char*>(bytes_.data() + at_);
        at_ += N;
        if (std::memchr(start, '\0', N) == nullptr) return false;
        std::memcpy(out, start, N);
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

}  // namespace

TPlacementImage PackRecord(const WINDOWPLACEMENT& placement) {
    CImageWriter<kPlacementBytes> out;
    out.Word(placement.length);
    out.Word(placement.flags);
    out.Word(placement.showCmd);
    for (const POINT& point : {placement.ptMinPosition, placement.ptMaxPosition}) {
        out.Signed(point.x);
        out.Signed(point.y);
    }
    const RECT& normal = placement.rcNormalPosition;
    for (std::int32_t side : {normal.left, normal.top, normal.right, normal.bottom})
        out.Signed(side);
    return out.Done();
}

WINDOWPLACEMENT UnpackPlacement(std::span<const std::uint8_t> bytes) {
    CImageReader in(bytes);
    WINDOWPLACEMENT placement{};
    placement.length = in.Word();
    placement.flags = in.Word();
    placement.showCmd = in.Word();
    for (POINT* point : {&placement.ptMinPosition, &placement.ptMaxPosition}) {
        point->x = in.Signed();
        point->y = in.Signed();
    }
    RECT& normal = placement.rcNormalPosition;
    for (std::int32_t* side : {&normal.left, &normal.top, &normal.right, &normal.bottom})
        *side = in.Signed();
    return placement;
}

TSplitImage PackRecord(float split) {
    CImageWriter<kSplitBytes> out;
    out.Word(std::bit_cast<std::uint32_t>(split));
    return out.Done();
}

float UnpackSplit(std::span<const std::uint8_t> bytes) {
    return std::bit_cast<float>(CImageReader(bytes).Word());
}

TFadeImage PackRecord(const TFadePreferences& fade) {
    CImageWriter<kFadeBytes> out;
    for (std::int32_t value : {fade.transitionMode, fade.gapMs, fade.overlapMs, fade.fadeMs})
        out.Signed(value);
    return out.Done();
}

TFadePreferences UnpackFade(std::span<const std::uint8_t> bytes) {
    CImageReader in(bytes);
    TFadePreferences fade;
    for (std::int32_t* value : {&fade.transitionMode, &fade.gapMs, &fade.overlapMs, &fade.fadeMs}) {
        *value = in.Signed();
    }
    return fade;
}

TRateImage PackRecord(double rate) {
    const auto bits = std::bit_cast<std::uint64_t>(rate);
    CImageWriter<kRateBytes> out;
    out.Word(static_cast<std::uint32_t>(bits));
    out.Word(static_cast<std::uint32_t>(bits >> 32));
    return out.Done();
}

double UnpackRate(std::span<const std::uint8_t> bytes) {
    CImageReader in(bytes);
    const std::uint64_t low = in.Word();
    const std::uint64_t high = in.Word();
    return std::bit_cast<double>(low | (high << 32));
}

TBurnerImage PackRecord(const TBurnerPrefs& burner) {
    CImageWriter<kBurnerBytes> out;
    for (std::int32_t value : burner) out.Signed(value);
    return out.Done();
}

TBurnerPrefs UnpackBurner(std::span<const std::uint8_t> bytes) {
    CImageReader in(bytes);
    TBurnerPrefs burner{};
    for (std::int32_t& value : burner) value = in.Signed();
    return burner;
}

TMusicDirImage PackRecord(const _lastDirList& folder) {
    CImageWriter<kMusicDirBytes> out;
    out.Field(folder.path, sizeof(folder.path));
    out.Signed(folder.number);
    out.Signed(folder.value);
    return out.Done();
}

bool UnpackMusicDir(std::span<const std::uint8_t> bytes, _lastDirList& folder) {
    CImageReader in(bytes);
    if (!in.Field(folder.path)) return false;
    folder.number = in.Signed();
    folder.value = in.Signed();
    return true;
}

TSiteImage PackRecord(const TITLEFETCH_TSite& site) {
    CImageWriter<kSiteBytes> out;
    out.Field(site.host, sizeof(site.host));
    out.Signed(site.port);
    out.Field(site.cgiPath, sizeof(site.cgiPath));
    out.Field(site.secondText, sizeof(site.secondText));
    out.Field(site.description, sizeof(site.description));
    out.Byte(site.north);
    out.Byte(site.east);
    out.Byte(0);  // two bytes of padding keep the numbers aligned
    out.Byte(0);
    out.Signed(site.latitude);
    out.Signed(site.longitude);
    return out.Done();
}

bool UnpackSite(std::span<const std::uint8_t> bytes, TITLEFETCH_TSite& site) {
    CImageReader in(bytes);
    TITLEFETCH_TSite read;
    if (!in.Field(read.host)) return false;
    read.port = in.Signed();
    if (!in.Field(read.cgiPath) || !in.Field(read.secondText) || !in.Field(read.description))
        return false;
    read.north = in.Byte();
    read.east = in.Byte();
    in.Skip(2);
    read.latitude = in.Signed();
    read.longitude = in.Signed();
    site = read;
    return true;
}
