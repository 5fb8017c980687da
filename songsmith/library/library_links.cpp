#include "songsmith/library/library_links.h"

#include <utility>

namespace {

struct TLinks {
    TLibraryPartners partners;
    std::function<void(std::uint32_t, std::int32_t, int)> checkMark;
    std::function<void(const char*)> songImported;
    std::function<void(const char*)> locate;
};

TLinks& Links() {
    static TLinks links;
    return links;
}

}  // namespace

void SetLibraryPartners(TLibraryPartners partners) { Links().partners = std::move(partners); }
const TLibraryPartners& LibraryPartners() { return Links().partners; }

void SetLibraryCheckMarkHandler(std::function<void(std::uint32_t, std::int32_t, int)> handler) {
    Links().checkMark = std::move(handler);
}

void SetLibraryCheckMark(std::uint32_t kind, std::int32_t id, int value) {
    if (Links().checkMark) Links().checkMark(kind, id, value);
}

void SetLibrarySongImportedHandler(std::function<void(const char*)> handler) {
    Links().songImported = std::move(handler);
}

void MarkLibrarySongImported(const char* path) {
    if (Links().songImported && path != nullptr) Links().songImported(path);
}

void SetLibraryLocateHandler(std::function<void(const char*)> handler) { Links().locate = std::move(handler); }

void LocateSongInLibrary(const char* path) {
    if (Links().locate && path != nullptr) Links().locate(path);
}

CLibraryRecordPayload::~CLibraryRecordPayload() {
    if (record_ != nullptr && free_ != nullptr) free_(record_);
}

TAppMessage MakeLibraryRecordMessage(std::uint32_t number, void* record, CLibraryRecordPayload::TFree free) {
    TAppMessage message{number, 0, 0, nullptr};
    message.payload = std::make_unique<CLibraryRecordPayload>(record, free);
    return message;
}

TLibraryPostHook MakeLibraryPostHook() {
    return [](void* target, std::uint32_t number, std::uintptr_t wParam, std::intptr_t lParam,
              void (*freePayload)(void*)) {
        void* record = wParam != 0 ? reinterpret_cast<void*>(wParam) : reinterpret_cast<void*>(lParam);
        // Once the message exists it owns the record: a refused post frees
        // it here, and the library must not free it again.
        PostAppMessage(static_cast<TReceiverId>(reinterpret_cast<std::uintptr_t>(target)),
                       MakeLibraryRecordMessage(number, record, freePayload));
        return true;
    };
}
