#include "tonecore/tags/id3_tag.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "filekit/file_obj.h"
#include "platform/last_error.h"
#include "tonecore/engine/byte_fields.h"
#include "tonecore/tags/file_head_rewrite.h"
#include "tonecore/tags/id3v2_frames.h"
#include "tonecore/tags/id3v2_normalize.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/tags/tag_errors.h"
#include "utilities/text_copy.h"

namespace {

using bytefields::LoadBe32;

constexpr std::uint32_t kSizeFieldAt = 6;
// Largest data size the header's 28 size bits can state.
constexpr std::uint32_t kMaxDataSize = (1u << 28) - CId3TagV2::kSizeStep;
// Texts handed to the Update calls are cut to fit the record's fields.
constexpr std::size_t kTextBytes = TMusicInfo::kTextChars;

bool Fail(std::uint32_t code) {
    SetLastError(code);
    return false;
}

// The whole ID3 v2 tag at the start of the file (header, body, footer), or 0
// when the file does not begin with one; never more than the file holds.
std::uint64_t MeasureFileTag(CFileObj& file) {
    std::uint8_t head[kId3HeaderBytes];
    if (!file.Seek(0, 0) || file.Read(head, sizeof head) != static_cast<std::int64_t>(sizeof head)) return 0;
    TId3TagHeader header;
    if (!ParseId3TagHeader(head, header)) return 0;
    const std::int64_t size = file.Size();
    return std::min<std::uint64_t>(header.TotalBytes(), size < 0 ? 0 : static_cast<std::uint64_t>(size));
}

template <std::size_t N>
bool CopyText(const char (&field)[N], char* out) {
    if (out != nullptr) textcopy::CopyTextCut(std::string_view(field, strnlen(field, N)), out, N);
    return true;
}

template <std::size_t N>
void SetText(char (&field)[N], const char* text) {
    textcopy::CopyTextCut(text == nullptr ? "" : text, field, std::min(N, kTextBytes));
}

}  // namespace

CId3TagV2::CId3TagV2(std::uint32_t dataSize) {
    Init(dataSize);
}

void CId3TagV2::Init(std::uint32_t dataSize) {
    std::memcpy(header_, "ID3", 3);
    header_[3] = 3;  // version 2.3
    header_[4] = 0;  // revision
    header_[5] = 0;  // flags
    SetSize(dataSize);
    area_.clear();
    used_ = -1;
    readValid_ = false;
    broken_ = false;
    previousSize_ = 0;
    resized_ = false;
}

void CId3TagV2::SetSize(std::uint32_t n) {
    n = std::min(n, kMaxDataSize);
    dataSize_ = n < kSizeStep ? kSizeStep : (n + kSizeStep - 1) / kSizeStep * kSizeStep;
    bytefields::StoreSynchsafe32(header_ + kSizeFieldAt, dataSize_);
}

bool CId3TagV2::MakeArea() {
    if (area_.size() == dataSize_) return true;
    try {
        area_.resize(dataSize_, 0);
    } catch (const std::bad_alloc&) {
        area_.clear();
        return Fail(TONECORE_ERR_TAG_MEMORY);
    }
    return true;
}

std::uint8_t* CId3TagV2::Data() {
    return MakeArea() ? area_.data() : nullptr;
}

bool CId3TagV2::Resize(std::uint32_t n) {
    const std::uint32_t used = area_.empty() ? 0 : GetBytesUsed();
    std::vector<std::uint8_t> old;
    old.swap(area_);
    previousSize_ = dataSize_;
    SetSize(n);
    if (!MakeArea()) {
        area_.swap(old);
        SetSize(previousSize_);
        return false;
    }
    const std::size_t keep = std::min<std::size_t>({used, old.size(), area_.size()});
    std::copy_n(old.begin(), keep, area_.begin());
    used_ = static_cast<std::int64_t>(keep);
    resized_ = true;
    return true;
}

