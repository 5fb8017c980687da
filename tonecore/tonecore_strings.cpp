#include "tonecore/tonecore_strings.h"

#include <mutex>

#include "platform/user_folders.h"
#include "utilities/keyed_text.h"

namespace {

constexpr const char* kStringFileName = "tonecore-strings.ini";

std::mutex& PathLock() {
    static std::mutex* const lock = new std::mutex;
    return *lock;
}
std::string& StringFilePath() {
    static std::string* const path = new std::string;
    return *path;
}

}  // namespace

std::string ToneCoreStringFile() {
    std::lock_guard<std::mutex> hold(PathLock());
    return StringFilePath();
}

void SetToneCoreStringFile(const char* path) {
    std::lock_guard<std::mutex> hold(PathLock());
    StringFilePath() = path != nullptr ? path : "";
}

int ToneCoreLoadString(const char* key, char* buffer, int size) {
    std::string file = ToneCoreStringFile();
    // Before start-up (or when start-up found no file) the resource folder
    // is asked directly, so that early failure messages still read well.
    if (file.empty()) file = FindResourceFile(kStringFileName);
    return MyLoadString(key, buffer, size, file.c_str()) != 0 ? 1 : 0;
}

// Used by start-up to find the file once.
std::string FindToneCoreStringFile() { return FindResourceFile(kStringFileName); }
