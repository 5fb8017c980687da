#include "songvault/tonecore_probe/tonecore_song_probe.h"

#include <string_view>

#include "filekit/file_obj.h"
#include "songvault/records.h"
#include "songvault/tonecore_probe/probe_readers.h"

namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    text.remove_prefix(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != ending[i]) return false;
    }
    return true;
}

}  // namespace

bool CTonecoreSongProbe::Probe(const char* path, TSongProbeResult& result) {
    if (path == nullptr) return false;
    const std::string_view name = path;
    const bool mpeg = EndsWithIgnoringCase(name, ".mp3") || EndsWithIgnoringCase(name, ".mp2") ||
                      EndsWithIgnoringCase(name, ".mp1");
    const bool wave = EndsWithIgnoringCase(name, ".wav");
    if (!mpeg && !wave) return false;
    // Streams are reference counted: the file lives on the heap and goes
    // with its last reference.
    auto* file = new CFileObj();
    bool read = false;
    if (file->Open(path, 0, 0) != 0) {
        read = mpeg ? tonecoreprobe::ProbeMp3(*file, result) : tonecoreprobe::ProbeWav(*file, result);
        if (read) result.format = mpeg ? SVT_FORMAT_MP3 : SVT_FORMAT_WAV;
    }
    DeleteRefObject(&file);
    return read;
}
