#include "songvault/import_posts.h"

#include <cstring>
#include <new>

#include "songvault/record_text.h"

namespace songvault {

void FreePostedSong(void* payload) { delete static_cast<TSVT_Song*>(payload); }
void FreePostedKnownDir(void* payload) { delete static_cast<TKnownDirInfo*>(payload); }
void FreePostedString(void* payload) { delete[] static_cast<char*>(payload); }

void CImportPoster::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, void* payload,
                         void (*freePayload)(void*)) {
    if (!hook_(target_, message, wParam, lParam, freePayload)) freePayload(payload);
}

void CImportPoster::FoundSong(const TSVT_Song& song) {
    if (hook_ == nullptr) return;
    auto* copy = new (std::nothrow) TSVT_Song(song);
    if (copy == nullptr) return;
    Post(WM_IMPORT_FOUNDSONG, 0, reinterpret_cast<std::intptr_t>(copy), copy, FreePostedSong);
}

void CImportPoster::KnownDir(std::string_view folder, std::int32_t songCount, std::int32_t modifiedTime) {
    if (hook_ == nullptr || folder.size() >= sizeof TKnownDirInfo::path) return;
    auto* info = new (std::nothrow) TKnownDirInfo{};
    if (info == nullptr) return;
    PutText(folder, info->path);
    info->value = songCount;
    info->number = modifiedTime;
    Post(WM_IMPORT_KNOWNDIR, reinterpret_cast<std::uintptr_t>(info), 0, info, FreePostedKnownDir);
}

void CImportPoster::CurrentDir(std::string_view folder) {
    if (hook_ == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    if (postedCurrentDir_ && now - lastCurrentDir_ < kCurrentDirSpacing) return;
    auto* text = new (std::nothrow) char[folder.size() + 1];
    if (text == nullptr) return;
    std::memcpy(text, folder.data(), folder.size());
    text[folder.size()] = '\0';
    postedCurrentDir_ = true;
    lastCurrentDir_ = now;
    Post(WM_IMPORT_CURRENTDIR, reinterpret_cast<std::uintptr_t>(text), 0, text, FreePostedString);
}

}  // namespace songvault
