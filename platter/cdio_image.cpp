#include "platter/cdio_image.h"

#include <cdio/cdio.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

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
// line ends. Anything else is refused before libcdio's parser sees it.
bool CueLooksLikeText(const std::string& cuePath, std::string& why) {
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
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && b != '\t' && b != '\r' && b != '\n') {
            why = "The image's CUE file " + cuePath + " holds binary data.";
            return false;
        }
    }
    return true;
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
    if (!CueLooksLikeText(cuePath, why)) return Refuse(code, text, PLATTER_ERR_OPEN, why);
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
