// Fuzz target for the profile (INI) reader: any file text. Every section and
// key the reader names must be found again, and every value copied into
// buffers of any size must fit, end where the count says, and be whole
// UTF-8 (cut only on a character boundary) with its terminator at the count.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "testsupport/fuzz_scratch.h"
#include "utilities/profile_file.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

bool WholeUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += n;
    }
    return true;
}

void CheckValue(const char* section, const char* key, const char* path) {
    char out[64];
    for (int size : {1, 2, 3, 5, 17, 64}) {
        std::memset(out, 'x', sizeof out);
        const int copied = GetPrivateProfileString(section, key, "", out, size, path);
        // A value may hold NUL bytes of its own; the terminator is at the count.
        Check(copied >= 0 && copied < size && out[copied] == '\0');
        Check(WholeUtf8(std::string_view(out, static_cast<std::size_t>(copied))));
    }
    GetPrivateProfileInt(section, key, -7, path);
}

// A key the reader named is found: its value, never the default (a line
// break, which no value holds).
void CheckFound(const std::string& section, const std::string& key, const char* path) {
    if (section.find('\0') != std::string::npos || key.find('\0') != std::string::npos) return;
    char out[8];
    GetPrivateProfileString(section.c_str(), key.c_str(), "\n", out, sizeof out, path);
    Check(std::strcmp(out, "\n") != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader takes a path and keeps files it read by their identity:
    // each input is written anew and renamed over the one before.
    static const fuzzsupport::CScratchFolder scratch("profile_fuzz");
    static const std::string path = scratch.File("input.ini");
    static const std::string next = scratch.File("next.ini");
    if (!fuzzsupport::CScratchFolder::Write(next, data, size) || std::rename(next.c_str(), path.c_str()) != 0) return 0;

    int keys = 0;
    for (const std::string& section : GetPrivateProfileSectionNames(path.c_str())) {
        for (const std::string& key : GetPrivateProfileKeyNames(section.c_str(), path.c_str())) {
            // Lookups are linear in the file: enough keys to cover the
            // reader, not a quadratic walk of a large input.
            if (++keys > 64) return 0;
            CheckValue(section.c_str(), key.c_str(), path.c_str());
            CheckFound(section, key, path.c_str());
        }
    }
    CheckValue("", "", path.c_str());
    return 0;
}
