#include "platter/cdio_image.h"

#include <cdio/cdio.h>
#include <sys/stat.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <string_view>

#include "platter/cdio_toc.h"
#include "platter/errors.h"
#include "platter/types.h"
#include "titlefetch/cdio_log.h"

namespace {

bool Refuse(std::int32_t& code, std::string& text, std::int32_t value, std::string why) {
    code = value;
    text = std::move(why);
    return false;
}

// Regular file size, or -1.
std::int64_t FileSize(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

// A CUE file is short text: no NUL or other control bytes besides tab and
// line ends. Anything else is refused before libcdio's parser sees it. The
// text read is left in bytes.
bool CueLooksLikeText(const std::string& cuePath, std::string& bytes, std::string& why) {
    const std::int64_t size = FileSize(cuePath);
    if (size < 0) {
        why = "The image's CUE file " + cuePath + " cannot be found.";
        return false;
    }
    if (size == 0 || size > kMaxCueBytes) {
        why = "The image's CUE file " + cuePath + " is not an image description (" + std::to_string(size) + " bytes).";
        return false;
    }
    std::ifstream in(cuePath, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && b != '\t' && b != '\r' && b != '\n') {
            why = "The image's CUE file " + cuePath + " holds binary data.";
            return false;
        }
    }
    return true;
}

// The first word of a CUE line, upper-cased ("" for a blank line).
std::string CueKeyword(std::string_view line) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) return {};
    const std::size_t end = line.find_first_of(" \t\r", start);
    std::string word(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return word;
}

// The image drive writes one FILE line with TRACK lines after it, at most
// the 99 tracks a disc can hold (Red Book). A sheet of another shape is not
// one of its images; a FILE line without a TRACK is also where libcdio's
// parser loses memory, on every reopen of the image, and libcdio writes past
// its track table for a sheet of more than 99 TRACK lines.
bool CueHasImageShape(const std::string& bytes) {
    constexpr int kMaxTracks = 99;
    int files = 0;
    int tracks = 0;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        const std::string keyword = CueKeyword(std::string_view(bytes).substr(at, end - at));
        if (keyword == "FILE") {
            if (++files > 1) return false;
        } else if (keyword == "TRACK") {
            if (files == 0 || ++tracks > kMaxTracks) return false;
        }
        at = end + 1;
    }
    return files == 1 && tracks > 0;
}

}  // namespace

std::string BinPathForCue(const std::string& cuePath) {
    const std::size_t slash = cuePath.rfind('/');
    const std::size_t dot = cuePath.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? cuePath.substr(0, dot) : cuePath) + ".bin";
}

CCdioImage::~CCdioImage() {
    if (cdio_ != nullptr) cdio_destroy(cdio_);
}

bool CCdioImage::Open(const std::string& cuePath, std::int32_t& code, std::string& text) {
    InstallCdioLogHandler();
    std::string why;
    std::string cue;
    if (!CueLooksLikeText(cuePath, cue, why)) return Refuse(code, text, PLATTER_ERR_OPEN, why);
    if (!CueHasImageShape(cue))
        return Refuse(code, text, PLATTER_ERR_BAD_TOC, "The image's CUE file " + cuePath + " does not list one data file with 1 to 99 tracks.");
    const std::int64_t binBytes = FileSize(BinPathForCue(cuePath));
    if (binBytes < 0) return Refuse(code, text, PLATTER_ERR_OPEN, "The image's data file " + BinPathForCue(cuePath) + " cannot be found.");

    cdio_ = cdio_open_cue(cuePath.c_str());
    if (cdio_ == nullptr) return Refuse(code, text, PLATTER_ERR_OPEN, "The image " + cuePath + " cannot be opened.");

    if (!ReadCdioToc(cdio_, toc_, why)) return Refuse(code, text, PLATTER_ERR_BAD_TOC, "The image " + cuePath + ": " + why);
    // The tracks must lie within the bytes present; libcdio's own lead-out
    // may not say so for a data file that was cut short.
    if (std::int64_t{toc_.leadoutLsn} * PLATTER_SECTOR_BYTES > binBytes)
        return Refuse(code, text, PLATTER_ERR_BAD_TOC, "The image's data file is shorter than its track list.");
    return true;
}
