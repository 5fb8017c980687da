#pragma once
// CSongPlayer: the program's one player. It plays one song at a time
// through the sound card (a song of the session, the Find or the Library
// page), and the short signal sounds ("done"). Every song is scaled by the
// loudness rule the burn uses (track_envelope.h).
//
// The mixer always plays one outer sound group. An empty inner group sits
// in it at offset 0 for the player's whole life: a group keeps its earliest
// member at 0, so with the inner group there, a song or signal placed at an
// offset stays at that offset on the time line the mixer plays.
//
// Time is the wait clock (platform/wait_clock.h), the clock the mixer and
// the null wave device use too, so a test moves one fake clock for all.
//
// Locks: the player's lock comes before the session track list's, which it
// takes only for short look-ups, and before the engine's; a sound's own
// lock is taken inside the engine's. The engine's service thread reaches
// the player only through the sounds' notices, which post and never lock
// the player.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/wave_format.h"

class CPCMMixer;
class CPCMSound;
class CPreferences;
class CSignalSound;
class CSongSound;
class CSoundGroup;
class CTrackList;

// What one of the player's two slots plays.
struct TPlayerSlot {
    std::string path;
    // The song's title, or title and artist through the keyed text "songby".
    std::string title;
    std::uint16_t soundId = 0xFFFF;
    // The session track's serial, or another caller's value.
    int serial = 0;
    // Trims within the song, in ms; an end below 1 means the song's length
    // until the song is loaded.
    std::int32_t start = 0;
    std::int32_t end = 0;
    // Where playback starts, in ms of the song.
    std::int32_t position = 0;
};

class CSongPlayer {
public:
    // A sound id that names no playback.
    static constexpr std::uint32_t kNoSoundId = 0xFFFF;
    // The playing id once playback was stopped (or right after a seek).
    static constexpr std::uint32_t kStoppedId = 0xFFFFFFFFu;

    // No mixer yet (InitPlayback makes it).
    CSongPlayer(CPreferences& prefs, CTrackList& tracks);
    // Stops, then lets go of every sound, the groups and the mixer.
    ~CSongPlayer();
    CSongPlayer(const CSongPlayer&) = delete;
    CSongPlayer& operator=(const CSongPlayer&) = delete;

    // Sets the output format and builds a new mixer for it. For 44100 Hz,
    // 16 bits, 2 channels the device ("MixerDeviceID") is first asked down
    // a ladder of formats for one it takes (logged line by line); the
    // mixer is built with whatever the probe ended on. False, last error 7,
    // when the mixer cannot be built. Leaves CD mode.
    bool InitPlayback(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels);

    // Plays a signal sound: mixed into what plays, from the next buffer on
    // (false then), or played alone from its start (the mixer's answer).
    // False when it cannot be loaded, and, skipped with a log line, when no
    // format the device takes was found (no sound card).
    bool PlaySoundFile(const char* path);
    // Stops everything: the mixer, a CD track, both slots' songs.
    void Stop();
    // The mixer plays.
    bool IsPlaying();
    // Gives the current slot's song its track gain anew while it plays
    // (after a volume or normalising change).
    void RefreshGain();
    // The next song of a cross-fade starts one overlap before the end of
    // what the mixer plays (at its end when the overlap is not shorter).
    void UpdateQueuePoint();

    // 1 once a format probe found a format the device takes.
    int FormatFound();
    WAVEFORMATEX OutputFormat();
    // The mixer; null until InitPlayback built one.
    CPCMMixer* GetMixer();

private:
    using TGuard = std::lock_guard<std::recursive_mutex>;

    // InitPlayback's ladder of formats; sets the output format to the one
    // found (or the last tried).
    void ProbeFormats();
    // Playing time since the start tick plus the start position, in ms.
    std::int32_t ElapsedMs();
    // Stops a sound the mixer is playing, takes it out of its group and
    // lets go of the player's reference on it.
    void ReleaseSound(CPCMSound* sound);
    // The four transition settings, copied under the preferences' lock.
    std::int32_t OverlapMs();

    CPreferences& prefs_;
    CTrackList& tracks_;
    std::recursive_mutex lock_;

    std::unique_ptr<CPCMMixer> mixer_;
    WAVEFORMATEX outputFormat_{};
    int formatFound_ = 0;
    CSongSound* slotSounds_[2] = {nullptr, nullptr};
    CSongSound* pendingSound_ = nullptr;
    TPlayerSlot slots_[2];
    int currentSlot_ = 0;
    int nextSlot_ = 0;
    std::int32_t queuePoint_ = 0;
    std::int32_t lastQueuePoint_ = 0;
    // The wait clock's ms when playback (re)started.
    std::int64_t startTick_ = 0;
    std::int32_t startPosition_ = 0;
    int nextRequested_ = 0;
    CSoundGroup* outerGroup_ = nullptr;
    CSoundGroup* innerGroup_ = nullptr;
    int stopped_ = 0;
    std::uint32_t playingId_ = kNoSoundId;
    std::uint32_t requestedId_ = kNoSoundId;
    CSignalSound* signalSound_ = nullptr;
    int cdMode_ = 0;
};
