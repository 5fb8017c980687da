#include "tonecore/load/initial_load.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "filekit/file_obj.h"
#include "filekit/path_helpers.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/engine_startup.h"
#include "tonecore/tags/id3_tag.h"
#include "tonecore/load/initial_load_source.h"
#include "tonecore/tags/mp3_info.h"
#include "tonecore/load/mp3_source_format.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/load/wma_errors.h"
#include "tonecore/load/wma_object.h"
#include "tonecore/load/xam_object.h"
#include "utilities/text_copy.h"

namespace {

constexpr std::uint16_t kWmaFormatTag = 0x161;

// Fails with code in the thread's last error.
int Fail(std::uint32_t code) {
    SetLastError(code);
    return 0;
}

}  // namespace

CInitialLoad::~CInitialLoad() {
    ReleaseSeekMap(&seekMap_);
    DropPeaks();
}

void CInitialLoad::DropPeaks() {
    delete peaks_;
    peaks_ = nullptr;
}

int CInitialLoad::DoInitialLoad(CRefObj* source, int buildSeekMap, int scanA, int buildPeaks,
                                int scanB, std::int32_t msPerPeak, TScanProgress callback,
                                void* context) {
    SetLastError(0);
    cancelled_ = false;
    if (source == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    const std::int64_t start = source->Tell();
    const char* path = SourcePath(source);
    CRIFF riff;
    _chunkInfo form;
    if (riff.Open(source, &form) == 0 || form.id != RIFF_ID_RIFF) {
        source->Seek(start, 0);
        SetLastError(0);
        if (HasMpegExtension(path))
            return LoadMpeg(source, buildSeekMap, scanA, buildPeaks, scanB, msPerPeak, callback,
                            context);
        if (path != nullptr && HasFileExtension(path, "wma") != 0) {
            if (ParseWMA(source) == 0) return 0;
            ParseScanAndBuildForCompressed(source, scanA, buildPeaks, scanB, 0, msPerPeak, callback,
                                           context);
            return cancelled_ ? 0 : 1;
        }
        return 0;
    }
    if (form.type == FourCC("WAVE"))
        return LoadWave(source, riff, path, buildSeekMap, scanA, buildPeaks, scanB, msPerPeak,
                        callback, context);
    if (form.type == FourCC("RMP3"))
        return LoadRmp3(source, riff, buildSeekMap, scanA, buildPeaks, scanB, msPerPeak, callback,
                        context);
    if (HasMpegExtension(path)) {
        source->Seek(start, 0);
        SetLastError(0);
        return LoadMpeg(source, buildSeekMap, scanA, buildPeaks, scanB, msPerPeak, callback,
                        context);
    }
    return Fail(TONECORE_ERR_NOT_LOADABLE);
}

int CInitialLoad::LoadMpeg(CRefObj* source, int buildSeekMap, int scanA, int buildPeaks, int scanB,
                           std::int32_t msPerPeak, TScanProgress callback, void* context) {
    if (ParseMP3(source) == 0) return 0;
    ParseScanAndBuildForCompressed(source, scanA, buildPeaks, scanB, buildSeekMap, msPerPeak,
                                   callback, context);
    return FinishMpegLoad();
}

int CInitialLoad::LoadWave(CRefObj* source, CRIFF& riff, const char* path, int buildSeekMap,
                           int scanA, int buildPeaks, int scanB, std::int32_t msPerPeak,
                           TScanProgress callback, void* context) {
    const std::int64_t start = source->Tell();
    if (!ReadWaveFormat(source, riff, sourceFormat_)) return 0;
    WAVEFORMATEX* format = Format();
    if (format->wFormatTag == WAVE_FORMAT_PCM) {
        if (ValidateFormat(format, WAVE_FORMAT_PCM) == 0) return Fail(TONECORE_ERR_BAD_PCM_FORMAT);
        sourceFormat_.resize(sizeof(WAVEFORMATEX));
    } else if (format->wFormatTag == WAVE_FORMAT_MPEGLAYER3) {
        source->Seek(start, 0);
        return LoadMpeg(source, buildSeekMap, scanA, buildPeaks, scanB, msPerPeak, callback,
                        context);
    } else if (format->wFormatTag == kWmaFormatTag && GetWMADecoderFlag() != 0) {
        return 0;
    } else {
        // Compressed PCM needs a codec that takes the format; without one it
        // is refused, never played as if it were PCM.
        auto codec = std::unique_ptr<ACMObject>(new (std::nothrow) ACMObject(
            format, static_cast<std::uint32_t>(sourceFormat_.size()), kAcmUseDecode));
        if (!codec) return Fail(TONECORE_ERR_OUT_OF_MEMORY);
        if (SoundEngineStarted() == 0 || codec->ActivateDriver(1) == 0 ||
            codec->SuggestPCMFormat() == 0) {
            if (SoundEngineStarted() != 0 && HasMpegExtension(path)) {
                source->Seek(start, 0);
                return LoadMpeg(source, buildSeekMap, scanA, buildPeaks, scanB, msPerPeak, callback,
                                context);
            }
            return Fail(TONECORE_ERR_BAD_PCM_FORMAT);
        }
        decoder_ = std::move(codec);
    }
    if (!FindWaveData(source, riff, dataStart_, dataEnd_)) return 0;
    if (source->SetDataOffsets(dataStart_, dataEnd_) == 0) return Fail(TONECORE_ERR_DATA_RANGE);
    SetMusInfoFromWaveInfo(source, &riff);
    SetLastError(0);
    loaded_ = 1;
    if (decoder_) {
        ParseScanAndBuildForCompressed(source, scanA, buildPeaks, scanB, 0, msPerPeak, callback,
                                       context);
        return cancelled_ ? 0 : 1;
    }
    if (buildPeaks != 0) {
        ParsePeaksForUncompressed(source, 0, msPerPeak, callback, context);
        return cancelled_ ? 0 : 1;
    }
    length_ = LengthOfBytes(dataEnd_ - dataStart_, format->nAvgBytesPerSec);
    return callback != nullptr ? callback(0, context) : 1;
}

int CInitialLoad::LoadRmp3(CRefObj* source, CRIFF& riff, int buildSeekMap, int scanA,
                           int buildPeaks, int scanB, std::int32_t msPerPeak,
                           TScanProgress callback, void* context) {
    std::int64_t chunkStart = 0;
    std::int64_t chunkEnd = 0;
    if (!FindWaveData(source, riff, chunkStart, chunkEnd)) return 0;
    source->Seek(chunkStart, 0);
    if (ParseMP3(source) == 0) return Fail(TONECORE_ERR_NO_MP3_FRAME);
    // MPEG data that runs on past the "data" chunk is cut at its end.
    if (dataEnd_ > chunkEnd) {
        dataEnd_ = std::max(dataStart_, chunkEnd);
        if (source->SetDataOffsets(dataStart_, dataEnd_) == 0) return Fail(TONECORE_ERR_DATA_RANGE);
    }
    ParseScanAndBuildForCompressed(source, scanA, buildPeaks, scanB, buildSeekMap, msPerPeak,
                                   callback, context);
    return FinishMpegLoad();
}

int CInitialLoad::FinishMpegLoad() {
    if (cancelled_) return 0;
    // Headers that looked like frames but none decoded (a free-format
    // stream, damaged or random bytes): a sound of no length would never
    // play nor finish.
    if (scanDecodedNothing_) return Fail(TONECORE_ERR_NO_MP3_FRAME);
    return 1;
}

int CInitialLoad::ParseMP3(CRefObj* source) {
    CMP3Info info;
    if (source == nullptr || info.loadInfo(source) != CMP3Info::kLoaded)
        return Fail(TONECORE_ERR_NO_MP3_FRAME);
    dataStart_ = info.DataStart();
    dataEnd_ = info.DataEnd();
    const TMp3SourceFormat format = MakeMp3SourceFormat(info);
    sourceFormat_.assign(reinterpret_cast<const std::uint8_t*>(&format),
                         reinterpret_cast<const std::uint8_t*>(&format) + sizeof format);
    SetMusInfoFromMP3Info(source, &info);
    if (SoundEngineStarted() != 0) {
        auto xam =
            std::unique_ptr<XAMObject>(new (std::nothrow) XAMObject(&format.wfx, kAcmUseDecode));
        if (!xam) return Fail(TONECORE_ERR_OUT_OF_MEMORY);
        xam->SetBitRate(info.getBitrate() * 1000);
        xam->SetBestBitRate(info.BestBitrate() * 1000);
        xam->SetVBR(info.isVBitRate());
        xam->SetLayer(info.getLayer());
        // The stream's own rate: frame durations and sizes depend on it, not
        // on the rate class the destination is chosen by.
        xam->SetFrequency(info.getFrequency());
        xam->SetAverageFrameSize(info.GetAverageFrameSize());
        xam->SetVersion(info.getZeVersion());
        xam->SetMode(info.BestMode());
        xam->SetFirstFrameDecodesToCDQuality(
            info.getFrequency() == 44100 && info.Channels() == 2 ? 1 : 0);
        if (xam->ActivateDriver(1) == 0 || xam->SuggestPCMFormat() == 0)
            return Fail(TONECORE_ERR_MP3_FORMAT);
        decoder_ = std::move(xam);
    }
    if (source->SetDataOffsets(dataStart_, dataEnd_) == 0) return Fail(TONECORE_ERR_DATA_RANGE);
    SetLastError(0);
    loaded_ = 1;
    return 1;
}

int CInitialLoad::ParseWMA(CRefObj* source) {
    if (source == nullptr || SoundEngineStarted() == 0) return 0;
    // Without the media module's decoder a WMA song cannot be read at all.
    if (GetWMADecoderFlag() == 0) return Fail(TONECORE_ERR_WMA_EXPORT_MISSING);
    const WAVEFORMATEX format = WMAObject::LoadStartFormat();
    auto reader = std::unique_ptr<WMAObject>(new (std::nothrow) WMAObject(&format, kAcmUseDecode));
    musicInfo_.reset(new (std::nothrow) TMusicInfo());
    if (!reader || !musicInfo_) return Fail(TONECORE_ERR_OUT_OF_MEMORY);
    if (!reader->LoadInfo(source, musicInfo_.get())) return 0;
    musicInfo_->copyrighted = musicInfo_->copyright[0] != '\0' ? 1 : 0;
    loaded_ = 1;
    const auto* own = reinterpret_cast<const std::uint8_t*>(reader->GetSrcFormat());
    sourceFormat_.assign(own, own + sizeof(WAVEFORMATEX));
    // The object that read the file hands over to a copy that decodes it,
    // which reopens the file by its name.
    decoder_.reset(reader->Copy());
    if (!decoder_) return Fail(TONECORE_ERR_OUT_OF_MEMORY);
    reader.reset();
    source->SeekToData(0);
    dataStart_ = source->Tell();
    dataEnd_ = dataStart_ + source->DataSize();
    return 1;
}

int CInitialLoad::SetMusInfoFromMP3Info(CRefObj* source, CMP3Info* info) {
    if (info == nullptr) return 0;
    musicInfo_.reset(new (std::nothrow) TMusicInfo());
    if (!musicInfo_) return Fail(TONECORE_ERR_OUT_OF_MEMORY);
    TMusicInfo& music = *musicInfo_;
    if (info->GetTagType() == TAG_TYPE_ID3V2) {
        if (source != nullptr && source->Type() == CFileObj::kFileType) {
            CId3TagV2 tag;
            // A tag that breaks part-way still gives the frames in front of
            // the break: a read that fails keeps them in the area.
            tag.Read(static_cast<CFileObj*>(source),
                     static_cast<std::uint32_t>(info->GetTagSize()));
            tag.GetMusicInfo(&music);
        }
    } else if (info->isTagged() != 0) {
        info->getTitle(music.title, sizeof music.title);
        info->getArtist(music.artist, sizeof music.artist);
        info->getAlbum(music.album, sizeof music.album);
        info->getComment(music.comment, sizeof music.comment);
        char genre[256];
        info->getGenre(genre);
        textcopy::CopyTextCut(genre, music.genre, sizeof music.genre);
        music.genreIndex = info->getGenreIndex();
        music.trackNumber = info->getTrackNumber();
        music.year = info->getYear();
    }
    music.tagSize = info->GetTagSize();
    music.tagType = info->GetTagType();
    music.privateBit = info->Private();
    music.copyrighted = info->Copyrighted() != 0 || music.copyright[0] != '\0' ? 1 : 0;
    music.original = info->Original();
    return 1;
}
