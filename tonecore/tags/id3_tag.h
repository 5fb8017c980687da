#pragma once
// The ID3 v2 tag at the start of an MP3 file, kept in memory as a v2.3 frame
// area: frames back to back from the area's start, zero bytes after them as
// padding. Tags of versions 2.2, 2.3 and 2.4 are read (see
// id3v2_normalize.h); v2.3 is written. Ten frames are understood (see
// id3v2_frames.h); every other frame is carried along untouched.
//
// Writing never edits a file in place: the new file (tag, then the audio
// from behind the file's old tag, whatever its size or version) is written
// beside it and renamed over it, so an interrupted write leaves the song as
// it was.

#include <cstdint>
#include <span>
#include <vector>

#include "tonecore/tags/music_info.h"

class CFileObj;

class CId3TagV2 {
public:
    // The frame area grows in steps of this many bytes.
    static constexpr std::uint32_t kSizeStep = 2048;

    explicit CId3TagV2(std::uint32_t dataSize = kSizeStep);
    CId3TagV2(const CId3TagV2&) = default;
    CId3TagV2& operator=(const CId3TagV2&) = default;
    ~CId3TagV2() = default;

    // A new v2.3 header for dataSize; no area yet.
    void Init(std::uint32_t dataSize);
    // The data size becomes n rounded up to a multiple of 2048 (at least
    // 2048), also in the header's size bytes.
    void SetSize(std::uint32_t n);
    // The whole tag in the file: data size + 10.
    std::uint32_t Size() const { return dataSize_ + 10; }
    std::uint32_t DataSize() const { return dataSize_; }
    // The frame area, made zero-filled on first use; null when memory cannot
    // be had (TONECORE_ERR_TAG_MEMORY).
    std::uint8_t* Data();
    // Grows (or shrinks) the area to SetSize(n), keeping the used bytes.
    bool Resize(std::uint32_t n);
    // Bytes the frames occupy; 0 with TONECORE_ERR_ID3_TAG when a frame runs
    // past the area.
    std::uint32_t GetBytesUsed();
    const std::uint8_t* Header() const { return header_; }
    bool ReadValid() const { return readValid_; }
    // The area holds frames that may be edited one by one: none was lost to
    // a break in the file's tag (a file without a tag has an empty area).
    bool Complete() const;

    // The data size in the file's tag header (offset 6); 0 with
    // TONECORE_ERR_ID3_TAG when the file has no tag header.
    std::uint32_t ReadSize(CFileObj* file);
    // Write the 4 size bytes at offset 6, or the header at the current
    // position, in place; true when every byte was written.
    bool WriteSize(CFileObj* file);
    bool WriteHeader(CFileObj* file);

    // Reads the file's tag (any version from 2.2 to 2.4) into the area as
    // v2.3 frames. n above the data size grows the area first (0: the data
    // size). False when the file has no tag, the tag is of a kind that
    // cannot be read, it is cut short or one of its frames cannot be walked.
    // The frames in front of such a break are kept in the area, so that
    // GetMusicInfo still reads them; UpdateFrame then refuses (writing the
    // tag back would lose what lay behind the break) until UpdateFromMusicInfo
    // rebuilds the whole tag.
    bool Read(CFileObj* file, std::uint32_t n);
    // Replaces the file's tag (its real extent, whatever its size or
    // version) with this one, moving the audio when the size differs,
    // through a temporary file and a rename. The file object is reopened on
    // the new file, positioned after the tag. False, with the file as it
    // was, on any failure.
    bool Write(CFileObj* file);
    // The same, and in the same rewrite the file's last oldTailBytes bytes
    // (an ID3 v1 block) become newTail.
    bool WriteWithTail(CFileObj* file, std::uint64_t oldTailBytes, std::span<const std::uint8_t> newTail);
    // For a new file before its audio: the header and area at the current
    // position of an empty file; a file with content goes through Write.
    bool CreateInitialTagV2(CFileObj* file);

    // Reads every understood frame into info (which the caller initialised);
    // false with TONECORE_ERR_ID3_TAG for no area or a corrupt frame.
    bool GetMusicInfo(TMusicInfo* info);
    // Rewrites the area: every understood frame that has a value, in table
    // order, then the frames the engine does not understand, as they were.
    bool UpdateFromMusicInfo(const TMusicInfo* info);
    // The first frame with that id: offset of its header in the area and its
    // data size.
    bool FindFrame(const char id[4], std::uint32_t* offset, std::uint32_t* size);
    // One understood frame by its index (id3v2_frames.h).
    bool GetFrame(int index, TMusicInfo* info);
    bool UpdateFrame(int index, const TMusicInfo* info, bool replace);

    // One field each: read from its frame into out (empty, 0, 255 or -1 when
    // the frame is missing), or set through UpdateFrame. Text outputs are
    // 1024 bytes; the CD identifier 804.
    bool GetArtist(char* out);
    bool GetAlbum(char* out);
    bool GetTitle(char* out);
    bool GetComments(char* out);
    bool GetEncoder(char* out);
    bool GetCopyright(char* out);
    bool GetGenre(char* out);
    bool GetMCDI(unsigned char* out, unsigned int* length);
    bool GetYear(std::int32_t* year);
    bool GetGenreIndex(int* index);
    bool GetTrack(int* track, int* count);
    bool UpdateArtist(const char* text, bool replace);
    bool UpdateAlbum(const char* text, bool replace);
    bool UpdateTitle(const char* text, bool replace);
    bool UpdateComments(const char* text, bool replace);
    bool UpdateEncoder(const char* text, bool replace);
    bool UpdateCopyright(const char* text, bool replace);
    bool UpdateGenre(const char* text, bool replace);
    // Fills only the identifier and its length: the record's track count
    // stays -1, so no frame is written through this call.
    bool UpdateMCDI(const unsigned char* bytes, unsigned int length, bool replace);
    bool UpdateYear(std::int32_t year, bool replace);
    bool UpdateGenreIndex(int index, bool replace);
    bool UpdateTrack(int track, int count, bool replace);

private:
    struct TFrameSpot {
        std::uint32_t offset = 0;  // of the frame header
        std::uint32_t dataSize = 0;
    };
    // Walks the frames; calls visit(id, spot) for each until it returns
    // false. False with TONECORE_ERR_ID3_TAG when a frame runs past the area.
    template <typename Visit>
    bool WalkFrames(Visit&& visit);
    bool MakeArea();
    // Whether a frame's data can be read as it stands.
    bool PlainFrame(TFrameSpot spot) const;
    // Reads the understood frames, or those of onlyIndex (>= 0), into info;
    // *found tells whether one was there.
    bool ReadFrames(TMusicInfo& info, int onlyIndex, bool* found);
    // A fresh record with one understood frame read into it.
    TMusicInfo FrameRecord(int index);
    bool UpdateText(int index, const char* text, bool replace);

    std::uint8_t header_[10];
    std::vector<std::uint8_t> area_;  // empty until made
    std::uint32_t dataSize_ = kSizeStep;
    std::int64_t used_ = -1;  // -1: not yet known
    bool readValid_ = false;
    bool broken_ = false;  // a tag was found but read only in part
    std::uint32_t previousSize_ = 0;
    bool resized_ = false;
};
