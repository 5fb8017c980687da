#include "songsmith/player/song_sounds.h"

#include <new>
#include <utility>

#include "filekit/file_obj.h"
#include "filekit/log.h"
#include "platform/last_error.h"
#include "songsmith/session/song_actions.h"

namespace {

// A copy made by the copy constructor's arguments; null when it could not be
// made whole (the sound's data failed to copy).
template <class... TArgs>
CAudioAtom* NewSongSound(TArgs&&... args) {
    auto* copy = new (std::nothrow) CSongSound(std::forward<TArgs>(args)...);
    if (copy != nullptr && GetLastError() != 0) {
        delete copy;
        return nullptr;
    }
    return copy;
}

// The name a log line gives the sound: its file, else its song's path.
const char* LogName(const CSongSound& sound) {
    if (const auto* file = dynamic_cast<const CFileObj*>(sound.GetRefObj()))
        return file->FilePath();
    return sound.song.path;
}

}  // namespace

CSongSound::CSongSound(const CSongSound& source) : CPCMSound(source) {
    TakeSongFields(source);
}

CSongSound::CSongSound(CSongSound& source, std::int32_t start, std::int32_t end)
    : CPCMSound(source, start, end) {
    TakeSongFields(source);
}

void CSongSound::TakeSongFields(const CSongSound& source) {
    serial = source.serial;
    soundId = source.soundId;
    song.CopyFrom(source.song);
    reportStop = source.reportStop;
    reportStart = source.reportStart;
}

CAudioAtom* CSongSound::Copy(std::int32_t start, std::int32_t end) {
    return NewSongSound(*this, start, end);
}

CAudioAtom* CSongSound::Copy() {
    return NewSongSound(static_cast<const CSongSound&>(*this));
}

void CSongSound::NotifyAtom(TSoundStateCode code, std::int32_t arg) {
    (void)arg;
    // The log ends each line itself.
    if (code == SOUND_STATE_PLAY_MODE_ON) {
        if (LoggingNow() != 0) LogFmt("Starting '%s'", LogName(*this));
        if (reportStart != 0)
            DoSongAction(kSongListPlayer, kSongActionPlay, serial, soundId, &song);
    } else if (code == SOUND_STATE_PLAY_MODE_OFF) {
        LogFmt("Stopping '%s'", LogName(*this));
        if (reportStop != 0) DoSongAction(kSongListPlayer, kSongActionStop, serial, soundId, &song);
    }
}

void CSignalSound::NotifyAtom(TSoundStateCode code, std::int32_t arg) {
    (void)code;
    (void)arg;
}
