#include "titlefetch/cd_toc_reader.h"

#include <cdio/cdio.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"
#include "titlefetch/cdio_log.h"

namespace {

// A CUE file is a short text; anything larger is no image description.
constexpr std::int64_t kMaxCueBytes = 64 * 1024;
// Bytes of one raw CD sector (Red Book).
constexpr std::int64_t kRawSectorBytes = 2352;
// Red Book track numbers run from 1 to 99.
constexpr std::int32_t kMaxTrackNumber = 99;

// The size of a regular file, -1 when there is none.
std::int64_t RegularFileSize(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

bool NamesImage(const std::string& driveText) {
    const std::string_view suffix = ".cue";
    return RegularFileSize(driveText) >= 0 ||
           (driveText.size() >= suffix.size() &&
            AsciiEqualNoCase(std::string_view(driveText).substr(driveText.size() - suffix.size()), suffix));
}

// libcdio reads the sectors of a CUE file from the file of the same name
// ending ".bin", whatever the CUE file's FILE line names.
std::string DataFileOf(const std::string& cuePath) {
    const std::size_t slash = cuePath.rfind('/');
    const std::size_t dot = cuePath.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? cuePath.substr(0, dot) : cuePath) + ".bin";
}

// A usable image: a CUE file of short text (libcdio's parser is not made for
// anything else) and a data file holding at least one sector.
bool IsUsableImage(const std::string& cuePath) {
    const std::int64_t cueBytes = RegularFileSize(cuePath);
    if (cueBytes <= 0 || cueBytes > kMaxCueBytes) return false;
    if (RegularFileSize(DataFileOf(cuePath)) < kRawSectorBytes) return false;
    std::ifstream in(cuePath, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 && ch != '\t' && ch != '\r' && ch != '\n') return false;
    }
    return static_cast<std::int64_t>(text.size()) == cueBytes;
}

}  // namespace

CCdTocReader::~CCdTocReader() { Close(); }

bool CCdTocReader::Open(const char* driveText) {
    Close();
    InstallCdioLogHandler();
    if (driveText == nullptr) {
        cdio_ = cdio_open(nullptr, DRIVER_DEVICE);
    } else if (const std::string text = driveText; NamesImage(text)) {
        if (IsUsableImage(text)) cdio_ = cdio_open_cue(text.c_str());
    } else {
        cdio_ = cdio_open(text.c_str(), DRIVER_DEVICE);
    }
    return cdio_ != nullptr;
}

void CCdTocReader::Close() {
    if (cdio_ != nullptr) cdio_destroy(cdio_);
    cdio_ = nullptr;
}

bool CCdTocReader::TrackRange(std::int32_t& firstTrack, std::int32_t& trackCount) const {
    if (cdio_ == nullptr) return false;
    const track_t first = cdio_get_first_track_num(cdio_);
    const track_t count = cdio_get_num_tracks(cdio_);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK) return false;
    // A blank disc has no tracks; a table numbering past 99 is no disc's.
    if (count > 0 && (first < 1 || first + count - 1 > kMaxTrackNumber)) return false;
    firstTrack = first;
    trackCount = count;
    return true;
}

bool CCdTocReader::IsAudioTrack(std::int32_t track, bool& audio) const {
    if (cdio_ == nullptr || track < 1 || track > kMaxTrackNumber) return false;
    const track_format_t format = cdio_get_track_format(cdio_, static_cast<track_t>(track));
    if (format == TRACK_FORMAT_ERROR) return false;
    audio = format == TRACK_FORMAT_AUDIO;
    return true;
}

bool CCdTocReader::TrackStart(std::int32_t track, std::int32_t& lba) const {
    if (cdio_ == nullptr || track < 1 || track > kMaxTrackNumber) return false;
    const lba_t start = cdio_get_track_lba(cdio_, static_cast<track_t>(track));
    if (start == CDIO_INVALID_LBA || start < 0) return false;
    lba = start;
    return true;
}

bool CCdTocReader::LeadOut(std::int32_t& lba) const {
    if (cdio_ == nullptr) return false;
    const lba_t end = cdio_get_track_lba(cdio_, CDIO_CDROM_LEADOUT_TRACK);
    if (end == CDIO_INVALID_LBA || end < 0) return false;
    lba = end;
    return true;
}
