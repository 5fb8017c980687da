#include "songvault/import_filter.h"

#include <array>
#include <cstdlib>
#include <memory>

#include "platform/ascii_case.h"
#include "songvault/import_types.h"
#include "songvault/record_text.h"

namespace songvault {

namespace {

struct TKindName {
    std::string_view extension;
    std::uint32_t kind;
};
constexpr std::array<TKindName, 5> kKindNames{{
    {".mp3", SVT_IMPORT_MP3},
    {".mp2", SVT_IMPORT_MP3},
    {".mp1", SVT_IMPORT_MP3},
    {".wav", SVT_IMPORT_WAV},
    {".wma", SVT_IMPORT_WMA},
}};

}  // namespace

std::uint32_t KindOfName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return 0;
    const std::string_view extension = name.substr(dot);
    for (const TKindName& entry : kKindNames)
        if (AsciiEqualNoCase(extension, entry.extension)) return entry.kind;
    return 0;
}

std::int16_t FormatOfKind(std::uint32_t kind) {
    switch (kind) {
        case SVT_IMPORT_MP3: return SVT_FORMAT_MP3;
        case SVT_IMPORT_WAV: return SVT_FORMAT_WAV;
        case SVT_IMPORT_WMA: return SVT_FORMAT_WMA;
        default: return 0;
    }
}

std::int32_t MinimumLengthMs(std::uint32_t flags, std::uint32_t kind) {
    // The import options offer these four choices; a larger index (from a
    // hand-edited setting) is read as the strictest of them.
    constexpr std::array<std::int32_t, 4> kMinimumMs{0, 15000, 30000, 60000};
    int shift = 0;
    switch (kind) {
        case SVT_IMPORT_MP3: shift = SVT_IMPORT_MIN_MP3_SHIFT; break;
        case SVT_IMPORT_WAV: shift = SVT_IMPORT_MIN_WAV_SHIFT; break;
        case SVT_IMPORT_WMA: shift = SVT_IMPORT_MIN_WMA_SHIFT; break;
        default: return 0;
    }
    const std::uint32_t index = (flags >> shift) & 0xF;
    return kMinimumMs[index < kMinimumMs.size() ? index : kMinimumMs.size() - 1];
}

std::string WithSlash(std::string_view folder) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

bool IsAtOrBelowFolder(std::string_view folder, std::string_view top) {
    if (top.empty()) return false;
    const std::string topFolder = WithSlash(top);
    return folder.substr(0, topFolder.size()) == topFolder;
}

bool IsAtOrBelow(std::string_view folder, const MvList<TMvPath>* list) {
    if (list == nullptr) return false;
    for (const TMvPath& entry : *list)
        if (IsAtOrBelowFolder(folder, FieldText(entry.path))) return true;
    return false;
}

std::string RealFolder(const std::string& folder) {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(folder.c_str(), nullptr), &std::free);
    return real != nullptr ? WithSlash(real.get()) : std::string();
}

}  // namespace songvault
