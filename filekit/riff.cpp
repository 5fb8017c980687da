#include "filekit/riff.h"

#include <algorithm>

#include "filekit/errors.h"
#include "filekit/riff_format.h"
#include "platform/last_error.h"

namespace {

// What follows odd-sized chunk data.
constexpr unsigned char kPadByte = 0;

void StoreHeader(unsigned char* out, std::uint32_t id, std::uint32_t size) {
    StoreLe32(out, id);
    StoreLe32(out + 4, size);
}

std::uint32_t ClampToSize(std::int64_t value) {
    if (value < 0) return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(value), kRiffMaxSize));
}

}  // namespace

CRIFF::CRIFF(const CRIFF& other) { *this = other; }

CRIFF& CRIFF::operator=(const CRIFF& other) {
    if (this == &other) return *this;
    // Take the new reference before dropping the old one: both may be the
    // same stream, whose last reference this could be.
    if (other.stream_ != nullptr) other.stream_->AddReference();
    Close();
    stream_ = other.stream_;
    level_ = other.level_;
    stack_ = other.stack_;
    riffHeader_ = other.riffHeader_;
    riffOffset_ = other.riffOffset_;
    parent_ = other.parent_;
    parentOffset_ = other.parentOffset_;
    parentLimit_ = other.parentLimit_;
    sub_ = other.sub_;
    subOffset_ = other.subOffset_;
    writing_ = other.writing_;
    streamCount_ = other.streamCount_;
    streamHeaderOffset_ = other.streamHeaderOffset_;
    padOddChunks_ = other.padOddChunks_;
    return *this;
}

CRIFF::~CRIFF() { CRIFF::Close(); }

void CRIFF::Close() {
    CRefObj* stream = stream_;
    stream_ = nullptr;
    DeleteRefObject(&stream);
    Reset();
}

void CRIFF::Reset() {
    level_ = -1;
    riffHeader_ = {};
    riffOffset_ = 0;
    parent_ = {};
    parentOffset_ = 0;
    parentLimit_ = kNoLimit;
    sub_ = {};
    subOffset_ = 0;
    writing_ = 0;
    streamCount_ = 0;
    streamHeaderOffset_ = -1;
}

bool CRIFF::Ready() {
    if (stream_ != nullptr && level_ >= 0) return true;
    SetLastError(FILEKIT_ERR_RIFF_STREAM);
    return false;
}

bool CRIFF::ReadHeaderAt(std::int64_t offset, _subChunk* out) {
    unsigned char raw[kRiffChunkHeaderBytes];
    if (offset < 0 || !stream_->Seek(offset, 0) || stream_->Read(raw, kRiffChunkHeaderBytes) != kRiffChunkHeaderBytes) return false;
    out->id = LoadLe32(raw);
    out->size = LoadLe32(raw + 4);
    return true;
}

bool CRIFF::ReadListHeaderAt(std::int64_t offset, _chunkInfo* out) {
    unsigned char raw[kRiffListHeaderBytes];
    if (offset < 0 || !stream_->Seek(offset, 0) ||
        stream_->Read(raw, kRiffListHeaderBytes) != kRiffListHeaderBytes) {
        return false;
    }
    out->id = LoadLe32(raw);
    out->size = LoadLe32(raw + 4);
    out->type = LoadLe32(raw + 8);
    return true;
}

bool CRIFF::WriteBytesAt(std::int64_t offset, const unsigned char* bytes, std::int64_t len) {
    return stream_->Seek(offset, 0) && stream_->Write(bytes, len) == len;
}

std::int64_t CRIFF::ParentEnd() const {
    return std::min(parentOffset_ + kRiffChunkHeaderBytes + static_cast<std::int64_t>(parent_.size), parentLimit_);
}

