#include "utilities/keyed_text.h"

#include <climits>
#include <cstring>
#include <mutex>
#include <string_view>

#include "platform/user_folders.h"
#include "utilities/profile_file.h"

namespace {

constexpr const char* kSection = "Strings";
constexpr const char* kUtilityStringFileName = "utility-strings.ini";

struct TStringFiles {
    std::mutex lock;
    std::string stringFile;
    std::string utilityFile;  // empty: not looked up yet
};

TStringFiles& Files() {
    static TStringFiles* files = new TStringFiles;
    return *files;
}

// Replaces every occurrence of escape in text by one character. A single
// pass from the left does what replacing the first occurrence again and
// again does, because the replacement can never begin a new escape.
std::size_t ReplaceEscape(char* text, std::string_view escape, char replacement) {
    std::size_t write = 0;
    for (std::size_t read = 0; text[read] != '\0';) {
        if (std::strncmp(text + read, escape.data(), escape.size()) == 0) {
            text[write++] = replacement;
            read += escape.size();
        } else {
            text[write++] = text[read++];
        }
    }
    text[write] = '\0';
    return write;
}

int SizeArgument(unsigned long size) {
    return size > static_cast<unsigned long>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

}  // namespace

void SetStringFile(const char* path) {
    TStringFiles& files = Files();
    std::lock_guard guard(files.lock);
    files.stringFile = path != nullptr ? path : "";
}

void SetLanguageFile(const char* path) {
    SetStringFile(path);
}

std::string GetStringFile() {
    TStringFiles& files = Files();
    std::lock_guard guard(files.lock);
    return files.stringFile;
}

std::string GetUtilityStringFile() {
    TStringFiles& files = Files();
    std::lock_guard guard(files.lock);
    if (files.utilityFile.empty()) {
        files.utilityFile = FindResourceFile(kUtilityStringFileName);
        // Not installed: the program's folder, so texts read as their keys.
        if (files.utilityFile.empty()) {
            files.utilityFile = GetExecutableDir() + kUtilityStringFileName;
        }
    }
    return files.utilityFile;
}

void SetUtilityStringFile(const char* path) {
    TStringFiles& files = Files();
    std::lock_guard guard(files.lock);
    files.utilityFile = path != nullptr ? path : "";
}

int MyLoadString(const char* key, char* out, int size, const char* file) {
    if (out == nullptr || size < 1) return 0;
    out[0] = '\0';
    if (key == nullptr || key[0] == '\0') return 0;
    const std::string path = file != nullptr ? std::string(file) : GetStringFile();
    if (GetPrivateProfileString(kSection, key, key, out, size, path.c_str()) == 0) return 0;
    ReplaceEscape(out, "\\r\\n", '\n');
    return static_cast<int>(ReplaceEscape(out, "\\n", '\n'));
}

int LoadLanguageString(const char* key, char* out, unsigned long size) {
    if (out == nullptr || size == 0) return 0;
    out[0] = '\0';
    if (key == nullptr) return 0;
    const std::string path = GetStringFile();
    return GetPrivateProfileString(kSection, key, key, out, SizeArgument(size), path.c_str()) > 0
               ? 1
               : 0;
}

int LoadLanguageStringFormatted(const char* key, char* out, unsigned long size) {
    if (key == nullptr || out == nullptr || size == 0) return 0;
    const int result = LoadLanguageString(key, out, size);
    // "\n" becomes CR LF over the same two bytes; "\t" becomes one tab.
    std::size_t write = 0;
    for (std::size_t read = 0; out[read] != '\0';) {
        if (out[read] == '\\' && out[read + 1] == 'n') {
            out[write++] = '\r';
            out[write++] = '\n';
            read += 2;
        } else if (out[read] == '\\' && out[read + 1] == 't') {
            out[write++] = '\t';
            read += 2;
        } else {
            out[write++] = out[read++];
        }
    }
    out[write] = '\0';
    return result;
}
