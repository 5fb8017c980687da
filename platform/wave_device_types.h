#pragma once
// What the wave-out and wave-in device layers share: result codes, device
// identifiers, open modes, the buffer header and its flags, and positions.
// Buffers are polled: the caller watches a header's done flag, and no
// callback ever does work.

#include <cstdint>

#include "platform/wave_format.h"

using MMRESULT = std::uint32_t;

// Results, in the platform's numbering.
inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT WAVERR_BADFORMAT = 32;
inline constexpr MMRESULT WAVERR_STILLPLAYING = 33;
inline constexpr MMRESULT WAVERR_UNPREPARED = 34;

// The device identifier that lets the system choose the device.
inline constexpr std::uint32_t WAVE_MAPPER = 0xFFFFFFFFu;

// Open modes: the callback argument is never called, whichever is given.
inline constexpr std::uint32_t CALLBACK_NULL = 0x00000;
inline constexpr std::uint32_t CALLBACK_FUNCTION = 0x30000;

// Header flags.
inline constexpr std::uint32_t WHDR_DONE = 0x01;
inline constexpr std::uint32_t WHDR_PREPARED = 0x02;
inline constexpr std::uint32_t WHDR_INQUEUE = 0x10;

// One buffer handed to a device. The caller owns the header and the data;
// both must stay put while the header is queued (WHDR_INQUEUE).
struct WAVEHDR {
    char* lpData = nullptr;
    std::uint32_t dwBufferLength = 0;
    // Filled by an input device: the bytes it recorded into lpData.
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

// Whether format is one the devices play and record: PCM, 1 or 2 channels,
// 8 or 16 bits, a block alignment and rate that agree.
bool WaveDeviceFormatUsable(const WAVEFORMATEX& format);
