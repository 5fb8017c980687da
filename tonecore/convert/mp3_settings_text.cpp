// The MP3 settings texts that the settings dialogs and the converter's
// format line show.
#include <cstdio>
#include <string>

#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2mp3.h"
#include "tonecore/engine/format_template.h"
#include "tonecore/convert/mp3_format_rules.h"
#include "tonecore/engine/tonecore_strings.h"
#include "utilities/text_copy.h"

namespace {

constexpr int kTextBytes = 256;

std::string LoadText(const char* key) {
    char text[kTextBytes];
    ToneCoreLoadString(key, text, sizeof text);
    return text;
}

// Fills the keyed template when it takes exactly the given conversions, else
// the built-in one.
template <typename... Args>
std::string FillTemplate(const char* key, std::string_view conversions, const char* builtIn, Args... args) {
    const std::string pattern = LoadText(key);
    const char* used = FormatTemplateFits(pattern.c_str(), conversions) ? pattern.c_str() : builtIn;
    char text[kTextBytes * 2];
    std::snprintf(text, sizeof text, used, args...);
    return text;
}

}  // namespace

const char* MP3ModeKey(std::int32_t mode) {
    switch (mode) {
        case kMP3ModeJointStereo:
            return "IDS_JOINT_STEREO_CB_ITEM";
        case kMP3ModeDualChannel:
            return "IDS_DUAL_CHANNEL_CB_ITEM";
        case kMP3ModeMono:
            return "IDS_MONO_CB_ITEM";
        default:
            return "IDS_STEREO_CB_ITEM";
    }
}

const char* MPEGVersionKey(std::int32_t version) {
    switch (version) {
        case kMPEGVersion1:
            return "IDS_MPEG1";
        case kMPEGVersion2:
            return "IDS_MPEG2";
        default:
            return "IDS_MPEG2_5";
    }
}


void CConv2MP3::MakeSettingsString(const CConv2FileFormat* f, bool simple, char* out, std::int32_t size) const {
    if (out == nullptr || size <= 0) return;
    out[0] = '\0';
    if (f == nullptr) return;
    std::string rate;
    if (f->enableVBR == 0 || !SupportsVBR()) {
        rate = FillTemplate("IDS_MP3_FORMAT_TEXT_CBR", "d", "%d kbps", f->bitrate);
    } else if (f->enableABR != 0 && SupportsABR()) {
        rate = FillTemplate("IDS_MP3_FORMAT_TEXT_ABR", "ddd", "ABR %d-%d kbps, average %d kbps", f->minBitrate,
                            f->maxBitrate, f->abrBitrate);
    } else {
        rate = FillTemplate("IDS_MP3_FORMAT_TEXT_VBR", "ddd", "VBR %d-%d kbps, quality %d", f->minBitrate,
                            f->maxBitrate, f->vbrQuality);
    }
    const std::string version = LoadText(MPEGVersionKey(f->mpegVersion));
    const std::string mode = LoadText(MP3ModeKey(f->mode));
    std::string text = simple ? FillTemplate("IDS_MP3_FORMAT_SIMPLE", "sss", "%s, %s, %s", version.c_str(),
                                             rate.c_str(), mode.c_str())
                              : FillTemplate("IDS_MP3_FORMAT_LAYER3", "sss", "%s Layer 3, %s, %s",
                                             version.c_str(), rate.c_str(), mode.c_str());
    if (!simple) {
        if (f->enableVBR != 0 && f->writeVBRHeader != 0 && SupportsVBRXINGHeader()) {
            text += LoadText("IDS_XING_HEADER_SET");
        }
        if (f->privateBit != 0) text += LoadText("IDS_PRIVATE_SET");
        if (f->crc != 0) text += LoadText("IDS_CHECKSUM_SET");
        if (f->originalBit != 0) text += LoadText("IDS_ORIGINAL_SET");
        if (f->copyrightBit != 0) text += LoadText("IDS_COPYRIGHT_SET");
    }
    textcopy::CopyTextCut(text, out, static_cast<std::size_t>(size));
}
