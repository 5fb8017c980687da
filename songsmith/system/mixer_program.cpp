#include "songsmith/system/mixer_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "filekit/log.h"
#include "utilities/launch_browser.h"

namespace {

struct TKnownMixer {
    const char* name;
    const char* parameters;
};

// In the order they are tried: the PulseAudio and PipeWire mixers first,
// then the GNOME settings' sound page.
constexpr TKnownMixer kKnownMixers[] = {
    {"pavucontrol", ""},
    {"pavucontrol-qt", ""},
    {"gnome-control-center", "sound"},
};

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string FindOnPath(const char* searchPath, const char* name) {
    std::istringstream folders(searchPath != nullptr ? searchPath : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) continue;  // an empty entry would mean the current folder
        const std::string path = folder + (folder.back() == '/' ? "" : "/") + name;
        if (IsExecutableFile(path)) return path;
    }
    return {};
}

}  // namespace

TMixerCommand FindMixerProgram(const char* searchPath) {
    for (const TKnownMixer& mixer : kKnownMixers) {
        std::string path = FindOnPath(searchPath, mixer.name);
        if (!path.empty()) return {std::move(path), mixer.parameters};
    }
    return {};
}

bool StartMixerProgram() {
    const TMixerCommand mixer = FindMixerProgram(std::getenv("PATH"));
    if (mixer.program.empty()) {
        Log("StartMixerProgram: no mixer program (pavucontrol, pavucontrol-qt, gnome-control-center) found");
        return false;
    }
    if (!StartProgram(mixer.program.c_str(), mixer.parameters.c_str())) {
        LogFmt("StartMixerProgram: could not start %s", mixer.program.c_str());
        return false;
    }
    return true;
}
