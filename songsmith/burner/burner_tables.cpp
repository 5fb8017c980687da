#include "songsmith/burner/burner_tables.h"

#include <array>
#include <span>

namespace {

constexpr std::array<const char*, 11> kStateKeys = {
    "BS_NoCDInDrive", "BS_BurntCDInDrive", "BS_UnwritableCDInDrive", "BS_UnknownCDInDrive",
    "BS_BlankCDInDrive", "BS_WaitingToBurn", "BS_Testing", "BS_CreatingWavFiles",
    "BS_CompilingCueSheet", "BS_Burning", "BS_Burnt"};

constexpr std::array<const char*, 16> kErrorKeys = {
    "BE_NoError", "BE_MemError", "BE_GenError", "BE_CDRecorderNotFound", "BE_NoDiscAtOnce",
    "BE_NoDiscTransporter", "BE_FailedToParseCueSheet", "BE_FailedToReloadSound", "BE_OutOfHardDriveSpace",
    nullptr, "BE_UserAborted", "BE_UserAbortedBadCD", "BE_ASPIInitializationError", "BE_80MinuteCDError",
    "BE_CommandFailed", "BEM_NiceBufUnderrunTest"};

constexpr std::array<const char*, 5> kPhaseKeys = {"BSS_NothingYet", "BSS_WritingLeadout", "BSS_WritingGap",
                                                   "BSS_WritingTracks", "BSS_FinalizingDisc"};

// A state such as -1 ("read the drive again") is outside every table.
const char* KeyAt(std::span<const char* const> keys, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= keys.size()) return nullptr;
    return keys[static_cast<std::size_t>(index)];
}

}  // namespace

const char* BurnStateKey(std::int32_t state) { return KeyAt(kStateKeys, state); }
const char* BurnErrorKey(std::int32_t index) { return KeyAt(kErrorKeys, index); }
const char* BurnPhaseKey(std::int32_t phase) { return KeyAt(kPhaseKeys, phase); }
