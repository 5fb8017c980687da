#pragma once
// Wave output: a queue of caller-owned buffers that a device plays in order.
// The caller prepares each buffer's header, writes it to the device, and
// polls the header's done flag to learn when the device has finished with it
// (no callback does any work). Positions count what has been played since the
// device was opened or reset.
//
// Back ends (one file each): ALSA (wave_out_alsa.h), a null device that plays
// in real time against a clock (wave_out_null.h) and a fake that tests drive
// by hand (wave_out_fake.h). waveOutOpen opens through the installed back end.

#include <cstdint>
#include <memory>

#include "platform/mm_result.h"
#include "platform/wave_format.h"

class CWaveOutDevice;
using HWAVEOUT = CWaveOutDevice*;

// Results of the wave devices besides the common ones.
inline constexpr MMRESULT WAVERR_BADFORMAT = 32;
inline constexpr MMRESULT WAVERR_STILLPLAYING = 33;
inline constexpr MMRESULT WAVERR_UNPREPARED = 34;

// The device identifier that lets the system choose the device.
inline constexpr std::uint32_t WAVE_MAPPER = 0xFFFFFFFFu;

// Open modes: the callback argument is never called, whichever is given.
inline constexpr std::uint32_t CALLBACK_NULL = 0x00000;
inline constexpr std::uint32_t CALLBACK_FUNCTION = 0x30000;
// Added to an open mode: only asks whether the device would open for the
// format, and opens nothing.
inline constexpr std::uint32_t WAVE_FORMAT_QUERY = 0x00001;

// Header flags.
inline constexpr std::uint32_t WHDR_DONE = 0x01;
inline constexpr std::uint32_t WHDR_PREPARED = 0x02;
inline constexpr std::uint32_t WHDR_INQUEUE = 0x10;

// One buffer handed to the device. The caller owns the header and the data;
// both must stay put while the header is queued (WHDR_INQUEUE).
struct WAVEHDR {
    char* lpData = nullptr;
    std::uint32_t dwBufferLength = 0;
    std::uint32_t dwBytesRecorded = 0;
    std::uintptr_t dwUser = 0;
    // Written by the device while queued: read it through WaveHeaderFlags.
    std::uint32_t dwFlags = 0;
    std::uint32_t dwLoops = 0;
};

// Kinds of time a position can be given in.
inline constexpr std::uint32_t TIME_MS = 0x1;
inline constexpr std::uint32_t TIME_SAMPLES = 0x2;
inline constexpr std::uint32_t TIME_BYTES = 0x4;

struct MMTIME {
    std::uint32_t wType = TIME_BYTES;
    union {
        std::uint32_t ms;
        std::uint32_t sample;
        std::uint32_t cb;
    } u{};
};

// The header's flags, read safely while a device thread may set WHDR_DONE.
std::uint32_t WaveHeaderFlags(const WAVEHDR* header);
// Sets the flags of a header the device does not hold.
void SetWaveHeaderFlags(WAVEHDR* header, std::uint32_t flags);

// Opens device (WAVE_MAPPER or a number) for format, which must be PCM with
// 8 or 16 bits. callback and instance are kept by no one: buffers are polled.
// With WAVE_FORMAT_QUERY in flags nothing is opened (out may be null): the
// answer is MMSYSERR_NOERROR when the device would take the format,
// WAVERR_BADFORMAT when it would not, or why the device cannot be asked.
MMRESULT waveOutOpen(HWAVEOUT* out, std::uint32_t device, const WAVEFORMATEX* format,
                     std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags);
// Stops, hands back every queued buffer as done and closes. The handle is
// invalid afterwards.
MMRESULT waveOutClose(HWAVEOUT device);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, std::uint32_t size);
// WAVERR_STILLPLAYING while the header is queued.
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, std::uint32_t size);
// Queues a prepared header behind the others (WAVERR_UNPREPARED otherwise).
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, std::uint32_t size);
MMRESULT waveOutPause(HWAVEOUT device);
MMRESULT waveOutRestart(HWAVEOUT device);
// Stops playing, marks every queued buffer done and sets the position to 0.
MMRESULT waveOutReset(HWAVEOUT device);
// The position in the kind asked for in time->wType; a device may answer in
// another kind and says so in wType.
MMRESULT waveOutGetPosition(HWAVEOUT device, MMTIME* time, std::uint32_t size);

// What opens devices.
class IWaveOutBackend {
public:
    virtual ~IWaveOutBackend() = default;
    // MMSYSERR_NOERROR with *device set, or a failure and *device null.
    virtual MMRESULT Open(std::uint32_t deviceId, const WAVEFORMATEX& format,
                          std::unique_ptr<CWaveOutDevice>* device) = 0;
    // Whether deviceId would open for format, opening nothing: the answers
    // of a WAVE_FORMAT_QUERY. Unless a back end knows better, any format
    // its devices play.
    virtual MMRESULT Query(std::uint32_t deviceId, const WAVEFORMATEX& format);
    // A short name for logs ("alsa", "null", "fake").
    virtual const char* Name() const = 0;
};

// Installs the back end that waveOutOpen uses and returns the one it
// replaces; null puts back the default (ALSA). The back end must outlive
// every device it opens.
IWaveOutBackend* SetWaveOutBackend(IWaveOutBackend* backend);
IWaveOutBackend& CurrentWaveOutBackend();
