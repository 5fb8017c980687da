#pragma once
// CCdPlayback: a CD page's playing of its disc's tracks, without widgets.
// The page's rows play through the CD audio device of its drive; the song
// player knows the page through the CD-track interface it implements, and
// the player panel asks it for the next track.
//
// Everything runs on the thread that made it (the main thread) except
// IsPlayingTrack, which any thread may ask, and StopTrack, which the
// player's worker may call: from there the stop is handed to the page's
// thread through postStop.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "songsmith/cd/cd_track_page.h"

class CCdAudioDevice;
class CCdDisc;

class CCdPlayback : public ICDTrackPage {
public:
    // label: the drive's short name that the player's track paths begin
    // with.
    CCdPlayback(CCdDisc& disc, std::string label);
    ~CCdPlayback() override;
    CCdPlayback(const CCdPlayback&) = delete;
    CCdPlayback& operator=(const CCdPlayback&) = delete;

    // Plays row from startMs into it (its disc track, not its place in the
    // list): the playing row and flag are set. False when it could not
    // start: the device is closed, nothing plays and the disc timer runs
    // again.
    bool OnPlay(int row, std::int32_t startMs);
    // Stops the track: no row plays, the disc timer runs again.
    void OnStop();
    // A play's notice (ECdPlayEnd) reached the page's thread.
    void OnNotify(int code);
    // The play zone's click or the Play command on row: the song player's
    // source becomes the CD page; the row stops when it is the one playing,
    // else the song player plays it.
    void PlayOrStop(int row);
    // Plays the row after (forward) or before the playing one, wrapping, or
    // a random row other than the playing one; false when there is no row
    // or the player did not take it.
    bool PlayNextSong(bool random, bool forward) override;
    bool Playing() const { return playing_.load(); }
    // Closes the device (stopping what plays) without telling anyone.
    void Close();

    // The song player's view of the page.
    std::string DriveText() override;
    std::string DriveLabel() override;
    std::int32_t TrackLengthMs(int index) override;
    void TrackTitleAndArtist(int index, std::string& title, std::string& artist) override;
    bool PlayTrack(int index, std::int32_t positionMs) override;
    bool IsPlayingTrack() override;
    void StopTrack() override;

    // The wait cursor on (true) and off.
    std::function<void(bool)> busy;
    // Starts (true) or stops the disc timer.
    std::function<void(bool)> discTimer;
    // Posts a play's notice to the page (any thread).
    std::function<void(int code)> postNotify;
    // Posts a stop to the page (from another thread).
    std::function<void()> postStop;
    // The song player: its play source, playing row of drive, and stop.
    std::function<void(int source)> setPlaySource;
    std::function<int(int row, const char* drive)> playCdTrack;
    std::function<void()> stopPlayer;
    // The sound output's device number ("MixerDeviceID").
    std::function<std::uint32_t()> waveDevice;

private:
    void Repaint();
    void Busy(bool on);
    void DiscTimer(bool run);

    CCdDisc& disc_;
    std::string label_;
    std::thread::id owner_;
    std::shared_ptr<CCdAudioDevice> device_;
    std::atomic<bool> playing_{false};
    // Stops whose "aborted" notice has not come yet: each such notice ends
    // a stopped play, not the one playing now.
    int stopsPending_ = 0;
    std::mt19937 random_;
};
