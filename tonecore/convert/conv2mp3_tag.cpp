// The ID3 tags of CConv2MP3's files: room for an ID3 v2 tag before the
// audio, and both tags written into the finished file.
#include <cstring>
#include <memory>
#include <new>

#include "platform/last_error.h"
#include "tonecore/convert/conv2mp3.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/tags/id3_tag.h"
#include "tonecore/tags/id3v1.h"
#include "tonecore/tags/tag_errors.h"
#include "utilities/text_copy.h"

namespace {

void FillId3v1(const TMusicInfo& info, char block[kId3v1Bytes]) {
    CId3Tag v1;
    v1.setTrackNumber(info.trackNumber);
    v1.setTitle(info.title);
    v1.setArtist(info.artist);
    v1.setAlbum(info.album);
    v1.setComment(info.comment);
    v1.setGenreIndex(info.genreIndex);
    v1.setYear(info.year);
    v1.saveTag(block);
}

}  // namespace

std::int64_t CConv2MP3::ReserveTagSpace() {
    if (tagType_ != TAG_TYPE_ID3V2) return 0;
    CId3TagV2 tag(static_cast<std::uint32_t>(tagReserve_));
    if (!tag.CreateInitialTagV2(this)) return -1;
    return tag.Size();
}

std::int64_t CConv2MP3::WriteTag(const char* path, const char* text, TMusicInfo* info, CFileObj* source) {
    if (tagType_ == TAG_TYPE_NONE) return 0;
    if (tagType_ != TAG_TYPE_ID3V1 && tagType_ != TAG_TYPE_ID3V2) {
        SetLastError(TONECORE_ERR_ID3_TAG);
        return -1;
    }
    if (Open(path, 0, 1) == 0) return -1;
    // The caller's record is not changed: the defaults below are for the
    // tag only.
    std::unique_ptr<TMusicInfo> song(info != nullptr ? new (std::nothrow) TMusicInfo(*info)
                                                     : new (std::nothrow) TMusicInfo());
    if (song == nullptr) {
        Close();
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return -1;
    }
    if (song->title[0] == '\0') CreateDefaultTagTitleString(path, song->title);
    if (song->encodedBy[0] == '\0' && text != nullptr) {
        textcopy::CopyTextCut(text, song->encodedBy, sizeof song->encodedBy);
    }

    // An ID3 v1 block already at the end is replaced, so that writing the
    // tags again does not pile blocks up behind the audio.
    char block[kId3v1Bytes];
    FillId3v1(*song, block);
    const std::int64_t size = Size();
    std::int64_t at = size;
    if (size >= kId3v1Bytes) {
        char tail[3] = {};
        if (Seek(size - kId3v1Bytes, 0) == 0 || Read(tail, sizeof tail) != sizeof tail) {
            Close();
            return -1;
        }
        if (std::memcmp(tail, "TAG", 3) == 0) at = size - kId3v1Bytes;
    }
    if (Seek(at, 0) == 0 || Write(block, kId3v1Bytes) != kId3v1Bytes) {
        Close();
        return -1;
    }
    tagReserve_ = kId3v1Bytes;
    std::int64_t result = kId3v1Bytes;

    if (tagType_ == TAG_TYPE_ID3V2) {
        CId3TagV2 tag;
        // Frames of the song's own tag that the engine does not understand
        // (pictures, lyrics) are carried into the new tag.
        if (song->tagType == TAG_TYPE_ID3V2 && source != nullptr) tag.Read(source, 0);
        // The old tag's whole extent is replaced, whatever its size: the
        // audio behind it is moved rather than overwritten.
        if (!tag.UpdateFromMusicInfo(song.get()) || Seek(0, 0) == 0 || !tag.CreateInitialTagV2(this)) {
            Close();
            return -1;
        }
        tagReserve_ = static_cast<std::int32_t>(tag.Size());
        result += tag.Size();
    }
    Close();
    return result;
}
