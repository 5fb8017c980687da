#pragma once
// CCdAudioDevice: the "cdaudio" device the CD pages play tracks through.
// Drives no longer wire their analog output, so a track is played
// digitally: a thread of the device's own reads the track through the
// drive library and hands the samples to the wave-out device of the
// program's sound output, 44100 Hz, 16-bit stereo.
//
// Opened by drive text: several opens of one drive share one device, which
// closes when the last holder lets go. Positions are tracks with minutes and
// whole seconds into them. Each play ends with exactly one notification
// through the callback given with it, on the device's thread: successful
// (every sample was played), superseded (another play took its place),
// aborted (Stop) or failure (the disc could not be read, or the sound
// output refused the format).
//
// Play, Stop and the last release run on one thread (the main thread).

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/wave_out.h"

class PLATTER_CDevice;

// The notification codes.
enum ECdPlayEnd : int {
    kCdPlaySuccessful = 1,
    kCdPlaySuperseded = 2,
    kCdPlayAborted = 4,
    kCdPlayFailure = 8,
};

class CCdAudioDevice {
public:
    using TNotify = std::function<void(int code)>;
    // Wave-out buffers in flight at most; each holds one block the drive
    // library hands over (a third of a second).
    static constexpr int kBuffers = 4;

    // The drives that can be opened by their drive text (the CD pages'
    // drives); a drive stays registered until it is removed.
    static void AddDrive(PLATTER_CDevice* drive);
    static void RemoveDrive(PLATTER_CDevice* drive);
    // The device of the drive named driveText, the open one when there is
    // one; null when no registered drive has that text. waveDevice is the
    // sound output's device number ("MixerDeviceID") for a new device.
    static std::shared_ptr<CCdAudioDevice> Open(const std::string& driveText, std::uint32_t waveDevice);

    // Close: a running play is stopped (aborted) and its thread joined; the
    // sound output is reset and closed.
    ~CCdAudioDevice();
    CCdAudioDevice(const CCdAudioDevice&) = delete;
    CCdAudioDevice& operator=(const CCdAudioDevice&) = delete;

    // Plays disc track (from 1) from the whole seconds of startMs into it to
    // its end, the next track's start. A running play is superseded first.
    // False without a notification when the drive's table has no such audio
    // track or the position lies past its end; false with the failure
    // notification, at once, when the sound output refuses the format.
    bool Play(int track, std::int32_t startMs, TNotify notify);
    // Stops a running play (aborted) and resets the sound output; false when
    // none ran.
    bool Stop();
    bool Playing() const { return playing_.load(); }
    PLATTER_CDevice* Drive() const { return drive_; }

    // The frames into a track of a position in ms: whole seconds of 75.
    static std::int32_t StartFrame(std::int32_t startMs);

private:
    CCdAudioDevice(PLATTER_CDevice* drive, std::uint32_t waveDevice);

    struct TBuffer {
        std::vector<char> data;
        WAVEHDR header{};
        bool used = false;
    };

    // Opens the sound output unless it is open; false when it refuses.
    bool OpenOutput();
    // Ends the running play with code as its notification, joins it and
    // resets the output; false when none ran.
    bool EndPlay(int code);
    void Run(int track, std::int32_t startFrame, TNotify notify);
    // The drive library's data callback: queues the samples, waiting while
    // every buffer is in flight; false once the play is being ended.
    bool Queue(const char* data, std::size_t bytes);
    // A buffer the output is done with, waiting for one; null on abort.
    TBuffer* FreeBuffer();
    // Waits until the output played every buffer; false on abort.
    bool WaitAllPlayed();
    bool BufferBusy(const TBuffer& buffer) const;
    static std::int32_t OnData(void* context, const void* data, std::int32_t count, std::int32_t size);

    PLATTER_CDevice* drive_;
    std::uint32_t waveDevice_;
    HWAVEOUT output_ = nullptr;
    std::array<TBuffer, kBuffers> buffers_;
    std::thread thread_;
    std::atomic<bool> abort_{false};
    std::atomic<bool> playing_{false};
    // Frames the running play queued (its thread's own).
    std::int64_t framesQueued_ = 0;
    // What a play ended from outside reports; set before abort_.
    std::atomic<int> endCode_{kCdPlayAborted};
};
