#include "tonecore/playlists/playlist_song.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string_view>

#include "filekit/file_obj.h"
#include "filekit/path_helpers.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/sound/pcm_sound.h"
#include "utilities/text_copy.h"

namespace {

// How a playlist loads its songs: a small buffer (10 ms), no seek map or
// peaks asked for, 20 ms a peak.
constexpr std::int32_t kBufferMs = 10;
constexpr std::int32_t kMsPerPeak = 20;

bool IsCdQuality(const WAVEFORMATEX* format) {
    return format != nullptr && format->nSamplesPerSec == 44100 && format->wBitsPerSample == 16 &&
           format->nChannels == 2;
}

}  // namespace

void TitleFromFileName(TONECORE_CMusicInfo& record) {
    char name[PATH_MAX];
    if (ExtractFileName(record.path, name) == 0) std::strcpy(name, record.path);
    std::size_t length = std::strlen(name);
    if (length > 4) length -= 4;
    textcopy::CopyTextCut(std::string_view(name, length), record.title, sizeof record.title);
}

bool FillRecordFromSong(CFileObj& file, TONECORE_CMusicInfo& record) {
    CPCMSound* sound = new (std::nothrow) CPCMSound;
    if (sound == nullptr) return false;
    CAudioAtom* atom = sound;
    if (sound->InitialLoad(&file, kBufferMs, 0, 0, 0, 0, kMsPerPeak, nullptr, nullptr) == 0) {
        DeleteAtom(&atom);
        return false;
    }
    if (const TMusicInfo* tags = sound->GetMusicInfo()) {
        char path[sizeof record.path];
        std::memcpy(path, record.path, sizeof path);
        record = *tags;
        std::memcpy(record.path, path, sizeof path);
    }
    record.lengthMs = sound->Length(0);
    record.pathWords[0] = static_cast<std::int32_t>(std::min<std::int64_t>(file.Size(), INT32_MAX));
    sound->GetSrcFormatString(record.formatText, static_cast<std::int32_t>(sizeof record.formatText));
    if (const WAVEFORMATEX* actual = sound->ActualFormat()) record.waveFormat = *actual;
    record.flags[0] = IsCdQuality(sound->Format());
    if (ACMObject* decoder = sound->GetACMObj()) record.flags[0] = decoder->FirstFrameDecodesToCDQuality() != 0;
    if (record.title[0] == '\0') TitleFromFileName(record);
    DeleteAtom(&atom);
    return true;
}
