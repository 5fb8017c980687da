// The ID3 tags of CConv2MP3's files: room for an ID3 v2 tag before the
// audio, and both tags written into the finished file.
#include <cstring>
#include <memory>
#include <new>
#include <span>

#include "platform/last_error.h"
#include "tonecore/convert/conv2mp3.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/tags/file_head_rewrite.h"
#include "tonecore/tags/id3_tag.h"
#include "tonecore/tags/id3v2_frames.h"
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

// What an ID3 v1 block says, into info.
void TakeId3v1(const char block[kId3v1Bytes], TMusicInfo& info) {
    CId3Tag v1;
    if (v1.loadTag(block) == 0) return;
    v1.getTitle(info.title, sizeof info.title);
    v1.getArtist(info.artist, sizeof info.artist);
    v1.getAlbum(info.album, sizeof info.album);
    v1.getComment(info.comment, sizeof info.comment);
    info.year = v1.getYear();
    info.genreIndex = v1.getGenreIndex();
    info.trackNumber = v1.getTrackNumber();
}

// The ID3 v2 frame of each field an edit may name.
struct TFieldFrame {
    std::uint32_t field;
    int frame;
};
constexpr TFieldFrame kFieldFrames[] = {
    {kTagFieldTitle, kId3Title}, {kTagFieldArtist, kId3Artist}, {kTagFieldAlbum, kId3Album},
    {kTagFieldComment, kId3Comment}, {kTagFieldYear, kId3Year}, {kTagFieldGenre, kId3Genre},
};

// The named fields of from, copied over to's.
void TakeFields(const TMusicInfo& from, std::uint32_t fields, TMusicInfo& to) {
    const auto take = [fields](std::uint32_t field, const char* source, char* target) {
        if ((fields & field) != 0) std::memcpy(target, source, TMusicInfo::kTextChars);
    };
    take(kTagFieldTitle, from.title, to.title);
    take(kTagFieldArtist, from.artist, to.artist);
    take(kTagFieldAlbum, from.album, to.album);
    take(kTagFieldComment, from.comment, to.comment);
    if ((fields & kTagFieldYear) != 0) to.year = from.year;
    if ((fields & kTagFieldGenre) != 0) {
        to.genreIndex = from.genreIndex;
        std::memcpy(to.genre, from.genre, sizeof to.genre);
    }
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
    const bool whole = tagFields_ == kTagFieldsAll;
    if (whole && song->title[0] == '\0') CreateDefaultTagTitleString(path, song->title);
    if (whole && song->encodedBy[0] == '\0' && text != nullptr) {
        textcopy::CopyTextCut(text, song->encodedBy, sizeof song->encodedBy);
    }

    // An ID3 v1 block already at the end is replaced, so that writing the
    // tags again does not pile blocks up behind the audio.
    char oldBlock[kId3v1Bytes] = {};
    const std::int64_t size = Size();
    bool hasV1 = false;
    if (size >= kId3v1Bytes) {
        if (Seek(size - kId3v1Bytes, 0) == 0 || Read(oldBlock, kId3v1Bytes) != kId3v1Bytes) {
            Close();
            return -1;
        }
        hasV1 = std::memcmp(oldBlock, "TAG", 3) == 0;
    }

    // Frames of the song's own tag that the engine does not understand
    // (pictures, lyrics) are carried into the new tag. An edit reads the
    // file's tag even without a source: it changes that tag.
    CId3TagV2 tag;
    CFileObj* from = source != nullptr ? source : whole ? nullptr : this;
    const bool readV2 = tagType_ == TAG_TYPE_ID3V2 && from != nullptr && (!whole || song->tagType == TAG_TYPE_ID3V2);
    if (readV2) tag.Read(from, 0);
    if (!whole) {
        // What the file holds, with only the named fields from the record.
        auto held = std::make_unique<TMusicInfo>();
        if (readV2 && tag.GetBytesUsed() > 0) {
            tag.GetMusicInfo(held.get());
        } else if (hasV1) {
            TakeId3v1(oldBlock, *held);
        }
        TakeFields(*song, tagFields_, *held);
        held->tagType = song->tagType;
        song = std::move(held);
    }

    char block[kId3v1Bytes];
    FillId3v1(*song, block);
    const std::span<const std::uint8_t> newTail(reinterpret_cast<const std::uint8_t*>(block), kId3v1Bytes);
    const std::uint64_t oldTail = hasV1 ? kId3v1Bytes : 0;
    std::int64_t result = kId3v1Bytes;
    // Every byte goes through one temporary file renamed over the song: the
    // file (and another link to it) is wholly old or wholly new.
    if (tagType_ == TAG_TYPE_ID3V2) {
        bool built = true;
        if (!whole && tag.Complete()) {
            // The frames of fields the edit leaves alone stay as they are.
            for (const TFieldFrame& named : kFieldFrames) {
                if ((tagFields_ & named.field) != 0) built = built && tag.UpdateFrame(named.frame, song.get(), true);
            }
        } else {
            built = tag.UpdateFromMusicInfo(song.get());
        }
        if (!built || !tag.WriteWithTail(this, oldTail, newTail)) {
            Close();
            return -1;
        }
        tagReserve_ = static_cast<std::int32_t>(tag.Size());
        result += tag.Size();
    } else {
        if (!RewriteFileEnds(*this, TFileRewrite{0, {}, oldTail, newTail})) {
            Close();
            return -1;
        }
        tagReserve_ = kId3v1Bytes;
    }
    Close();
    return result;
}
