#include "tonecore/tags/id3v2_normalize.h"

#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "tonecore/engine/byte_fields.h"
#include "tonecore/tags/id3_text.h"

namespace {

using bytefields::LoadBe32;
using bytefields::LoadSynchsafe32;

// ID3 v2 tag header flags (v2.3 clause 3.1, v2.4 clause 3.1).
constexpr std::uint8_t kFlagUnsynchronised = 0x80;
constexpr std::uint8_t kFlagExtendedHeader = 0x40;  // v2.2: compression
constexpr std::uint8_t kFlagFooter = 0x10;          // v2.4

// v2.4 frame format flags (clause 4.1.2).
constexpr std::uint8_t kV24Grouping = 0x40;
constexpr std::uint8_t kV24Compressed = 0x08;
constexpr std::uint8_t kV24Encrypted = 0x04;
constexpr std::uint8_t kV24Unsynchronised = 0x02;
constexpr std::uint8_t kV24DataLength = 0x01;

// v2.2 frame ids with a v2.3 counterpart of the same layout.
constexpr const char* kV22Ids[][2] = {
    {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"},
    {"TP4", "TPE4"}, {"TCM", "TCOM"}, {"TXT", "TEXT"}, {"TLA", "TLAN"}, {"TCO", "TCON"}, {"TAL", "TALB"},
    {"TPA", "TPOS"}, {"TRK", "TRCK"}, {"TRC", "TSRC"}, {"TYE", "TYER"}, {"TDA", "TDAT"}, {"TIM", "TIME"},
    {"TRD", "TRDA"}, {"TMT", "TMED"}, {"TFT", "TFLT"}, {"TBP", "TBPM"}, {"TCR", "TCOP"}, {"TPB", "TPUB"},
    {"TEN", "TENC"}, {"TSS", "TSSE"}, {"TOF", "TOFN"}, {"TLE", "TLEN"}, {"TSI", "TSIZ"}, {"TDY", "TDLY"},
    {"TKE", "TKEY"}, {"TOT", "TOAL"}, {"TOA", "TOPE"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TXX", "TXXX"},
    {"WXX", "WXXX"}, {"COM", "COMM"}, {"ULT", "USLT"}, {"MCI", "MCDI"}, {"UFI", "UFID"}, {"CNT", "PCNT"},
    {"POP", "POPM"},
};

// Undoes unsynchronisation: every FF 00 pair stands for FF.
std::vector<std::uint8_t> Resynchronise(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0x00) ++i;
    }
    return out;
}

bool IsFrameIdChar(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Texts one after another to the end of the data, each in `encoding`.
void AppendTexts(std::vector<std::uint8_t>& out, std::uint8_t encoding, std::span<const std::uint8_t> bytes,
                 std::uint8_t newEncoding) {
    while (!bytes.empty()) {
        const TId3Text text = DecodeId3Text(encoding, bytes);
        bytes = bytes.subspan(text.consumed);
        AppendId3Text(out, newEncoding, text.text, text.terminated);
    }
}

// The texts of a frame whose layout the engine knows, for choosing an
// encoding; empty for any other frame.
std::vector<std::string> CollectTexts(std::uint8_t encoding, std::span<const std::uint8_t> bytes) {
    std::vector<std::string> texts;
    while (!bytes.empty()) {
        const TId3Text text = DecodeId3Text(encoding, bytes);
        bytes = bytes.subspan(text.consumed);
        texts.push_back(text.text);
    }
    return texts;
}

std::uint8_t EncodingFor(const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        if (!FitsLatin1(text)) return kId3Utf16;
    }
    return kId3Latin1;
}

// A frame's data with v2.4's UTF-8 or big-endian UTF-16 texts written in a
// v2.3 encoding. False when the frame holds such texts in a layout the
// engine does not know, so it cannot be kept.
bool ReencodeForV23(std::string_view id, std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
    out.assign(data.begin(), data.end());
    if (data.empty() || data[0] <= kId3Utf16) return true;
    const std::uint8_t encoding = data[0];
    std::size_t textsAt = 0;
    std::span<const std::uint8_t> rest;
    if (id[0] == 'T') {
        textsAt = 1;
    } else if (id == "COMM" || id == "USLT") {
        if (data.size() < 4) return false;
        textsAt = 4;
    } else if (id == "APIC") {
        // Encoding, MIME type (ISO 8859-1), picture type, description, image.
        const std::uint8_t* end = static_cast<const std::uint8_t*>(std::memchr(data.data() + 1, 0, data.size() - 1));
        if (end == nullptr || end + 2 > data.data() + data.size()) return false;
        const std::size_t descAt = static_cast<std::size_t>(end - data.data()) + 2;
        const TId3Text desc = DecodeId3Text(encoding, data.subspan(descAt));
        const std::uint8_t newEncoding = EncodingFor({desc.text});
        out.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(descAt));
        out[0] = newEncoding;
        AppendId3Text(out, newEncoding, desc.text, true);
        const auto image = data.subspan(descAt + desc.consumed);
        out.insert(out.end(), image.begin(), image.end());
        return true;
    } else {
        return false;
    }
    const auto texts = data.subspan(textsAt);
    const std::uint8_t newEncoding = EncodingFor(CollectTexts(encoding, texts));
    out.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(textsAt));
    out[0] = newEncoding;
    AppendTexts(out, encoding, texts, newEncoding);
    return true;
}