bool CRIFF::PlausibleIdAt(std::int64_t offset, std::int64_t end) {
    if (offset + kRiffChunkHeaderBytes > end) return false;
    unsigned char id[4];
    if (!stream_->Seek(offset, 0) || stream_->Read(id, 4) != 4) return false;
    return std::all_of(id, id + 4, [](unsigned char c) { return c >= 0x20 && c <= 0x7e; });
}

// Where the chunk after the one at offset starts: the parent's end, or a
// point past the chunk's header. Sizes are 32-bit unsigned and offsets 64-bit,
// so no size can move a walk backwards or hold it in place.
//
// Odd-sized data is normally padded to an even length, but some files (ours
// with padding off, older writers) have no pad. The pad byte is assumed when
// the unpadded offset holds no plausible chunk id and the padded one does
// (a pad is a zero byte, never part of an id), or when it is the parent's
// last byte.
std::int64_t CRIFF::NextChunkOffset(std::int64_t offset, std::uint32_t size, std::int64_t end) {
    // A header outside the parent (an empty parent) has nothing after it.
    if (offset + kRiffChunkHeaderBytes > end) return end;
    const std::int64_t next = offset + kRiffChunkHeaderBytes + size;
    if ((size & 1u) == 0 || next >= end) return next;
    if (next + 1 == end) return end;
    if (!PlausibleIdAt(next, end) && PlausibleIdAt(next + 1, end)) return next + 1;
    return next;
}

// Makes the first sub-chunk of the current parent current. When the parent
// is too small to hold a header, the bytes there belong to whatever follows
// it, so the current sub-chunk becomes an empty one at that offset.
int CRIFF::ReadFirstSubChunk(std::uint32_t shortReadCode) {
    const std::int64_t first = parentOffset_ + kRiffListHeaderBytes;
    _subChunk header;
    if (!ReadHeaderAt(first, &header)) {
        SetLastError(shortReadCode);
        return 0;
    }
    if (first + kRiffChunkHeaderBytes > ParentEnd()) header = {};
    sub_ = header;
    subOffset_ = first;
    return 1;
}

int CRIFF::Open(CRefObj* stream, _chunkInfo* out) {
    Close();
    if (stream == nullptr || !stream->IsOpen()) {
        SetLastError(FILEKIT_ERR_RIFF_STREAM);
        return 0;
    }
    // The stream is used without a reference until the file proves readable.
    stream_ = stream;
    const auto abandon = [this] {
        stream_ = nullptr;
        Reset();
        return 0;
    };
    const std::int64_t start = stream->Tell();
    _chunkInfo header;
    if (!ReadListHeaderAt(start, &header)) return abandon();
    if (header.id != RIFF_ID_RIFF) {
        SetLastError(FILEKIT_ERR_NOT_RIFF);
        return abandon();
    }
    if (out != nullptr) *out = header;
    // A size never patched (a crashed writer) covers the rest of the stream.
    // The size counts the form type, so that is everything after the size
    // field.
    if (header.size == 0) header.size = ClampToSize(stream->Size() - start - kRiffChunkHeaderBytes);
    riffHeader_ = header;
    riffOffset_ = start;
    parent_ = header;
    parentOffset_ = start;
    parentLimit_ = kNoLimit;
    if (!ReadFirstSubChunk(FILEKIT_ERR_RIFF_READ)) return abandon();
    SetLastError(ERROR_SUCCESS);
    level_ = 0;
    stream->AddReference();
    stream->Seek(start, 0);
    return 1;
}

void CRIFF::GetCurrentChunkInfo(_chunkInfo* parent, _subChunk* sub) const {
    if (parent != nullptr) *parent = parent_;
    if (sub != nullptr) *sub = sub_;
}

