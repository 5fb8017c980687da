#include "songvault/tonecore_probe/tonecore_song_probe.h"

#include <string_view>

#include "filekit/file_obj.h"
#include "platform/ascii_case.h"
#include "songvault/records.h"
#include "songvault/tonecore_probe/probe_readers.h"

namespace {

// The name's extension, dot included ("" when it has none).
std::string_view ExtensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

}  // namespace

bool CTonecoreSongProbe::Probe(const char* path, TSongProbeResult& result) {
    if (path == nullptr) return false;
    const std::string_view extension = ExtensionOf(path);
    const bool mpeg = AsciiEqualNoCase(extension, ".mp3") || AsciiEqualNoCase(extension, ".mp2") ||
                      AsciiEqualNoCase(extension, ".mp1");
    const bool wave = AsciiEqualNoCase(extension, ".wav");
    const bool wma = AsciiEqualNoCase(extension, ".wma");
    if (!mpeg && !wave && !wma) return false;
    // Streams are reference counted: the file lives on the heap and goes
    // with its last reference.
    auto* file = new CFileObj();
    bool read = false;
    if (file->Open(path, 0, 0) != 0) {
        if (mpeg) {
            read = tonecoreprobe::ProbeMp3(*file, result);
            result.format = SVT_FORMAT_MP3;
        } else if (wave) {
            read = tonecoreprobe::ProbeWav(*file, result);
            result.format = SVT_FORMAT_WAV;
        } else {
            read = tonecoreprobe::ProbeWma(*file, result);
            result.format = SVT_FORMAT_WMA;
        }
    }
    DeleteRefObject(&file);
    return read;
}