bool CId3TagV2::PlainFrame(TFrameSpot spot) const {
    // v2.3 frame flags, second byte: compressed (0x80) or encrypted (0x40)
    // data cannot be read as it stands.
    return (area_[spot.offset + 9] & 0xC0) == 0;
}

template <typename Visit>
bool CId3TagV2::WalkFrames(Visit&& visit) {
    if (area_.empty()) return Fail(TONECORE_ERR_ID3_TAG);
    std::uint64_t pos = 0;
    while (pos + kId3FrameHeaderBytes < area_.size()) {
        const std::uint32_t size = LoadBe32(area_.data() + pos + 4);
        if (size == 0) {
            used_ = static_cast<std::int64_t>(pos);
            return true;
        }
        // The frame's header counts too: it must end inside the area.
        if (pos + kId3FrameHeaderBytes + size > area_.size()) return Fail(TONECORE_ERR_ID3_TAG);
        const char* id = reinterpret_cast<const char*>(area_.data() + pos);
        if (!visit(id, TFrameSpot{static_cast<std::uint32_t>(pos), size})) return true;
        pos += kId3FrameHeaderBytes + size;
    }
    used_ = static_cast<std::int64_t>(std::min<std::uint64_t>(pos, area_.size()));
    return true;
}

std::uint32_t CId3TagV2::GetBytesUsed() {
    if (used_ >= 0) return static_cast<std::uint32_t>(used_);
    if (!WalkFrames([](const char*, TFrameSpot) { return true; })) return 0;
    return static_cast<std::uint32_t>(used_);
}

std::uint32_t CId3TagV2::ReadSize(CFileObj* file) {
    std::uint8_t head[kId3HeaderBytes];
    TId3TagHeader header;
    if (file == nullptr || !file->Seek(0, 0) ||
        file->Read(head, sizeof head) != static_cast<std::int64_t>(sizeof head) || !ParseId3TagHeader(head, header) ||
        header.bodyBytes == 0) {
        Fail(TONECORE_ERR_ID3_TAG);
        return 0;
    }
    return header.bodyBytes;
}

bool CId3TagV2::WriteSize(CFileObj* file) {
    if (file == nullptr || !file->Seek(kSizeFieldAt, 0)) return false;
    return file->Write(header_ + kSizeFieldAt, 4) == 4;
}

bool CId3TagV2::WriteHeader(CFileObj* file) {
    if (file == nullptr) return false;
    return file->Write(header_, sizeof header_) == static_cast<std::int64_t>(sizeof header_);
}

bool CId3TagV2::Read(CFileObj* file, std::uint32_t n) {
    readValid_ = false;
    broken_ = false;
    if (file == nullptr || !MakeArea()) return Fail(TONECORE_ERR_ID3_TAG);
    if (n > dataSize_ && !Resize(n)) return Fail(TONECORE_ERR_ID3_TAG);
    std::fill(area_.begin(), area_.end(), 0);
    used_ = 0;

    std::uint8_t head[kId3HeaderBytes];
    TId3TagHeader header;
    if (!file->Seek(0, 0) || file->Read(head, sizeof head) != static_cast<std::int64_t>(sizeof head) ||
        !ParseId3TagHeader(head, header)) {
        return Fail(TONECORE_ERR_ID3_TAG);
    }
    // From here on the file has a tag: until it is read whole, the area holds
    // at most the frames in front of a break, and is not edited frame by
    // frame (written back, it would lose what lay behind the break).
    broken_ = true;
    // Only the bytes the file holds, however large the size field claims.
    const std::int64_t fileSize = file->Size();
    const std::uint64_t present = fileSize > 10 ? static_cast<std::uint64_t>(fileSize) - kId3HeaderBytes : 0;
    std::vector<std::uint8_t> body(static_cast<std::size_t>(std::min<std::uint64_t>(header.bodyBytes, present)));
    const std::int64_t got = file->Read(body.data(), static_cast<std::int64_t>(body.size()));
    if (got < 0) return Fail(TONECORE_ERR_ID3_TAG);
    body.resize(static_cast<std::size_t>(got));

    const TId3Normalized normalized = NormalizeId3Tag(header, body);
    if (normalized.frames.size() > dataSize_) {
        if (normalized.frames.size() > kMaxDataSize) return Fail(TONECORE_ERR_ID3_TAG);
        SetSize(static_cast<std::uint32_t>(normalized.frames.size()));
        if (!MakeArea()) return false;
    }
    std::copy(normalized.frames.begin(), normalized.frames.end(), area_.begin());
    used_ = static_cast<std::int64_t>(normalized.frames.size());
    readValid_ = normalized.understood && normalized.complete && body.size() == header.bodyBytes;
    if (!readValid_) return Fail(TONECORE_ERR_ID3_TAG);
    broken_ = false;
    return true;
}

