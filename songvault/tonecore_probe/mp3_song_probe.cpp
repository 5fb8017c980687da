// MPEG audio files: the frame scan for format and length, the ID3 tags for
// the texts.
#include <cstdlib>
#include <cstring>

#include "filekit/file_obj.h"
#include "tonecore/tags/id3_tag.h"
#include "tonecore/tags/mp3_info.h"
#include "tonecore/tags/music_info.h"
#include "songvault/tonecore_probe/probe_readers.h"

namespace tonecoreprobe {

namespace {

// Samples in one frame (ISO/IEC 11172-3 clause 2.4.2.1; ISO/IEC 13818-3
// halves layer III frames of the lower rates).
int SamplesPerFrame(const CMP3Info& info) {
    if (info.getLayer() == 1) return 384;
    if (info.getLayer() == 3 && info.getVersionIndex() != 3) return 576;
    return 1152;
}

// The Xing header's frame count when the audio could hold that many frames
// (each takes at least one byte, as the engine's own summary reads it);
// else 0: a count the file cannot hold is no count.
std::int64_t BelievedXingFrames(const CMP3Info& info) {
    const std::int64_t frames = info.XingFrameCount();
    return info.HasXingHeader() != 0 && frames > 0 && frames <= info.DataSize() ? frames : 0;
}

std::int32_t LengthMs(const CMP3Info& info) {
    const std::int64_t frames = BelievedXingFrames(info);
    if (frames > 0 && info.getFrequency() > 0)
        return Saturated(frames * SamplesPerFrame(info) * 1000 / info.getFrequency());
    // Constant bitrate: the audio's bits over the bits per millisecond,
    // with the tags left out of the count.
    const int kbps = info.getBitrate();
    return kbps > 0 ? Saturated(info.DataSize() * 8 / kbps) : 0;
}

void TakeId3v1(const CMP3Info& info, TSongProbeResult& result) {
    char text[256];
    info.getTitle(text, sizeof text);
    result.title = text;
    info.getArtist(text, sizeof text);
    result.artist = text;
    info.getAlbum(text, sizeof text);
    result.album = text;
    info.getComment(text, sizeof text);
    result.comment = text;
    const int genre = info.getGenreIndex();
    result.genre = genre >= 0 && genre <= 255 ? static_cast<std::int16_t>(genre) : 255;
    result.year = TagNumber(info.getYear());
    result.track = TagNumber(info.getTrackNumber());
    result.tagType = TAG_TYPE_ID3V1;
}

bool HasAnyText(const TMusicInfo& tags) {
    return tags.title[0] != '\0' || tags.artist[0] != '\0' || tags.album[0] != '\0';
}

}  // namespace

bool ProbeMp3(CFileObj& file, TSongProbeResult& result) {
    CMP3Info info;
    if (info.loadInfo(&file) != CMP3Info::kLoaded) return false;
    result.sampleRateHz = info.getFrequency();
    result.bitRateKbps = info.getBitrate();
    result.lengthMs = LengthMs(info);

    file.Seek(0, 0);
    CId3TagV2 tag;
    TMusicInfo tags;
    // A v2 tag that breaks part-way still gives the frames in front of the
    // break, as the engine's own load takes them; when nothing came before
    // the break, a v1 tag at the end is the better source.
    const bool wholeTag = tag.Read(&file, 0);
    const bool partTag = !wholeTag && info.GetTagType() == TAG_TYPE_ID3V2;
    if ((wholeTag || partTag) && tag.GetMusicInfo(&tags) && (wholeTag || HasAnyText(tags))) {
        tags.tagType = TAG_TYPE_ID3V2;
        TakeTags(tags, result);
    } else if (info.isTagged() != 0) {
        TakeId3v1(info, result);
    }
    return true;
}

}  // namespace tonecoreprobe
