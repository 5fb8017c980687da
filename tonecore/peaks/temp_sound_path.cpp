#include "tonecore/peaks/temp_sound_path.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/last_error.h"
#include "platform/tick.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_settings.h"

namespace {

// Room the callers need behind a fallback name: the cache extension (".ipk",
// ".isk", ".grd") and the terminator, with a little to spare.
constexpr std::size_t kExtensionRoom = 8;

// Characters that other file systems refuse, and the escape character itself
// so that escaping stays one-to-one.
bool NeedsEscape(char c) { return c != '\0' && std::strchr(":*?<>|\\%", c) != nullptr; }

void AppendEscaped(std::string& out, char c) {
    static const char hex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    out += '%';
    out += hex[byte >> 4];
    out += hex[byte & 15];
}

// One path component, escaped; "." and ".." are escaped whole so that a
// mirrored path stays inside the folder.
void AppendComponent(std::string& out, std::string_view name, char separator) {
    if (name == "." || name == "..") {
        for (char c : name) AppendEscaped(out, c);
        return;
    }
    for (char c : name) {
        if (c != separator && NeedsEscape(c)) {
            AppendEscaped(out, c);
        } else {
            out += c;
        }
    }
}

// '/' separates, unless the path was written elsewhere with '\' only.
char SeparatorOf(std::string_view path) {
    return path.find('/') == std::string_view::npos && path.find('\\') != std::string_view::npos
               ? '\\'
               : '/';
}

// 64-bit FNV-1a of the whole path: stable from run to run (std::hash is not
// promised to be), so a cache file is found again by the next run.
std::uint64_t PathHash(std::string_view path) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : path) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

void MakeFolder(const std::string& path) { mkdir(path.c_str(), 0777); }

// The folder followed by the source's folders and name, each separator of
// the source becoming '/', with folders made along the way when asked.
std::string MirroredPath(const std::string& folder, std::string_view source, bool createFolders) {
    const char separator = SeparatorOf(source);
    std::string out = folder;
    if (createFolders) MakeFolder(out);
    std::size_t at = 0;
    while (at <= source.size()) {
        std::size_t next = source.find(separator, at);
        if (next == std::string_view::npos) next = source.size();
        const std::string_view name = source.substr(at, next - at);
        // Empty components (a leading separator, doubled separators) add
        // nothing: "/a//b" is the file "/a/b".
        if (!name.empty()) {
            if (out.size() > folder.size()) {
                if (createFolders) MakeFolder(out);
            }
            AppendComponent(out, name, separator);
            if (next < source.size()) out += '/';
        }
        at = next + 1;
    }
    // A source ending in a separator mirrors to a folder path; the folder
    // itself is made too when asked.
    if (createFolders && !out.empty() && out.back() == '/' && out.size() > folder.size()) {
        MakeFolder(out);
    }
    return out;
}

// The fallback for a source too long to mirror: the folder, a hash of the
// whole source and as much of the file name (from its end) as fits.
std::string FallbackPath(const std::string& folder, std::string_view source, std::size_t size) {
    const char separator = SeparatorOf(source);
    const std::size_t cut = source.rfind(separator);
    const std::string_view name = cut == std::string_view::npos ? source : source.substr(cut + 1);
    char prefix[40];
    if (name.empty()) {
        std::snprintf(prefix, sizeof prefix, "tmp%u-%016llx", GetTickCount(),
                      static_cast<unsigned long long>(PathHash(source)));
        return folder + prefix;
    }
    std::snprintf(prefix, sizeof prefix, "%016llx-", static_cast<unsigned long long>(PathHash(source)));
    std::string escaped;
    AppendComponent(escaped, name, separator);
    std::string out = folder + prefix;
    const std::size_t room = size > out.size() + kExtensionRoom ? size - out.size() - kExtensionRoom : 0;
    if (escaped.size() > room) escaped.erase(0, escaped.size() - room);
    return out + escaped;
}

int Store(const std::string& path, char* result, std::int32_t size) {
    if (path.size() + 1 > static_cast<std::size_t>(size)) {
        result[0] = '\0';
        SetLastError(TONECORE_ERR_PATH_TOO_LONG);
        return 0;
    }
    std::memcpy(result, path.c_str(), path.size() + 1);
    return 1;
}

}  // namespace

int MakeTempPath2(const char* sourcePath, char* result, std::int32_t size, int createFolders) {
    if (result == nullptr || size < 1) return 0;
    const std::string_view source = sourcePath != nullptr ? sourcePath : "";
    const std::string folder = TempSndPath();
    if (folder.empty()) return Store(std::string(source), result, size);
    const auto limit = static_cast<std::size_t>(size);
    if (folder.size() + source.size() + 1 <= limit) {
        std::string mirrored = MirroredPath(folder, source, createFolders != 0);
        // Escapes lengthen the text; a mirror that no longer fits falls back.
        if (mirrored.size() + 1 <= limit) return Store(mirrored, result, size);
    }
    return Store(FallbackPath(folder, source, limit), result, size);
}

int MakeTempPath1(const char* part1, const char* part2, char* result, std::int32_t size,
                  int createFolders) {
    std::string joined = part1 != nullptr ? part1 : "";
    joined += part2 != nullptr ? part2 : "";
    return MakeTempPath2(joined.c_str(), result, size, createFolders);
}