bool CId3TagV2::Write(CFileObj* file) { return WriteWithTail(file, 0, {}); }

bool CId3TagV2::WriteWithTail(CFileObj* file, std::uint64_t oldTailBytes, std::span<const std::uint8_t> newTail) {
    if (area_.empty()) return Fail(TONECORE_ERR_ID3_TAG);
    if (file == nullptr || !file->IsOpen()) return Fail(TONECORE_ERR_ID3_TAG);
    std::vector<std::uint8_t> tag(header_, header_ + sizeof header_);
    tag.insert(tag.end(), area_.begin(), area_.end());
    if (!RewriteFileEnds(*file, TFileRewrite{MeasureFileTag(*file), tag, oldTailBytes, newTail})) return false;
    resized_ = false;
    return true;
}

bool CId3TagV2::Complete() const { return !area_.empty() && !broken_; }

bool CId3TagV2::CreateInitialTagV2(CFileObj* file) {
    if (file == nullptr || !MakeArea()) return Fail(TONECORE_ERR_ID3_TAG);
    if (file->Size() > 0) return Write(file);
    // A new, empty file: nothing in it can be lost.
    return WriteHeader(file) &&
           file->Write(area_.data(), static_cast<std::int64_t>(area_.size())) == static_cast<std::int64_t>(area_.size());
}

bool CId3TagV2::ReadFrames(TMusicInfo& info, int onlyIndex, bool* found) {
    bool corrupt = false;
    TId3FrameWalk walk;
    const bool walked = WalkFrames([&](const char* id, TFrameSpot spot) {
        const int index = Id3FrameIndex(id);
        if (index < 0 || (onlyIndex >= 0 && index != onlyIndex) || !PlainFrame(spot)) return true;
        if (found != nullptr) *found = true;
        const std::uint8_t* data = area_.data() + spot.offset + kId3FrameHeaderBytes;
        if (!ReadId3Frame(index, {data, spot.dataSize}, info, &walk)) {
            corrupt = true;
            return false;
        }
        return true;
    });
    if (corrupt) return Fail(TONECORE_ERR_ID3_TAG);
    return walked;
}

bool CId3TagV2::GetMusicInfo(TMusicInfo* info) {
    if (info == nullptr) return Fail(TONECORE_ERR_ID3_TAG);
    return ReadFrames(*info, -1, nullptr);
}

bool CId3TagV2::UpdateFromMusicInfo(const TMusicInfo* info) {
    if (info == nullptr) return Fail(TONECORE_ERR_ID3_TAG);
    // Frames the engine does not understand (pictures, lyrics, ...) stay.
    std::vector<std::uint8_t> others;
    if (!area_.empty()) {
        WalkFrames([&](const char* id, TFrameSpot spot) {
            if (Id3FrameIndex(id) < 0) {
                const auto* frame = area_.data() + spot.offset;
                others.insert(others.end(), frame, frame + kId3FrameHeaderBytes + spot.dataSize);
            }
            return true;
        });
    }
    std::vector<std::uint8_t> frames;
    for (int index = 0; index < kId3UnderstoodFrames; ++index) {
        const auto data = BuildId3Frame(index, *info);
        if (!data.empty()) AppendId3Frame(frames, Id3FrameId(index), data);
    }
    frames.insert(frames.end(), others.begin(), others.end());
    if (frames.size() > kMaxDataSize) return Fail(TONECORE_ERR_ID3_TAG);

    const std::uint32_t keepSize = dataSize_;
    Init(std::max<std::uint32_t>(keepSize, static_cast<std::uint32_t>(frames.size())));
    if (!MakeArea()) return false;
    std::copy(frames.begin(), frames.end(), area_.begin());
    used_ = static_cast<std::int64_t>(frames.size());
    return true;
}