int CRIFF::Descend() {
    if (!Ready()) return 0;
    if (sub_.id != RIFF_ID_LIST) return 0;
    if (level_ >= kMaxLevels - 1) {
        SetLastError(FILEKIT_ERR_RIFF_TOO_DEEP);
        return 0;
    }
    if (!stream_->Seek(subOffset_, 0)) return 0;
    _chunkInfo list;
    if (!ReadListHeaderAt(subOffset_, &list)) {
        SetLastError(FILEKIT_ERR_RIFF_SHORT_HEADER);
        return 0;
    }
    // On failure below the reader stays where it was.
    const _chunkInfo oldParent = parent_;
    const std::int64_t oldOffset = parentOffset_;
    const std::int64_t oldLimit = parentLimit_;
    const _subChunk oldSub = sub_;
    const std::int64_t oldSubOffset = subOffset_;

    // A list read from a file may claim more than its parent holds; its walk
    // stops at the parent's end. A list being written grows as it goes.
    const std::int64_t limit = writing_ ? kNoLimit : ParentEnd();
    parent_ = list;
    parentOffset_ = oldSubOffset;
    parentLimit_ = limit;
    subOffset_ = parentOffset_ + kRiffListHeaderBytes;
    if (!writing_ && !ReadFirstSubChunk(FILEKIT_ERR_RIFF_READ)) {
        parent_ = oldParent;
        parentOffset_ = oldOffset;
        parentLimit_ = oldLimit;
        sub_ = oldSub;
        subOffset_ = oldSubOffset;
        return 0;
    }
    stack_[static_cast<std::size_t>(level_)] = TLevel{oldOffset, oldLimit};
    ++level_;
    SetLastError(ERROR_SUCCESS);
    return 1;
}

int CRIFF::Ascend() {
    if (!Ready() || level_ <= 0) return 0;
    const TLevel& outer = stack_[static_cast<std::size_t>(level_ - 1)];
    _chunkInfo header;
    if (!ReadListHeaderAt(outer.offset, &header)) {
        SetLastError(FILEKIT_ERR_RIFF_SHORT_HEADER);
        return 0;
    }
    // The form's size on disk may be 0 (never patched); the one taken at
    // Open, or kept while writing, is the one to walk by.
    if (level_ - 1 == 0) header = riffHeader_;
    sub_ = _subChunk{parent_.id, parent_.size};
    subOffset_ = parentOffset_;
    parent_ = header;
    parentOffset_ = outer.offset;
    parentLimit_ = outer.limit;
    --level_;
    SetLastError(ERROR_SUCCESS);
    return 1;
}

int CRIFF::SeekToLevelBeginning() {
    if (!Ready() || !ReadFirstSubChunk(FILEKIT_ERR_RIFF_SHORT_HEADER)) return 0;
    SetLastError(ERROR_SUCCESS);
    return 1;
}

int CRIFF::SeekToNextChunk() {
    if (!Ready()) return 0;
    const std::int64_t end = ParentEnd();
    const std::int64_t next = NextChunkOffset(subOffset_, sub_.size, end);
    if (next == end) return 0;  // the normal end of the parent
    // A chunk is reachable when its header fits in the parent.
    if (next + kRiffChunkHeaderBytes > end) {
        SetLastError(FILEKIT_ERR_RIFF_END);
        return 0;
    }
    _subChunk header;
    if (!ReadHeaderAt(next, &header)) {
        SetLastError(FILEKIT_ERR_RIFF_READ);
        return 0;
    }
    sub_ = header;
    subOffset_ = next;
    SetLastError(ERROR_SUCCESS);
    return 1;
}

int CRIFF::SeekToPreviousChunk() {
    if (!Ready()) return 0;
    const std::int64_t first = parentOffset_ + kRiffListHeaderBytes;
    if (subOffset_ <= first) {
        SetLastError(FILEKIT_ERR_RIFF_END);
        return 0;
    }
    const std::int64_t end = ParentEnd();
    std::int64_t at = first;
    _subChunk header;
    for (;;) {
        if (!ReadHeaderAt(at, &header)) {
            stream_->Seek(subOffset_, 0);
            SetLastError(FILEKIT_ERR_RIFF_READ);
            return 0;
        }
        const std::int64_t next = NextChunkOffset(at, header.size, end);
        if (next >= subOffset_ || next <= at) break;
        at = next;
    }
    sub_ = header;
    subOffset_ = at;
    SetLastError(ERROR_SUCCESS);
    return 1;
}

