#pragma once
// A BIN/CUE image opened through libcdio, for the reader core: its table of
// contents and its raw audio sectors.
//
// A CUE file is screened before libcdio parses it (size, bytes, a data file
// beside it), and the table libcdio reports is checked (ValidateToc), so an
// image whose BIN is shorter than its CUE or whose CUE is hostile is refused
// with a code before anything is read.

#include <cstdint>
#include <string>

#include "platter/disc_toc.h"

typedef struct _CdIo CdIo_t;

class CCdioImage final {
public:
    CCdioImage() = default;
    ~CCdioImage();
    CCdioImage(const CCdioImage&) = delete;
    CCdioImage& operator=(const CCdioImage&) = delete;

    // Opens cuePath and reads its table. False with code and text filled.
    bool Open(const std::string& cuePath, std::int32_t& code, std::string& text);
    const TDiscToc& Toc() const { return toc_; }
    // The open handle, for the reader; null before a successful Open.
    CdIo_t* Handle() const { return cdio_; }

private:
    CdIo_t* cdio_ = nullptr;
    TDiscToc toc_;
};

// The data file libcdio reads for a CUE file: the same name ending ".bin".
std::string BinPathForCue(const std::string& cuePath);

// CUE files larger than this are not image descriptions.
inline constexpr std::int64_t kMaxCueBytes = 64 * 1024;
