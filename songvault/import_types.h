#pragma once
// What the import calls exchange with the program: the import flags, the
// records of a folder check and of a single-file import, the messages the
// import posts, and the hook that delivers them.

#include <cstdint>
#include <functional>

#include "platform/types.h"
#include "songvault/records.h"
#include "titlefetch/mv_list.h"

// Import flags. Bits 0-2 choose the kinds of file; each kind's minimum
// length is a 4-bit index (0 any, 1 15 s, 2 30 s, 3 60 s) at its own shift.
inline constexpr std::uint32_t SVT_IMPORT_MP3 = 1;
inline constexpr std::uint32_t SVT_IMPORT_WAV = 2;
inline constexpr std::uint32_t SVT_IMPORT_WMA = 4;
inline constexpr std::uint32_t SVT_IMPORT_KINDS = 7;
inline constexpr int SVT_IMPORT_MIN_MP3_SHIFT = 8;
inline constexpr int SVT_IMPORT_MIN_WAV_SHIFT = 12;
inline constexpr int SVT_IMPORT_MIN_WMA_SHIFT = 16;

// The walks' depth limit when the caller sets none of its own.
inline constexpr std::int32_t SVT_IMPORT_ANY_DEPTH = 9999;

// Messages the import posts (the program's WM_USER + 100 to 102). The
// payload of each belongs to the receiver, which frees it with the call
// named beside it.
inline constexpr std::uint32_t WM_IMPORT_FOUNDSONG = 1124;   // lParam TSVT_Song*: DeallocBuffer
inline constexpr std::uint32_t WM_IMPORT_KNOWNDIR = 1125;    // wParam TKnownDirInfo*: DeallocKnownDir
inline constexpr std::uint32_t WM_IMPORT_CURRENTDIR = 1126;  // wParam char* folder: DeallocString

// Delivers one message to target (the window the import call was given).
// freePayload frees the message's record (the pointer in wParam or lParam);
// a message layer runs it for a message it accepted but never delivers.
// Returns false when the message is refused: the library then frees the
// record itself. Called on the thread of the import call.
using SVT_PostHook = std::function<bool(void* target, std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam, void (*freePayload)(void* payload))>;

// A folder as VerifyImportFolder found it. Allocated by the library, freed
// with DeallocStackEntry.
struct TSVT_ImportStackEntry {
    std::uint32_t kinds = 0;  // SVT_IMPORT_* bits of the folder's own files
    // The folder's sub-folders (names not starting with "."), in name order,
    // each path ending in '/'.
    MvList<TMvPath> folders;
};

// One file for ImportSong.
struct TSVT_ImportEntry {
    char path[MAX_PATH];
    // The caller's import flags for the file; ImportSong goes by its own
    // flags argument.
    std::uint32_t flags;
};
static_assert(sizeof(TSVT_ImportEntry) == 264, "import entry layout");