// A streamed "data" chunk whose size was never patched (its writer stopped
// before the end) holds the rest of the stream.
void CRIFF::RecoverUnpatchedData(_subChunk* header, std::int64_t offset) {
    if (header->id == RIFF_ID_DATA && header->size == 0) {
        header->size = ClampToSize(stream_->Size() - offset - kRiffChunkHeaderBytes);
    }
}

int CRIFF::SeekToChunk(std::uint32_t id, int searchPastCurrent, int keepPosition) {
    if (!Ready()) return 0;
    const std::int64_t noted = stream_->Tell();
    if (searchPastCurrent == 0 && sub_.id == id) {
        RecoverUnpatchedData(&sub_, subOffset_);
        SetLastError(ERROR_SUCCESS);
        return 1;
    }
    const std::int64_t end = ParentEnd();
    std::int64_t candidate = NextChunkOffset(subOffset_, sub_.size, end);
    const auto fail = [&](std::uint32_t code, bool restore) {
        if (restore) stream_->Seek(noted, 0);
        SetLastError(code);
        return 0;
    };
    // Nothing has moved yet (the pad check may have read ahead).
    if (candidate + kRiffChunkHeaderBytes > end) return fail(FILEKIT_ERR_RIFF_END, true);
    _subChunk header;
    for (;;) {
        if (!ReadHeaderAt(candidate, &header)) return fail(FILEKIT_ERR_RIFF_READ, keepPosition != 0);
        if (keepPosition == 0) {
            sub_ = header;
            subOffset_ = candidate;
        }
        if (header.id == id) break;
        candidate = NextChunkOffset(candidate, header.size, end);
        if (candidate + kRiffChunkHeaderBytes > end) return fail(FILEKIT_ERR_RIFF_END, keepPosition != 0);
    }
    RecoverUnpatchedData(&header, candidate);
    sub_ = header;
    subOffset_ = candidate;
    if (!stream_->Seek(candidate + kRiffChunkHeaderBytes, 0)) return fail(FILEKIT_ERR_RIFF_READ, false);
    SetLastError(ERROR_SUCCESS);
    return 1;
}

int CRIFF::SeekToChunkAtOffset(std::int64_t offset) {
    if (!Ready()) return 0;
    if (offset < parentOffset_ || offset >= ParentEnd()) {
        SetLastError(FILEKIT_ERR_RIFF_END);
        return 0;
    }
    const std::int64_t noted = stream_->Tell();
    _subChunk header;
    if (!ReadHeaderAt(offset, &header)) {
        stream_->Seek(noted, 0);
        SetLastError(FILEKIT_ERR_RIFF_END);
        return 0;
    }
    sub_ = header;
    subOffset_ = offset;
    return 1;
}

std::int64_t CRIFF::ReadCurrentSubChunk(void* buf, std::int64_t len) {
    if (!Ready()) return -1;
    if (!stream_->Seek(subOffset_ + kRiffChunkHeaderBytes, 0)) return -1;
    // Never past the chunk's own data, whatever the buffer could take.
    const std::int64_t want = buf == nullptr ? 0 : std::clamp<std::int64_t>(len, 0, sub_.size);
    const std::int64_t got = want > 0 ? std::max<std::int64_t>(stream_->Read(buf, want), 0) : 0;
    if (got != static_cast<std::int64_t>(sub_.size)) SetLastError(FILEKIT_ERR_RIFF_READ);
    return got;
}