// v2.4's recording time "yyyy-MM-dd..." as v2.3's year "yyyy".
std::vector<std::uint8_t> YearFromRecordingTime(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out;
    if (data.empty()) return out;
    const TId3Text text = DecodeId3Text(data[0], data.subspan(1));
    if (text.text.size() < 4) return out;
    out.push_back(kId3Latin1);
    out.insert(out.end(), text.text.begin(), text.text.begin() + 4);
    return out;
}

// Keeps one frame. A frame without data says nothing, and in the kept area a
// zero size would end the frames: it is dropped.
void Keep(std::vector<std::uint8_t>& out, const char* id, std::span<const std::uint8_t> data, std::uint16_t flags = 0) {
    if (!data.empty()) AppendId3Frame(out, id, data, flags);
}

// One frame as the tag stores it.
struct TRawFrame {
    std::string_view id;  // 3 characters in v2.2, else 4
    std::span<const std::uint8_t> data;
    std::uint8_t status = 0;  // the two flag bytes (none in v2.2)
    std::uint8_t format = 0;
};

// Whether four bytes form a frame id: capitals and digits, a capital first.
bool IsFrameId(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4 || bytes[0] < 'A' || bytes[0] > 'Z') return false;
    return IsFrameIdChar(bytes[1]) && IsFrameIdChar(bytes[2]) && IsFrameIdChar(bytes[3]);
}

// Where a v2.4 body's frames may end: the body's end, a frame id, or the
// padding (zero bytes through to the end, found once per body).
class CV24FrameEnds {
public:
    explicit CV24FrameEnds(std::span<const std::uint8_t> body) : body_(body), paddingAt_(body.size()) {
        while (paddingAt_ > 0 && body[paddingAt_ - 1] == 0) --paddingAt_;
    }
    bool EndsAt(std::uint64_t at) const {
        if (at > body_.size()) return false;
        return at >= paddingAt_ || IsFrameId(body_.subspan(static_cast<std::size_t>(at)));
    }

private:
    std::span<const std::uint8_t> body_;
    std::size_t paddingAt_;
};

// A v2.4 frame's size. The standard makes it synchsafe, but a common
// encoder writes a plain 32-bit number; the two differ from 128 bytes on.
// The plain reading is taken only where the synchsafe one leads nowhere
// (neither to a frame, the padding nor the body's end) and it does.
std::uint32_t V24FrameSize(const std::uint8_t* header, std::uint64_t dataAt, const CV24FrameEnds& ends) {
    const std::uint32_t synchsafe = LoadSynchsafe32(header + 4);
    const std::uint32_t plain = LoadBe32(header + 4);
    if (plain == synchsafe || ends.EndsAt(dataAt + synchsafe) || !ends.EndsAt(dataAt + plain)) return synchsafe;
    return plain;
}

