#pragma once
// CSongPlayer: the program's one player. It plays one song at a time
// through the sound card (a song of the session, the Find or the Library
// page), a track of an audio CD through its CD page, and the short signal
// sounds ("done"). Every song is scaled by the loudness rule the burn uses
// (track_envelope.h).
//
// A request only fills one of two slots and gets a new sound id; the
// loading worker decodes the song outside the player's lock and installs it
// under the lock: in place of the song before, or, in cross-fade mode,
// mixed in at the queue point while the song before fades out. The worker
// posts to the player panel when the next song is due (WM_PLAYER_LOADNEXT)
// and when nothing could be played (WM_PLAYER_CANNOTPLAY); the songs' own
// sounds announce that they started and ended (WM_PLAYSTATE_CHANGED).
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

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/wave_format.h"
#include "songsmith/player/song_sound_file.h"

class CPCMMixer;
class ICDTrackPage;
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

    // How the worker loads a song file into a sound (song_sound_file.h's
    // LoadSoundFile unless a test gives another).
    using TSongLoader = std::function<ESoundFileLoad(CSongSound& sound, const std::string& path,
                                                     int analyse, std::int32_t msPerPeak)>;

    // No mixer yet (InitPlayback makes it) and no worker yet (StartWorker).
    CSongPlayer(CPreferences& prefs, CTrackList& tracks);
    // Stops, ends and joins the worker (however long that takes; a wait of
    // more than 8 s is logged), then lets go of every sound, the groups and
    // the mixer.
    ~CSongPlayer();
    CSongPlayer(const CSongPlayer&) = delete;
    CSongPlayer& operator=(const CSongPlayer&) = delete;

    // Sets the output format and builds a new mixer for it. For 44100 Hz,
    // 16 bits, 2 channels the device ("MixerDeviceID") is first asked down
    // a ladder of formats for one it takes (logged line by line); the
    // mixer is built with whatever the probe ended on. False, last error 7,
    // when the mixer cannot be built. Leaves CD mode.
    bool InitPlayback(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels);

    // Starts the loading worker: a pass every 300 ms, and at once after a
    // request or a stop.
    void StartWorker();
    // One pass of the worker (tests call it with no worker started). True
    // when the next pass should follow at once.
    bool SoundLoadingPass();

    // Requests a song: path, the session serial (or the caller's value),
    // trims start and end in ms (an end below 1: the song's length), and
    // the position to start from. The id argument is not used. False for a
    // file that does not exist; otherwise true, and the worker plays it, or
    // WM_PLAYER_CANNOTPLAY follows (no mixer, no sound card).
    bool PlaySong(const char* path, int serial, std::int32_t startMs, std::int32_t endMs, int soundId,
                  std::int32_t positionMs);
    // Plays row index of the CD page of drive from positionMs. Always 1;
    // WM_PLAYER_CANNOTPLAY when the page could not play it.
    int PlayCDTrack(int index, const char* drive, std::int32_t positionMs);
    // Stops the CD page's track and forgets the page.
    void StopCDTrack();
    // The CD pages the player can play tracks of, each named by its drive
    // text; a page goes away through RemoveCDPage.
    void AddCDPage(ICDTrackPage* page);
    void RemoveCDPage(ICDTrackPage* page);
    // The CD page whose track plays (or played last and was not stopped);
    // null when none.
    ICDTrackPage* GetCDTab();
    // In CD mode, the row index and the drive text of the CD track played
    // last (also once stopped); false outside CD mode.
    bool GetCDTrack(int& index, std::string& drive);

    // Restarts the current song at an absolute position within it, kept
    // inside its trims (at least 1000 ms, in cross-fade mode two overlaps,
    // before its end), or a CD track at a position; either keeps its sound
    // id, and no end is announced.
    bool Seek(std::int32_t positionMs);

    std::uint16_t GetCurrentSoundId();
    int GetCurrentSerial();
    // The current slot's path while its request stands (requested or
    // playing); false otherwise.
    bool GetCurrentSongPath(std::string& path);
    // The current slot's path when its id is soundId (low 16 bits).
    bool GetSongPathById(std::uint32_t soundId, std::string& path);
    // A copy of whichever slot carries soundId (low 16 bits).
    bool GetSlotInfo(std::uint32_t soundId, TPlayerSlot& slot);
    // Gives the slot sound with soundId (the current slot's first) a new
    // serial, then its gain anew.
    void SetSoundSerial(std::uint32_t soundId, int serial);
    // Set by Stop, cleared by a request: a song that ends while it is set
    // does not lead on to the next.
    bool IsStopped();
    std::uint32_t GetPlayingId();
    std::uint32_t GetRequestedId();
    // Where in the outer group the next song of a cross-fade starts.
    std::int32_t GetQueuePoint();

    // Plays a signal sound: mixed into what plays, from the next buffer on
    // (false then), or played alone from its start (the mixer's answer).
    // False when it cannot be loaded, and, skipped with a log line, when no
    // format the device takes was found (no sound card).
    bool PlaySoundFile(const char* path);
    // Stops everything: the mixer, a CD track, both slots' songs.
    void Stop();
    // The mixer plays, or a CD page plays the CD track.
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
    // For tests: the worker loads songs through loader instead.
    void SetSongLoader(TSongLoader loader);

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
    // The transition settings, copied under the preferences' lock.
    struct TTransition {
        bool crossFade;
        std::int32_t overlapMs;
        std::int32_t fadeMs;
    };
    TTransition Transition();
    std::int32_t OverlapMs() { return Transition().overlapMs; }
    // The next id of the 16-bit counter: 1 to 0xFFFE, never 0xFFFF.
    std::uint16_t NewSoundId();
    // Wakes the worker for a pass at once.
    void WakeWorker();
    void WorkerLoop();
    // The worker's pass when a song is due for loading; true when the
    // request changed meanwhile. The sound being loaded is the worker's own
    // until it is installed (the player joins the worker before it goes).
    bool LoadRequestedSong(const TPlayerSlot& slot);
    // The worker's pass when nothing is to be loaded: the posts that the
    // next song is due.
    void CheckForNextSong();
    // A failed load of the slot's request: tried again by the next passes,
    // up to three times in all.
    void NoteFailedLoad(const TPlayerSlot& slot);
    // Installs a loaded sound in the current slot and plays it; false when
    // it could not be played.
    bool InstallSound(CSongSound* sound);
    // The slot's fade envelope: a and b kept inside its trims, the volume
    // of its session track.
    void ApplyFadeEnvelope(int slot, std::int32_t a, std::int32_t b, std::int32_t lengthMs, bool fadeIn);
    // Seek for a CD track: its page plays it from the new place.
    bool SeekCDTrack(std::int32_t positionMs);
    // Lets go of the signal sound before the group is played afresh.
    void DropSignalSound();
    // Plays the outer group from the slot's position; sets the start tick.
    bool PlayFromSlotPosition(const TPlayerSlot& slot);
    // Builds the mixer for the sound's own rate, CD quality when that fails.
    void InitPlaybackForSound(CSongSound& sound);
    // The volume factor of the session track with serial (1.0 for none).
    double TrackVolume(int serial);
    // Whether a session track with serial exists outside load states 1-5.
    bool ShouldAnalyse(int serial);
    ICDTrackPage* FindCDPage(const char* drive);
    // Posts to the player panel.
    void PostToPanel(std::uint32_t number, std::uintptr_t wParam, std::intptr_t lParam);

    CPreferences& prefs_;
    CTrackList& tracks_;
    std::recursive_mutex lock_;

    std::unique_ptr<CPCMMixer> mixer_;
    WAVEFORMATEX outputFormat_{};
    int formatFound_ = 0;
    CSongSound* slotSounds_[2] = {nullptr, nullptr};
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
    ICDTrackPage* cdTab_ = nullptr;
    int cdTrackIndex_ = -1;
    std::string cdDrive_;
    std::vector<ICDTrackPage*> cdPages_;
    std::uint16_t idCounter_ = 1;
    // Failed loads of the request with failedId_.
    std::uint32_t failedId_ = kNoSoundId;
    int failedLoads_ = 0;
    TSongLoader songLoader_;

    // The worker: its run flag and wake-up are guarded by the lock. The run
    // flag is set while the player lives, worker or not, so a pass that
    // finishes a load as the player goes drops the sound.
    std::condition_variable_any wake_;
    bool run_ = true;
    bool wakeAsked_ = false;
    bool workerDone_ = false;
    std::thread worker_;
};
