#include "utilities/windows_version.h"

#include <sys/utsname.h>

#include <cstdio>
#include <fstream>
#include <string_view>

#include "platform/ascii_case.h"
#include "utilities/text_copy.h"

namespace {

constexpr std::uint32_t kPlatformWindows9x = 1;
constexpr std::uint32_t kPlatformNT = 2;
constexpr std::size_t kServicePackMax = 127;

// The value of an os-release assignment, without its quotes.
std::string Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

char SecondCharacter(const std::string& text) { return text.size() > 1 ? text[1] : '\0'; }

// The release name of the 95/98/ME family, with its code; empty for a
// version the family never had.
std::string Windows9xName(const TWindowsVersionInfo& info, TOurWinVersion& code) {
    if (info.majorVersion != 4) return {};
    const char second = SecondCharacter(info.servicePack);
    switch (info.minorVersion) {
        case 0:
            code = (second == 'C' || second == 'B') ? kWin95OSR2 : kWin95;
            return code == kWin95OSR2 ? "Microsoft Windows 95 OSR2 " : "Microsoft Windows 95 ";
        case 10:
            code = second == 'A' ? kWin98SE : kWin98;
            return code == kWin98SE ? "Microsoft Windows 98 SE " : "Microsoft Windows 98 ";
        case 90:
            code = kWinME;
            return "Microsoft Windows Millennium Edition ";
        default:
            return {};
    }
}

std::string NTEditionWord(const char* productType) {
    if (productType == nullptr) return {};
    if (AsciiEqualNoCase(productType, "WINNT")) return "Professional ";
    if (AsciiEqualNoCase(productType, "LANMANNT")) return "Server ";
    if (AsciiEqualNoCase(productType, "SERVERNT")) return "Advanced Server ";
    return {};
}

std::string NTDescription(const TWindowsVersionInfo& info, bool extendedRead,
                          const char* productType, TOurWinVersion& code) {
    std::string text;
    if (info.majorVersion < 5) {
        text = "Microsoft Windows NT ";
        code = kWinNT;
    } else if (info.majorVersion == 5 && info.minorVersion == 0) {
        text = "Microsoft Windows 2000 ";
        code = kWin2000;
    }
    if (extendedRead && info.majorVersion == 5 && info.minorVersion == 1) {
        text = "Microsoft Windows XP ";
        code = kWinXP;
    }
    if (!extendedRead) text += NTEditionWord(productType);
    const unsigned build = info.buildNumber & 0xFFFFu;
    // The record's service-pack field holds 128 bytes with its terminator.
    const std::string servicePack = info.servicePack.substr(0, kServicePackMax);
    char line[256];
    if (info.majorVersion < 5) {
        std::snprintf(line, sizeof line, "version %u.%u %s (Build %u)\n", info.majorVersion,
                      info.minorVersion, servicePack.c_str(), build);
    } else {
        std::snprintf(line, sizeof line, "%s (Build %u)\n", servicePack.c_str(), build);
    }
    return text + line;
}

}  // namespace

std::string OsReleaseName(const char* path) {
    std::ifstream in(path);
    std::string line, pretty, name;
    while (std::getline(in, line)) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) pretty = Unquoted(std::string_view(line).substr(12));
        if (line.rfind("NAME=", 0) == 0) name = Unquoted(std::string_view(line).substr(5));
    }
    if (!pretty.empty()) return pretty;
    return name.empty() ? "Linux" : name;
}

TOurWinVersion GetWindowsSystemVersion(char* text) {
    if (text != nullptr) {
        std::string name = OsReleaseName("/etc/os-release");
        if (name == "Linux") name = OsReleaseName("/usr/lib/os-release");
        utsname kernel{};
        const std::string release = uname(&kernel) == 0 ? kernel.release : "unknown";
        textcopy::CopyTextCut(name + " (Linux " + release + ")", text, kWindowsVersionTextSize);
    }
    return kWinXP;
}

TOurWinVersion DecodeWindowsVersion(const TWindowsVersionInfo* info, bool extendedRead,
                                    const char* productType, char* text) {
    if (info == nullptr) return kWinUnknown;
    TOurWinVersion code = kWinUnknown;
    std::string description;
    if (info->platformId == kPlatformWindows9x) {
        description = Windows9xName(*info, code);
    } else if (info->platformId == kPlatformNT) {
        description = NTDescription(*info, extendedRead, productType, code);
    }
    // A version without a description leaves the caller's text as it was.
    if (text != nullptr && !description.empty()) {
        textcopy::CopyTextCut(description, text, kWindowsVersionTextSize);
    }
    return code;
}