// Walks the frames of a tag body of the given version: v2.2 has 3-character
// ids and 3-byte sizes without flags, v2.3 4-byte sizes, v2.4 synchsafe
// ones (or plain ones, as some encoders write them). False when a frame runs
// past the body or its id is not one.
template <typename Visit>
bool WalkRawFrames(std::span<const std::uint8_t> bytes, std::uint8_t major, Visit&& visit) {
    const std::size_t idBytes = major == 2 ? 3 : 4;
    const std::size_t headerBytes = major == 2 ? 6 : kId3FrameHeaderBytes;
    const CV24FrameEnds v24Ends(major == 4 ? bytes : std::span<const std::uint8_t>());
    std::size_t pos = 0;
    while (pos + headerBytes <= bytes.size()) {
        const std::uint8_t* p = bytes.data() + pos;
        if (p[0] == 0) return true;  // padding
        std::uint32_t size = 0;
        if (major == 2) {
            size = static_cast<std::uint32_t>(p[3]) << 16 | static_cast<std::uint32_t>(p[4]) << 8 | p[5];
        } else if (major == 3) {
            size = LoadBe32(p + 4);
        } else {
            size = V24FrameSize(p, pos + headerBytes, v24Ends);
        }
        if (size > bytes.size() - pos - headerBytes) return false;
        if (!IsFrameIdChar(p[0]) || !IsFrameIdChar(p[idBytes - 1])) return false;
        TRawFrame frame{std::string_view(reinterpret_cast<const char*>(p), idBytes),
                        bytes.subspan(pos + headerBytes, size)};
        if (major > 2) {
            frame.status = p[8];
            frame.format = p[9];
        }
        visit(frame);
        pos += headerBytes + size;
    }
    return true;
}

// A v2.2 picture names its image format in 3 characters where v2.3 has a
// MIME type: encoding, format, picture type, description, image.
void KeepV22Picture(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
    if (data.size() < 5) return;
    std::string format(reinterpret_cast<const char*>(data.data() + 1), 3);
    for (char& c : format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string mime = format == "jpg" ? "image/jpeg" : "image/" + format;
    std::vector<std::uint8_t> picture{data[0]};
    picture.insert(picture.end(), mime.begin(), mime.end());
    picture.push_back(0);
    picture.insert(picture.end(), data.begin() + 4, data.end());
    Keep(out, "APIC", picture);
}

// v2.2 frames with a v2.3 counterpart take its id; the others are dropped.
void KeepV22(const TRawFrame& frame, std::vector<std::uint8_t>& out) {
    if (frame.id == "PIC") {
        KeepV22Picture(frame.data, out);
        return;
    }
    for (const auto& pair : kV22Ids) {
        if (frame.id == pair[0]) {
            Keep(out, pair[1], frame.data);
            return;
        }
    }
}

void KeepV23(const TRawFrame& frame, std::vector<std::uint8_t>& out) {
    Keep(out, frame.id.data(), frame.data, static_cast<std::uint16_t>(frame.status << 8 | frame.format));
}

void KeepV24(const TRawFrame& frame, bool tagUnsynchronised, std::vector<std::uint8_t>& out) {
    // Compressed, encrypted or grouped frames cannot be carried over.
    if (frame.format & (kV24Compressed | kV24Encrypted | kV24Grouping)) return;
    std::vector<std::uint8_t> data;
    if (tagUnsynchronised || (frame.format & kV24Unsynchronised)) {
        data = Resynchronise(frame.data);
    } else {
        data.assign(frame.data.begin(), frame.data.end());
    }
    if (frame.format & kV24DataLength) {
        if (data.size() < 4) return;
        data.erase(data.begin(), data.begin() + 4);
    }
    // Status flags move one bit up in v2.3 (clause 3.3.1 of each).
    const std::uint16_t flags = static_cast<std::uint16_t>((frame.status & 0x70) << 9);
    if (frame.id == "TDRC") {
        Keep(out, "TYER", YearFromRecordingTime(data), flags);
        return;
    }
    std::vector<std::uint8_t> kept;
    if (ReencodeForV23(frame.id, data, kept)) Keep(out, frame.id.data(), kept, flags);
}

// Where the frames of a body with the extended-header flag start. Some
// taggers set the flag but write no extended header: a body that starts
// with a frame id has its frames at once. False when neither an extended
// header of a size the body can hold nor a frame is there.
bool FramesAfterExtendedHeader(std::uint8_t major, std::span<const std::uint8_t>& body) {
    if (IsFrameId(body)) return true;
    if (body.size() < 4) return false;
    // v2.3 counts the size field out, v2.4 (synchsafe) counts it in; either
    // way the smallest extended header is 6 bytes with its size field.
    const std::uint64_t extended = major == 3 ? 4 + std::uint64_t{LoadBe32(body.data())} : LoadSynchsafe32(body.data());
    if (extended < 6 || extended > body.size()) return false;
    body = body.subspan(static_cast<std::size_t>(extended));
    return true;
}

}  // namespace

