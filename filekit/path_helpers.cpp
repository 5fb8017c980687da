#include "filekit/path_helpers.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "filekit/errors.h"
#include "platform/ascii_case.h"
#include "platform/last_error.h"

namespace {

// '/' unless the path was written with '\\' alone.
char SeparatorOf(std::string_view path) {
    if (path.find('/') == std::string_view::npos && path.find('\\') != std::string_view::npos) {
        return '\\';
    }
    return '/';
}

// Index of the last separator that counts, or npos.
std::size_t LastSeparator(std::string_view path) {
    const char sep = SeparatorOf(path);
    const std::size_t at = path.rfind(sep);
    if (at == std::string_view::npos || (at == 0 && sep == '\\')) return std::string_view::npos;
    return at;
}

void Clear(char* out, std::size_t outSize) {
    if (out != nullptr && outSize > 0) out[0] = '\0';
}

// Copies a whole result or nothing.
int Store(std::string_view result, char* out, std::size_t outSize) {
    if (out == nullptr || outSize == 0) return 0;
    if (result.size() + 1 > outSize) {
        out[0] = '\0';
        SetLastError(FILEKIT_ERR_PATH_TOO_LONG);
        return 0;
    }
    std::memcpy(out, result.data(), result.size());
    out[result.size()] = '\0';
    return 1;
}

int Fail(char* out, std::size_t outSize) {
    Clear(out, outSize);
    return 0;
}

std::optional<std::string_view> DirectoryOf(std::string_view path) {
    if (path.empty()) return path;
    const std::size_t at = LastSeparator(path);
    if (at == std::string_view::npos) return std::nullopt;
    return path.substr(0, at + 1);
}

}  // namespace

int ExtractFileName(const char* path, char* out, std::size_t outSize) {
    if (path == nullptr) return Fail(out, outSize);
    const std::string_view p(path);
    if (p.empty()) return Store(p, out, outSize);
    const std::size_t at = LastSeparator(p);
    if (at == std::string_view::npos) return Fail(out, outSize);
    return Store(p.substr(at + 1), out, outSize);
}

int ExtractDirectory(const char* path, char* out, std::size_t outSize) {
    if (path == nullptr) return Fail(out, outSize);
    const std::optional<std::string_view> dir = DirectoryOf(path);
    if (!dir) return Fail(out, outSize);
    return Store(*dir, out, outSize);
}

int RemoveExtensionFromFile(char* path) {
    if (path == nullptr) return 0;
    char* dot = std::strrchr(path, '.');
    if (dot == nullptr || dot == path) return 0;
    dot[1] = '\0';
    return 1;
}

int HasFileExtension(const char* path, const char* ext) {
    if (path == nullptr || ext == nullptr) return 0;
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr) return 0;
    return AsciiEqualNoCase(dot + 1, ext) ? 1 : 0;
}

int SamePath(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return 0;
    return std::strcmp(a, b) == 0 ? 1 : 0;
}

int IsRelativePath(const char* path) {
    if (path == nullptr) return 0;
    return path[0] != '/' ? 1 : 0;
}

int HasSameDrive(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return 0;
    return (a[0] != '\0' && a[0] == b[0]) ? 1 : 0;
}

int AddDriveLetter(const char* path, const char* rest, char* out, std::size_t outSize) {
    if (path == nullptr || rest == nullptr) return Fail(out, outSize);
    const std::string_view p(path);
    const std::size_t at = p.find(SeparatorOf(p));
    if (at == std::string_view::npos) return Fail(out, outSize);
    std::string result(p.substr(0, at));
    result += rest;
    return Store(result, out, outSize);
}

int StripDriveLetter(const char* path, char* out, std::size_t outSize) {
    if (path == nullptr) return Fail(out, outSize);
    const std::string_view p(path);
    const std::size_t at = p.find(SeparatorOf(p));
    if (at == std::string_view::npos) return Fail(out, outSize);
    return Store(p.substr(at), out, outSize);
}

int AbsoluteToRelative(const char* baseFile, const char* path, char* out, std::size_t outSize) {
    Clear(out, outSize);
    if (baseFile == nullptr || path == nullptr) return 0;
    const std::optional<std::string_view> found = DirectoryOf(baseFile);
    const std::string_view target(path);
    if (!found || found->empty() || target.empty()) return 0;
    const std::string_view dir = *found;
    if (dir[0] != target[0]) return 0;  // not on the same root

    std::size_t common = 0;
    while (common < dir.size() && common < target.size() && dir[common] == target[common]) {
        ++common;
    }
    // The last separator inside the shared text ends the shared folders.
    // Taking it from the shared text alone keeps "/a/bc/" and "/a/b/x" apart:
    // their common "/a/b" stops at "/a/", not at the separator behind "b".
    const char sep = SeparatorOf(dir);
    const std::size_t shared = dir.substr(0, common).rfind(sep);
    if (shared == std::string_view::npos) return 0;

    std::string result;
    for (std::size_t i = shared + 1; i < dir.size(); ++i) {
        if (dir[i] == sep) {
            result += sep;
            result += "..";
        }
    }
    result += target.substr(shared);
    return Store(result, out, outSize);
}

int RelativeToAbsolute(const char* baseFile, const char* relative, char* out, std::size_t outSize) {
    Clear(out, outSize);
    if (baseFile == nullptr || relative == nullptr) return 0;
    const std::optional<std::string_view> found = DirectoryOf(baseFile);
    const std::string_view rel(relative);
    if (!found || found->empty() || rel.empty()) return 0;
    const std::string_view dir = *found;
    const char dirSep = SeparatorOf(dir);
    const char relSep = SeparatorOf(rel);

    // After the leading separator (when there is one), the names ".." climb
    // one folder each and "." and empty names stay; the first other name
    // begins the rest. Names that only start with dots (".hidden",
    // "...") are names like any other.
    std::size_t i = rel[0] == relSep ? 1 : 0;
    int climbs = 0;
    while (i < rel.size()) {
        const std::size_t end = std::min(rel.find(relSep, i), rel.size());
        const std::string_view name = rel.substr(i, end - i);
        if (name == "..") {
            ++climbs;
        } else if (!name.empty() && name != ".") {
            break;
        }
        i = end + 1;
    }
    if (i >= rel.size()) return 0;

    // Climbing stops at the base's first separator, the root for '/' paths
    // (and "C:\\" for paths written with drives), never before the text.
    const std::size_t first = dir.find(dirSep);
    if (first == std::string_view::npos) return 0;
    std::size_t at = dir.size() - 1;  // the folder's trailing separator
    for (int c = 0; c < climbs && at > first; ++c) at = dir.rfind(dirSep, at - 1);

    std::string result(dir.substr(0, at + 1));
    for (char ch : rel.substr(i)) result += (ch == relSep) ? dirSep : ch;
    return Store(result, out, outSize);
}