bool CId3TagV2::FindFrame(const char id[4], std::uint32_t* offset, std::uint32_t* size) {
    bool found = false;
    WalkFrames([&](const char* frameId, TFrameSpot spot) {
        if (std::memcmp(frameId, id, 4) != 0) return true;
        found = true;
        if (offset != nullptr) *offset = spot.offset;
        if (size != nullptr) *size = spot.dataSize;
        return false;
    });
    return found;
}

bool CId3TagV2::GetFrame(int index, TMusicInfo* info) {
    const char* id = Id3FrameId(index);
    if (id == nullptr || info == nullptr) return false;
    if (index == kId3Comment) {
        // Of several comment frames the one GetMusicInfo takes.
        bool found = false;
        return ReadFrames(*info, index, &found) && found;
    }
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    if (!FindFrame(id, &offset, &size) || !PlainFrame(TFrameSpot{offset, size})) return false;
    if (!ReadId3Frame(index, {area_.data() + offset + kId3FrameHeaderBytes, size}, *info)) {
        return Fail(TONECORE_ERR_ID3_TAG);
    }
    return true;
}

bool CId3TagV2::UpdateFrame(int index, const TMusicInfo* info, bool replace) {
    const char* id = Id3FrameId(index);
    if (id == nullptr || info == nullptr || !MakeArea()) return false;
    // Written back, a tag read only in part would lose the frames behind its
    // break: only a rebuild from a record (UpdateFromMusicInfo) replaces it.
    if (broken_) return Fail(TONECORE_ERR_ID3_TAG);
    std::uint32_t offset = 0;
    std::uint32_t oldData = 0;
    const bool exists = FindFrame(id, &offset, &oldData);
    if (exists && !replace) return true;
    const std::uint32_t used = GetBytesUsed();
    if (used == 0 && used_ < 0) return false;  // a corrupt area is not edited

    std::vector<std::uint8_t> frame;
    const auto data = BuildId3Frame(index, *info);
    if (!data.empty()) AppendId3Frame(frame, id, data);
    const std::uint64_t oldSize = exists ? kId3FrameHeaderBytes + std::uint64_t{oldData} : 0;
    const std::uint64_t newUsed = used + frame.size() - oldSize;
    if (newUsed > kMaxDataSize) return Fail(TONECORE_ERR_ID3_TAG);
    if (newUsed > dataSize_ && !Resize(static_cast<std::uint32_t>(newUsed))) return false;

    // Splice within the used bytes, then pad the rest of the area with zeros.
    std::vector<std::uint8_t> frames(area_.begin(), area_.begin() + used);
    const std::uint32_t at = exists ? offset : used;
    frames.erase(frames.begin() + at, frames.begin() + at + static_cast<std::ptrdiff_t>(oldSize));
    frames.insert(frames.begin() + at, frame.begin(), frame.end());
    std::fill(area_.begin(), area_.end(), 0);
    std::copy(frames.begin(), frames.end(), area_.begin());
    used_ = static_cast<std::int64_t>(frames.size());
    return true;
}

TMusicInfo CId3TagV2::FrameRecord(int index) {
    // A missing frame leaves the fresh record's empty values.
    TMusicInfo info;
    GetFrame(index, &info);
    return info;
}

