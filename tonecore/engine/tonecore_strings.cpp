#include "tonecore/engine/tonecore_strings.h"

#include "platform/user_folders.h"
#include "tonecore/engine/guarded_text.h"
#include "utilities/keyed_text.h"

namespace {

constexpr const char* kStringFileName = "tonecore-strings.ini";

CGuardedText& StringFilePath() {
    static CGuardedText* const path = new CGuardedText;
    return *path;
}

}  // namespace

std::string ToneCoreStringFile() { return StringFilePath().Get(); }

void SetToneCoreStringFile(const char* path) { StringFilePath().Set(path != nullptr ? path : ""); }

int ToneCoreLoadString(const char* key, char* buffer, int size) {
    std::string file = ToneCoreStringFile();
    // Before start-up (or when start-up found no file) the resource folder
    // is asked directly, so that early failure messages still read well.
    if (file.empty()) file = FindResourceFile(kStringFileName);
    return MyLoadString(key, buffer, size, file.c_str()) != 0 ? 1 : 0;
}

// Used by start-up to find the file once.
std::string FindToneCoreStringFile() { return FindResourceFile(kStringFileName); }
