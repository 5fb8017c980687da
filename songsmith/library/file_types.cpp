#include "songsmith/library/file_types.h"

#include <initializer_list>

#include "filekit/path_helpers.h"

namespace {

bool HasOneOf(const char* path, std::initializer_list<const char*> extensions) {
    if (path == nullptr) return false;
    for (const char* extension : extensions) {
        if (HasFileExtension(path, extension) != 0) return true;
    }
    return false;
}

}  // namespace

bool IsAddableFile(const char* path) {
    return HasOneOf(path, {"mp3", "mp2", "mp1", "mpg", "wav", "m3u", "pls", "pl", "wma"});
}

bool IsMpegAudioFile(const char* path) { return HasOneOf(path, {"mp3", "mp2", "mp1"}); }

bool IsPlaylistFile(const char* path) { return HasOneOf(path, {"m3u", "pls", "pl", "tps"}); }

bool IsWmaFile(const char* path) { return HasOneOf(path, {"wma"}); }

bool IsWavFile(const char* path) { return HasOneOf(path, {"wav"}); }
