#pragma once
// CRIFF reads and writes RIFF chunk trees over any data stream.
//
// As a reader it holds one current parent (the RIFF form or a "LIST" it has
// descended into) and one current sub-chunk inside that parent, and walks the
// sub-chunks forward and back. As a writer it appends chunks at the end of the
// RIFF data and keeps the size field of every open parent correct on disk
// after each write; a streamed chunk gets its own size when it is ended.
//
// Odd-sized chunk data is followed by one zero pad byte, as RIFF requires and
// other readers expect; the chunk's size field keeps the odd size, and every
// parent counts the pad. Formats whose layout is fixed without pads turn
// padding off with SetPadOddChunks(false) before writing. The reader accepts
// files with and without pads (see NextChunkOffset).
//
// Results follow the library's convention: 1 or a count on success, 0 (or -1
// where stated) on failure with the reason in the thread's last error.

#include <array>
#include <cstdint>
#include <limits>

#include "filekit/ref_obj.h"

// A parent chunk as callers see it: id, size and form or list type.
struct _chunkInfo {
    std::uint32_t id = 0;
    std::uint32_t size = 0;
    std::uint32_t type = 0;
};

// A sub-chunk as callers see it: id and size.
struct _subChunk {
    std::uint32_t id = 0;
    std::uint32_t size = 0;
};

class CRIFF {
public:
    CRIFF() = default;
    // Copies share the stream and take a reference of their own on it.
    CRIFF(const CRIFF& other);
    CRIFF& operator=(const CRIFF& other);
    virtual ~CRIFF();
    // Releases the stream reference and goes back to the unopened state.
    virtual void Close();

    // Reading. Open reads the RIFF header at the stream's position and the
    // first sub-chunk header, then seeks back to the RIFF header. A stored
    // RIFF size of 0 (never patched) is taken as the rest of the stream; out
    // receives the header as stored.
    int Open(CRefObj* stream, _chunkInfo* out);
    void GetCurrentChunkInfo(_chunkInfo* parent, _subChunk* sub) const;
    // Enters the current sub-chunk, which must be a "LIST".
    int Descend();
    // Leaves the current list; the list becomes the current sub-chunk.
    int Ascend();
    int SeekToLevelBeginning();
    int SeekToNextChunk();
    int SeekToPreviousChunk();
    // Looks forward from the current sub-chunk for id. searchPastCurrent 0
    // accepts the current one; keepPosition 1 leaves the current sub-chunk and
    // the stream position as they were when nothing is found. A found chunk
    // leaves the stream at its data.
    int SeekToChunk(std::uint32_t id, int searchPastCurrent, int keepPosition);
    // Makes the chunk whose header starts at offset current.
    int SeekToChunkAtOffset(std::int64_t offset);
    // Reads the current sub-chunk's data, at most len bytes and never more
    // than the chunk holds. -1 when the data cannot be reached.
    std::int64_t ReadCurrentSubChunk(void* buf, std::int64_t len);
    // Reads at the stream's position; returns the count.
    std::int64_t Read(void* buf, std::int64_t len);

    // Writing. Create starts a new file at stream offset 0.
    int Create(CRefObj* stream, std::uint32_t formType);
    // Whether WriteSubChunk and EndWriteStream follow odd-sized data with a
    // pad byte. On by default; kept by Create, Close and copies.
    void SetPadOddChunks(bool pad) { padOddChunks_ = pad; }
    bool PadsOddChunks() const { return padOddChunks_; }
    int WriteSubChunk(std::uint32_t id, const void* data, std::int64_t len);
    // Writes at the stream's position and grows every open parent by the
    // count. Raw bytes: no pad is added, whatever the count. While a
    // streamed chunk is open the bytes are its data, as WriteStreamData.
    std::int64_t Write(const void* buf, std::int64_t len);
    // Appends a list header; Descend then enters it.
    int WriteListChunkHeader(std::uint32_t listType);
    int StartWriteStream(std::uint32_t id);
    std::int64_t WriteStreamData(const void* data, std::int64_t len);
    std::int64_t CurrentStreamDataCount() const { return streamCount_; }
    int EndWriteStream();

    // -1 before Open/Create, 0 at the RIFF form, +1 per Descend.
    int LevelsDown() const { return level_; }
    // The stream, without adding a reference.
    CRefObj* GetRefObj() const { return stream_; }

    // Parents the level stack holds; the deepest level is one less.
    static constexpr int kMaxLevels = 50;

private:
    struct TLevel {
        std::int64_t offset = 0;  // stream offset of the parent's header
        std::int64_t limit = 0;   // end set by the parents around it
    };

    static constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();

    int UpdateChunk(std::int64_t offset, std::int64_t add);
    int UpdateAllMasterChunks(std::int64_t add);

    bool Ready();
    bool ReadHeaderAt(std::int64_t offset, _subChunk* out);
    bool ReadListHeaderAt(std::int64_t offset, _chunkInfo* out);
    bool WriteBytesAt(std::int64_t offset, const unsigned char* bytes, std::int64_t len);
    // The pad byte that follows len bytes of chunk data: 1 or 0.
    std::int64_t PadFor(std::int64_t len) const { return padOddChunks_ && (len & 1) != 0 ? 1 : 0; }
    // First byte after the current parent, never beyond the parents around it.
    std::int64_t ParentEnd() const;
    std::int64_t NextChunkOffset(std::int64_t offset, std::uint32_t size, std::int64_t end);
    bool PlausibleIdAt(std::int64_t offset, std::int64_t end);
    int ReadFirstSubChunk(std::uint32_t shortReadCode);
    void RecoverUnpatchedData(_subChunk* header, std::int64_t offset);
    bool RoomInRiff(std::uint64_t add);
    // Where the next chunk is appended: the end of the RIFF data.
    std::int64_t AppendOffset() const;
    // Patches the parents for add bytes, then puts the stream back where it was.
    int GrowParentsKeepingPosition(std::int64_t add);
    void Reset();

    CRefObj* stream_ = nullptr;
    int level_ = -1;
    std::array<TLevel, kMaxLevels> stack_{};
    _chunkInfo riffHeader_;
    std::int64_t riffOffset_ = 0;
    _chunkInfo parent_;
    std::int64_t parentOffset_ = 0;
    std::int64_t parentLimit_ = kNoLimit;
    _subChunk sub_;
    // Offset of the current sub-chunk's header; the write cursor when writing.
    std::int64_t subOffset_ = 0;
    int writing_ = 0;
    std::int64_t streamCount_ = 0;
    std::int64_t streamHeaderOffset_ = -1;  // -1: no streamed chunk open
    bool padOddChunks_ = true;
};
