#pragma once
// The messages an import posts to the program's window, through the hook the
// program installed. Each message carries a record of its own; whoever ends
// up holding it frees it once: the receiver with the library's Dealloc call,
// the message layer with the freeing function it was handed for a message it
// never delivers, or this poster when the hook refuses the message.

#include <chrono>
#include <cstdint>
#include <string_view>
#include <utility>

#include "songvault/import_types.h"

namespace songvault {

// The freeing functions handed with each message.
void FreePostedSong(void* payload);
void FreePostedKnownDir(void* payload);
void FreePostedString(void* payload);

class CImportPoster {
public:
    // Nothing is posted (and nothing allocated) without a hook.
    CImportPoster(SVT_PostHook hook, void* target) : hook_(std::move(hook)), target_(target) {}

    // WM_IMPORT_FOUNDSONG with a copy of a newly stored song.
    void FoundSong(const TSVT_Song& song);
    // WM_IMPORT_KNOWNDIR for a folder holding songCount songs; the folder's
    // modification time is its sort number. A path that does not fit the
    // record is not posted.
    void KnownDir(std::string_view folder, std::int32_t songCount, std::int32_t modifiedTime);
    // WM_IMPORT_CURRENTDIR with the folder being searched, at most once per
    // kCurrentDirSpacing: the window only shows the latest one, and a post
    // per folder would flood its queue on a fast disk.
    void CurrentDir(std::string_view folder);

    static constexpr std::chrono::milliseconds kCurrentDirSpacing{100};

private:
    // Posts one message; a refused one has its payload freed here.
    void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, void* payload,
              void (*freePayload)(void*));

    SVT_PostHook hook_;
    void* target_;
    bool postedCurrentDir_ = false;
    std::chrono::steady_clock::time_point lastCurrentDir_{};
};

}  // namespace songvault