std::int64_t CRIFF::Read(void* buf, std::int64_t len) {
    if (stream_ == nullptr) {
        SetLastError(FILEKIT_ERR_RIFF_STREAM);
        return 0;
    }
    const std::int64_t got = (buf != nullptr && len > 0) ? std::max<std::int64_t>(stream_->Read(buf, len), 0) : 0;
    if (got != std::max<std::int64_t>(len, 0)) SetLastError(FILEKIT_ERR_RIFF_READ);
    return got;
}

int CRIFF::Create(CRefObj* stream, std::uint32_t formType) {
    Close();
    if (stream == nullptr || !stream->IsOpen() || stream->WriteMode() == 0) {
        SetLastError(FILEKIT_ERR_RIFF_STREAM);
        return 0;
    }
    stream_ = stream;
    stream->AddReference();
    streamCount_ = 0;
    writing_ = 1;
    riffHeader_ = _chunkInfo{RIFF_ID_RIFF, 4, formType};
    parent_ = riffHeader_;
    unsigned char raw[kRiffListHeaderBytes];
    StoreHeader(raw, RIFF_ID_RIFF, 4);
    StoreLe32(raw + 8, formType);
    if (!WriteBytesAt(0, raw, kRiffListHeaderBytes)) {
        Close();
        return 0;
    }
    riffOffset_ = 0;
    parentOffset_ = 0;
    subOffset_ = kRiffListHeaderBytes;
    sub_ = {};
    SetLastError(ERROR_SUCCESS);
    level_ = 0;
    return 1;
}

// A write that would take the RIFF size past its 32-bit field is refused
// before anything reaches the stream, so the file stays valid.
bool CRIFF::RoomInRiff(std::uint64_t add) {
    if (static_cast<std::uint64_t>(riffHeader_.size) + add <= kRiffMaxSize) return true;
    SetLastError(FILEKIT_ERR_RIFF_READ);
    return false;
}

std::int64_t CRIFF::AppendOffset() const {
    return riffOffset_ + kRiffChunkHeaderBytes + static_cast<std::int64_t>(riffHeader_.size);
}

int CRIFF::GrowParentsKeepingPosition(std::int64_t add) {
    const std::int64_t position = stream_->Tell();
    const int result = UpdateAllMasterChunks(add);
    stream_->Seek(position, 0);
    return result;
}

