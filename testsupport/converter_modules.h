#pragma once
// The encoder libraries and the media module the converter factory looks
// for beside the program, placed as links in the test executable's own
// folder and taken away again. Header only: the including test links
// platform and FFmpeg already.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/user_folders.h"
#include "testsupport/media_libraries_held.h"

namespace testsupport {

inline constexpr const char* kLameModuleFile = "liblame_enc.so";
inline constexpr const char* kBladeModuleFile = "libbladeenc.so";
inline constexpr const char* kMediaModuleFile = "libmediacore.so";

inline std::string BesideExecutable(const char* file) { return GetExecutableDir() + file; }

// Links file beside the executable to module; a test failure when it cannot.
inline void PlaceConverterModule(const char* file, const char* module) {
    ASSERT_EQ(symlink(module, BesideExecutable(file).c_str()), 0) << file;
}

inline void RemoveConverterModules() {
    for (const char* file : {kLameModuleFile, kBladeModuleFile, kMediaModuleFile})
        unlink(BesideExecutable(file).c_str());
}

}  // namespace testsupport
