#include "songsmith/library/song_file_tag.h"

#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "filekit/log.h"
#include "filekit/ref_obj.h"
#include "platform/wave_format.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/library/genre_table.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/session/track_list.h"
#include "songsmith/library/wave_file_tag.h"
#include "songvault/records.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_obj.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/tags/music_info.h"

namespace {

// The genre text of a session track: the table's name, "N/A" past it.
const char* SessionGenreText(int number) {
    const char* name = GenreTableName(number);
    return name != nullptr ? name : "N/A";
}

// The converter type of a song format; FILE_CONVERSION_NONE for a format
// the library does not keep.
_tFileConversionTypedef ConverterOfFormat(int format) {
    switch (format) {
        case SVT_FORMAT_MP3: return FILE_CONVERSION_MP3;
        case SVT_FORMAT_WAV: return FILE_CONVERSION_WAV;
        case SVT_FORMAT_WMA: return FILE_CONVERSION_WMA;
        default: return FILE_CONVERSION_NONE;
    }
}

// An MP3 converter writes the tag type its target format carries.
void UseMp3TagType(CConv2FileObj& conv, std::int32_t tagType) {
    CConv2FileFormat wanted(WAVE_FORMAT_MPEGLAYER3);
    wanted.usePreset = 0;
    wanted.tagType = tagType == TAG_TYPE_ID3V1 || tagType == TAG_TYPE_ID3V2 ? tagType : TAG_TYPE_ID3V2;
    CConv2FileFormat target(WAVE_FORMAT_MPEGLAYER3);
    WAVEFORMATEX source{};
    source.wFormatTag = WAVE_FORMAT_PCM;
    source.nChannels = 2;
    source.nSamplesPerSec = 44100;
    source.wBitsPerSample = 16;
    source.nBlockAlign = 4;
    source.nAvgBytesPerSec = 44100 * 4;
    conv.GetTargetFormat(&target, &wanted, &source, nullptr, nullptr);
}

TFindTabTagHandler& FindHandler() {
    static TFindTabTagHandler handler;
    return handler;
}

}  // namespace

void SetFindTabTagHandler(TFindTabTagHandler handler) { FindHandler() = std::move(handler); }
const TFindTabTagHandler& FindTabTagHandler() { return FindHandler(); }

void FillSongTagInfo(const TSVT_Song& song, TMusicInfo& info) {
    info = TMusicInfo();
    CopyToField(FieldText(song.title), info.title);
    CopyToField(FieldText(song.artist), info.artist);
    CopyToField(FieldText(song.album), info.album);
    if (const char* genre = GenreTableName(song.genre)) CopyToField(genre, info.genre);
    CopyToField(FieldText(song.comment), info.comment);
    // The identifier fills its 8 bytes without a terminator: all 8 count.
    const std::size_t idLength = FieldText(song.cdId).size();
    std::memcpy(info.cdIdentifier, song.cdId, idLength);
    info.cdIdentifierLength = static_cast<std::uint32_t>(idLength);
    info.year = song.year;
    info.genreIndex = song.genre;
    info.trackNumber = song.track;
    info.trackCount = song.trackCount;
    info.tagType = song.tagType;
}

std::uint32_t ChangedTagFields(const TSVT_Song& before, const TSVT_Song& after) {
    std::uint32_t fields = 0;
    const auto differ = [&](std::uint32_t field, std::string_view was, std::string_view is) {
        if (was != is) fields |= field;
    };
    differ(kTagFieldTitle, FieldText(before.title), FieldText(after.title));
    differ(kTagFieldArtist, FieldText(before.artist), FieldText(after.artist));
    differ(kTagFieldAlbum, FieldText(before.album), FieldText(after.album));
    differ(kTagFieldComment, FieldText(before.comment), FieldText(after.comment));
    if (before.year != after.year) fields |= kTagFieldYear;
    if (before.genre != after.genre) fields |= kTagFieldGenre;
    return fields;
}

bool WriteSongFileTag(const TSVT_Song& before, const TSVT_Song& song) {
    const _tFileConversionTypedef type = ConverterOfFormat(song.format);
    if (type == FILE_CONVERSION_NONE) return true;
    // The record holds 63-byte copies of the file's texts: what the edit
    // did not change stays as the file has it, and an edit that changed
    // nothing of the tag leaves the file alone.
    const std::uint32_t fields = ChangedTagFields(before, song);
    if (fields == 0) return true;
    auto info = std::make_unique<TMusicInfo>();
    FillSongTagInfo(song, *info);
    // The WAV converter writes its INFO list only into a file it makes.
    if (type == FILE_CONVERSION_WAV) return WriteWaveFileTag(song.path, *info, fields);
    // The encoder library is not needed to write a tag: the first one is
    // named so the converter is made even when none is present.
    CConv2FileObj* conv = NewCConv2FileObj(type, 0);
    if (conv == nullptr) return false;
    if (type == FILE_CONVERSION_MP3) UseMp3TagType(*conv, song.tagType);
    conv->SetTagFields(fields);
    // The song's own tag is the source of everything the edit keeps:
    // pictures, lyrics and the other frames the engine does not show.
    CFileObj* source = new CFileObj;
    const bool written =
        source->Open(song.path, 0, 0) != 0 && conv->WriteTag(song.path, nullptr, info.get(), source) >= 0;
    source->Close();
    DeleteRefObject(&source);
    DeleteRefObject(&conv);
    return written;
}

void ReplaceSessionReference(const char* oldPath, const TSVT_Song& song, const char* logLine) {
    CTrackList* tracks = CdSessionTracks();
    if (tracks == nullptr || oldPath == nullptr) return;
    int serial = -1;
    tracks->Lock();
    if (CCDTrack* track = tracks->GetAt(tracks->FindByPath(oldPath))) {
        Log(logLine);
        TONECORE_CMusicInfo info = track->GetMusicInfo();
        CopyToField(FieldText(song.artist), info.artist);
        CopyToField(FieldText(song.album), info.album);
        CopyToField(FieldText(song.title), info.title);
        CopyToField(FieldText(song.path), info.path);
        CopyToField(SessionGenreText(song.genre), info.genre);
        info.genreIndex = song.genre;
        track->TakeSongInformation(info);
        serial = track->GetSerial();
    }
    tracks->Unlock();
    if (serial >= 0) RefreshSessionTrack(serial);
}