int CRIFF::WriteSubChunk(std::uint32_t id, const void* data, std::int64_t len) {
    if (!Ready()) return 0;
    if (len < 0 || (len > 0 && data == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::int64_t pad = PadFor(len);
    if (!RoomInRiff(static_cast<std::uint64_t>(len + pad) + kRiffChunkHeaderBytes)) return 0;
    unsigned char raw[kRiffChunkHeaderBytes];
    StoreHeader(raw, id, static_cast<std::uint32_t>(len));
    if (!WriteBytesAt(AppendOffset(), raw, kRiffChunkHeaderBytes)) return 0;
    if (len > 0 && stream_->Write(data, len) != len) return 0;
    if (pad != 0 && stream_->Write(&kPadByte, 1) != 1) return 0;
    subOffset_ += len + pad + kRiffChunkHeaderBytes;
    return GrowParentsKeepingPosition(len + pad + kRiffChunkHeaderBytes);
}

std::int64_t CRIFF::Write(const void* buf, std::int64_t len) {
    if (!Ready() || buf == nullptr || len <= 0) return 0;
    // Records that write themselves field by field (song information in a
    // session) do so inside a streamed chunk: their bytes belong to that
    // chunk, whose size and parents are patched when it ends.
    if (streamHeaderOffset_ >= 0) return WriteStreamData(buf, len);
    if (!RoomInRiff(static_cast<std::uint64_t>(len))) return 0;
    const std::int64_t count = std::max<std::int64_t>(stream_->Write(buf, len), 0);
    subOffset_ += count;
    if (count > 0) GrowParentsKeepingPosition(count);
    return count;
}

int CRIFF::WriteListChunkHeader(std::uint32_t listType) {
    if (!Ready() || !RoomInRiff(kRiffListHeaderBytes)) return 0;
    const std::int64_t at = AppendOffset();
    unsigned char raw[kRiffListHeaderBytes];
    StoreHeader(raw, RIFF_ID_LIST, 4);
    StoreLe32(raw + 8, listType);
    if (!WriteBytesAt(at, raw, kRiffListHeaderBytes)) return 0;
    // The list becomes the current sub-chunk so that Descend enters it.
    sub_ = _subChunk{RIFF_ID_LIST, 4};
    subOffset_ = at;
    return GrowParentsKeepingPosition(kRiffListHeaderBytes);
}

int CRIFF::StartWriteStream(std::uint32_t id) {
    if (!Ready()) return 0;
    streamCount_ = 0;
    if (!RoomInRiff(kRiffChunkHeaderBytes)) return 0;
    const std::int64_t at = AppendOffset();
    unsigned char raw[kRiffChunkHeaderBytes];
    StoreHeader(raw, id, 0);
    if (!WriteBytesAt(at, raw, kRiffChunkHeaderBytes)) return 0;
    streamHeaderOffset_ = at;
    return 1;
}

std::int64_t CRIFF::WriteStreamData(const void* data, std::int64_t len) {
    if (!Ready() || streamHeaderOffset_ < 0 || data == nullptr || len <= 0) return 0;
    // The chunk's header, everything streamed so far and a pad byte join the
    // RIFF size at the end; this piece must still fit then.
    if (!RoomInRiff(kRiffChunkHeaderBytes + static_cast<std::uint64_t>(streamCount_) + static_cast<std::uint64_t>(len) +
                    (padOddChunks_ ? 1 : 0))) {
        return 0;
    }
    const std::int64_t count = std::max<std::int64_t>(stream_->Write(data, len), 0);
    streamCount_ += count;
    return count;
}

int CRIFF::EndWriteStream() {
    if (!Ready() || streamHeaderOffset_ < 0) return 0;
    std::int64_t position = stream_->Tell();
    const std::int64_t count = streamCount_;
    const std::int64_t dataEnd = streamHeaderOffset_ + kRiffChunkHeaderBytes + count;
    const std::int64_t pad = PadFor(count);
    if (pad != 0 && !WriteBytesAt(dataEnd, &kPadByte, 1)) return 0;
    // A stream left at the end of the data moves past the pad with it.
    if (position == dataEnd) position += pad;
    UpdateChunk(streamHeaderOffset_, count);
    const int result = UpdateAllMasterChunks(count + pad + kRiffChunkHeaderBytes);
    subOffset_ = dataEnd + pad;
    streamCount_ = 0;
    streamHeaderOffset_ = -1;
    stream_->Seek(position, 0);
    return result;
}

int CRIFF::UpdateChunk(std::int64_t offset, std::int64_t add) {
    _subChunk header;
    if (!ReadHeaderAt(offset, &header)) return 0;
    unsigned char raw[kRiffChunkHeaderBytes];
    StoreHeader(raw, header.id, header.size + static_cast<std::uint32_t>(add));
    return WriteBytesAt(offset, raw, kRiffChunkHeaderBytes) ? 1 : 0;
}

// Adds add to the size of every open parent, on disk and in memory: first the
// lists around the current parent, then the current parent, then the form.
int CRIFF::UpdateAllMasterChunks(std::int64_t add) {
    for (int i = level_ - 1; i >= 1; --i) {
        if (!UpdateChunk(stack_[static_cast<std::size_t>(i)].offset, add)) return 0;
    }
    riffHeader_.size += static_cast<std::uint32_t>(add);
    parent_.size += static_cast<std::uint32_t>(add);
    if (parentOffset_ != riffOffset_ && !UpdateChunk(parentOffset_, add)) return 0;
    return UpdateChunk(riffOffset_, add);
}
