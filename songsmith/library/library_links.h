#pragma once
// What the Library page and the rest of the program hand each other, bound
// at start-up (and by tests) rather than through pointers to windows:
//
// - the partners the page works with: the program's one song store, the
//   undo history, the Corrupted Music Library question, the player's play
//   source and the Find page's claim on imported songs while it searches;
// - the operations the page offers while it exists: setting a song's check
//   mark by kind and id (the undo of check marks), marking a song that the
//   session list's adding imported, and showing a song by its path;
// - the messages that carry store records to the page: each owns its
//   record and frees it with the call of the library that allocated it,
//   exactly once, whether the page handles it, ignores it or is gone.
//
// Main thread only, except the post hook, which any thread may call.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "songsmith/app/app_message.h"

class CUndoMgr;
class SVTENG_CSongvault;
struct TSVT_Song;

struct TLibraryPartners {
    SVTENG_CSongvault* store = nullptr;
    CUndoMgr* undo = nullptr;
    // The Corrupted Music Library question; 1: delete the library and start
    // over. Unbound: the page's own dialog asks.
    std::function<int()> askStartOver;
    // The player takes its next songs from this list.
    std::function<void(int source)> setPlaySource;
    // The path of the song the player plays under this sound id; false when
    // it plays none by that id.
    std::function<bool(std::uint32_t soundId, std::string& path)> songPathOfSound;
    // The Find page, while it searches, is offered each imported song first.
    std::function<void(const TSVT_Song& song)> offerToFind;
    // The import ended: the Find page's import feed ends (before the store
    // is written), then the Find page hears WM_IMPORT_FINISHED (after).
    std::function<void()> endFindFeed;
    std::function<void()> importFinishedToFind;
    // The session list's adding of these files under its progress dialog.
    std::function<int(const std::vector<std::string>& files)> addSongsWithProgress;
};
void SetLibraryPartners(TLibraryPartners partners);
const TLibraryPartners& LibraryPartners();

// The page's operations; empty handlers while there is no page.
void SetLibraryCheckMarkHandler(std::function<void(std::uint32_t kind, std::int32_t id, int value)> handler);
void SetLibraryCheckMark(std::uint32_t kind, std::int32_t id, int value);
void SetLibrarySongImportedHandler(std::function<void(const char* path)> handler);
void MarkLibrarySongImported(const char* path);
void SetLibraryLocateHandler(std::function<void(const char* path)> handler);
void LocateSongInLibrary(const char* path);

// A store record carried by a message, freed with its library's call.
class CLibraryRecordPayload : public CAppPayload {
public:
    using TFree = void (*)(void* record);
    CLibraryRecordPayload(void* record, TFree free) : record_(record), free_(free) {}
    ~CLibraryRecordPayload() override;
    CLibraryRecordPayload(const CLibraryRecordPayload&) = delete;
    CLibraryRecordPayload& operator=(const CLibraryRecordPayload&) = delete;

    template <class T>
    T* As() const {
        return static_cast<T*>(record_);
    }

private:
    void* record_;
    TFree free_;
};

// A message carrying record, which free releases.
TAppMessage MakeLibraryRecordMessage(std::uint32_t number, void* record, CLibraryRecordPayload::TFree free);
// The record a message carries; null without one.
template <class T>
T* LibraryRecordOf(const TAppMessage& message) {
    auto* payload = dynamic_cast<CLibraryRecordPayload*>(message.payload.get());
    return payload == nullptr ? nullptr : payload->As<T>();
}

// The hook the song store posts its import messages through: the target
// is the receiver id of a window (as a pointer-sized number).
// (The signature is the store's SVT_PostHook, import_types.h, whose message
// numbers the program's message table names too.)
using TLibraryPostHook = std::function<bool(void* target, std::uint32_t message, std::uintptr_t wParam,
                                            std::intptr_t lParam, void (*freePayload)(void* payload))>;
TLibraryPostHook MakeLibraryPostHook();
inline void* LibraryPostTarget(TReceiverId receiver) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(receiver));
}