bool CId3TagV2::GetArtist(char* out) { return CopyText(FrameRecord(kId3Artist).artist, out); }
bool CId3TagV2::GetAlbum(char* out) { return CopyText(FrameRecord(kId3Album).album, out); }
bool CId3TagV2::GetTitle(char* out) { return CopyText(FrameRecord(kId3Title).title, out); }
bool CId3TagV2::GetComments(char* out) { return CopyText(FrameRecord(kId3Comment).comment, out); }
bool CId3TagV2::GetEncoder(char* out) { return CopyText(FrameRecord(kId3Encoder).encodedBy, out); }
bool CId3TagV2::GetCopyright(char* out) { return CopyText(FrameRecord(kId3Copyright).copyright, out); }
bool CId3TagV2::GetGenre(char* out) { return CopyText(FrameRecord(kId3Genre).genre, out); }

bool CId3TagV2::GetMCDI(unsigned char* out, unsigned int* length) {
    const TMusicInfo info = FrameRecord(kId3CdIdentifier);
    if (out != nullptr) std::memcpy(out, info.cdIdentifier, info.cdIdentifierLength);
    if (length != nullptr) *length = info.cdIdentifierLength;
    return true;
}

bool CId3TagV2::GetYear(std::int32_t* year) {
    if (year != nullptr) *year = FrameRecord(kId3Year).year;
    return true;
}

bool CId3TagV2::GetGenreIndex(int* index) {
    if (index != nullptr) *index = FrameRecord(kId3Genre).genreIndex;
    return true;
}

bool CId3TagV2::GetTrack(int* track, int* count) {
    const TMusicInfo info = FrameRecord(kId3Track);
    if (track != nullptr) *track = info.trackNumber;
    if (count != nullptr) *count = info.trackCount;
    return true;
}

bool CId3TagV2::UpdateText(int index, const char* text, bool replace) {
    TMusicInfo info;
    // By frame index: the six text fields come first in the table.
    char* fields[] = {info.artist, info.album, info.title, info.comment, info.encodedBy, info.copyright};
    textcopy::CopyTextCut(text == nullptr ? "" : text, fields[index], kTextBytes);
    return UpdateFrame(index, &info, replace);
}

bool CId3TagV2::UpdateArtist(const char* text, bool replace) { return UpdateText(kId3Artist, text, replace); }
bool CId3TagV2::UpdateAlbum(const char* text, bool replace) { return UpdateText(kId3Album, text, replace); }
bool CId3TagV2::UpdateTitle(const char* text, bool replace) { return UpdateText(kId3Title, text, replace); }
bool CId3TagV2::UpdateComments(const char* text, bool replace) { return UpdateText(kId3Comment, text, replace); }
bool CId3TagV2::UpdateEncoder(const char* text, bool replace) { return UpdateText(kId3Encoder, text, replace); }
bool CId3TagV2::UpdateCopyright(const char* text, bool replace) { return UpdateText(kId3Copyright, text, replace); }

bool CId3TagV2::UpdateMCDI(const unsigned char* bytes, unsigned int length, bool replace) {
    TMusicInfo info;
    info.cdIdentifierLength = std::min<unsigned int>(length, kCdIdentifierBytes);
    if (bytes != nullptr) std::memcpy(info.cdIdentifier, bytes, info.cdIdentifierLength);
    return UpdateFrame(kId3CdIdentifier, &info, replace);
}

bool CId3TagV2::UpdateYear(std::int32_t year, bool replace) {
    TMusicInfo info;
    info.year = year;
    return UpdateFrame(kId3Year, &info, replace);
}

bool CId3TagV2::UpdateGenre(const char* text, bool replace) {
    TMusicInfo info;
    SetText(info.genre, text);
    return UpdateFrame(kId3Genre, &info, replace);
}

bool CId3TagV2::UpdateGenreIndex(int index, bool replace) {
    TMusicInfo info;
    info.genreIndex = index;
    return UpdateFrame(kId3Genre, &info, replace);
}

bool CId3TagV2::UpdateTrack(int track, int count, bool replace) {
    TMusicInfo info;
    info.trackNumber = track;
    info.trackCount = count;
    return UpdateFrame(kId3Track, &info, replace);
}
