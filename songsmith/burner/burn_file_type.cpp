#include "songsmith/burner/burn_file_type.h"

#include "platform/ascii_case.h"
#include "songsmith/library/file_types.h"

namespace {

bool EndsWithNoCase(const std::string& text, const char* tail) {
    const std::string end(tail);
    return text.size() >= end.size() && AsciiEqualNoCase(text.substr(text.size() - end.size()), end);
}

}  // namespace

bool BurnFileIsMp3(const std::string& file, const std::string& song) {
    if (EndsWithNoCase(file, ".tmm")) return IsMpegAudioFile(song.c_str());
    return IsMpegAudioFile(file.c_str());
}
