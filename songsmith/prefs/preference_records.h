#pragma once
// The records the preferences keep as binary registry values, and their
// byte images. Every image is little-endian with a fixed size, whatever the
// machine, so a store written by one build reads the same in another.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/window_placement.h"
#include "titlefetch/site.h"
#include "utilities/last_dir_list.h"

// Transitions between the tracks of a burnt session.
struct TFadePreferences {
    // 0 no silence between tracks, 1 a gap of silence, 2 tracks mixed with
    // an overlap.
    std::int32_t transitionMode = 0;
    std::int32_t gapMs = 1000;
    std::int32_t overlapMs = 2500;
    std::int32_t fadeMs = 1500;
};

// Writer address, Burn dialog choices, eject and sound options, by index.
using TBurnerPrefs = std::array<std::int32_t, 18>;

// What each BurnerPrefs slot holds. The writer's address is three numbers
// kept out of order; they are handed on as first (6), second (0), third (7).
enum EBurnerPref : std::size_t {
    kBurnerWriterSecond = 0,  // -1: no writer chosen
    kBurnerParamFlag = 1,     // handed to the burn parameter block
    kBurnerParamNumber1 = 2,  // handed to the burn parameter block
    kBurnerParamNumber2 = 3,  // handed to the burn parameter block
    kBurnerWriterFirst = 6,   // the host adapter
    kBurnerWriterThird = 7,
    // 4, 5, 8 and 16 are kept and written back but read by nobody.
    kBurnerBurnProof = 9,
    kBurnerCdText = 10,
    kBurnerConvertFirst = 11,
    kBurnerMode = 12,        // 0 test only, 1 test then burn, else burn
    kBurnerWriteSpeed = 13,  // 255: the fastest
    kBurnerCopies = 14,
    kBurnerEject = 15,
    kBurnerPlaySound = 17,
};

inline constexpr TBurnerPrefs kDefaultBurnerPrefs = {-1, 1, 20, 2, 15,  0, -1, -1, 65000,
                                                     1,  0, 0,  1, 255, 1, 1,  0,  1};

// Byte sizes of the stored images.
inline constexpr std::size_t kPlacementBytes = 44;
inline constexpr std::size_t kSplitBytes = 4;
inline constexpr std::size_t kFadeBytes = 16;
inline constexpr std::size_t kRateBytes = 8;
inline constexpr std::size_t kBurnerBytes = 72;
inline constexpr std::size_t kMusicDirBytes = 268;
inline constexpr std::size_t kSiteBytes = 1040;

using TPlacementImage = std::array<std::uint8_t, kPlacementBytes>;
using TSplitImage = std::array<std::uint8_t, kSplitBytes>;
using TFadeImage = std::array<std::uint8_t, kFadeBytes>;
using TRateImage = std::array<std::uint8_t, kRateBytes>;
using TBurnerImage = std::array<std::uint8_t, kBurnerBytes>;
using TMusicDirImage = std::array<std::uint8_t, kMusicDirBytes>;
using TSiteImage = std::array<std::uint8_t, kSiteBytes>;

TPlacementImage PackRecord(const WINDOWPLACEMENT& placement);
TSplitImage PackRecord(float split);
TFadeImage PackRecord(const TFadePreferences& fade);
TRateImage PackRecord(double rate);
TBurnerImage PackRecord(const TBurnerPrefs& burner);
TMusicDirImage PackRecord(const _lastDirList& folder);
TSiteImage PackRecord(const TITLEFETCH_TSite& site);

// Each reads the first bytes of its image; the caller has checked that the
// bytes hold at least a whole image.
WINDOWPLACEMENT UnpackPlacement(std::span<const std::uint8_t> bytes);
float UnpackSplit(std::span<const std::uint8_t> bytes);
TFadePreferences UnpackFade(std::span<const std::uint8_t> bytes);
double UnpackRate(std::span<const std::uint8_t> bytes);
TBurnerPrefs UnpackBurner(std::span<const std::uint8_t> bytes);
// These two refuse (false) a record whose texts are not terminated within
// their fields: a cut path or host would name something else.
bool UnpackMusicDir(std::span<const std::uint8_t> bytes, _lastDirList& folder);
bool UnpackSite(std::span<const std::uint8_t> bytes, TITLEFETCH_TSite& site);