std::uint64_t TId3TagHeader::TotalBytes() const {
    const bool footer = major == 4 && (flags & kFlagFooter) != 0;
    return kId3HeaderBytes + std::uint64_t{bodyBytes} + (footer ? kId3HeaderBytes : 0);
}

bool ParseId3TagHeader(std::span<const std::uint8_t> bytes, TId3TagHeader& header) {
    if (bytes.size() < kId3HeaderBytes || std::memcmp(bytes.data(), "ID3", 3) != 0) return false;
    if (bytes[3] == 0xFF || bytes[4] == 0xFF) return false;
    for (int i = 6; i < 10; ++i) {
        if (bytes[i] & 0x80) return false;
    }
    header.major = bytes[3];
    header.flags = bytes[5];
    header.bodyBytes = LoadSynchsafe32(bytes.data() + 6);
    return true;
}

TId3Normalized NormalizeId3Tag(const TId3TagHeader& header, std::span<const std::uint8_t> body) {
    TId3Normalized result;
    if (header.major < 2 || header.major > 4) return result;
    // v2.2's compression flag has no defined method: such a tag is unreadable.
    if (header.major == 2 && (header.flags & kFlagExtendedHeader)) return result;

    std::vector<std::uint8_t> resynced;
    const bool wholeTagUnsync = header.major < 4 && (header.flags & kFlagUnsynchronised);
    if (wholeTagUnsync) {
        resynced = Resynchronise(body);
        body = resynced;
    }
    if (header.major >= 3 && (header.flags & kFlagExtendedHeader) && !FramesAfterExtendedHeader(header.major, body)) {
        return result;
    }
    result.understood = true;
    const bool frameUnsync = header.major == 4 && (header.flags & kFlagUnsynchronised);
    result.complete = WalkRawFrames(body, header.major, [&](const TRawFrame& frame) {
        if (header.major == 2) {
            KeepV22(frame, result.frames);
        } else if (header.major == 3) {
            KeepV23(frame, result.frames);
        } else {
            KeepV24(frame, frameUnsync, result.frames);
        }
    });
    return result;
}

void AppendId3Frame(std::vector<std::uint8_t>& out, const char id[4], std::span<const std::uint8_t> data,
                    std::uint16_t flags) {
    out.insert(out.end(), id, id + 4);
    const std::uint32_t size = static_cast<std::uint32_t>(data.size());
    out.push_back(static_cast<std::uint8_t>(size >> 24));
    out.push_back(static_cast<std::uint8_t>(size >> 16));
    out.push_back(static_cast<std::uint8_t>(size >> 8));
    out.push_back(static_cast<std::uint8_t>(size));
    out.push_back(static_cast<std::uint8_t>(flags >> 8));
    out.push_back(static_cast<std::uint8_t>(flags));
    out.insert(out.end(), data.begin(), data.end());
}
