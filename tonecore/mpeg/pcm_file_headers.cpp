#include "tonecore/mpeg/pcm_file_headers.h"

#include <bit>
#include <string_view>

namespace {

class CHeaderBytes {
public:
    void Tag(std::string_view tag) { m_bytes.insert(m_bytes.end(), tag.begin(), tag.end()); }
    void Little16(std::uint32_t value) { Little(value, 2); }
    void Little32(std::uint32_t value) { Little(value, 4); }
    void Big16(std::uint32_t value) { Big(value, 2); }
    void Big32(std::uint32_t value) { Big(value, 4); }
    void Big64(std::uint64_t value) { Big(value, 8); }
    std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

private:
    void Little(std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void Big(std::uint64_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    std::vector<std::uint8_t> m_bytes;
};

constexpr std::uint32_t kBitsPerSample = 16;
constexpr std::uint32_t kBytesPerSample = 2;

std::vector<std::uint8_t> WaveHeader(std::uint32_t channels, std::uint32_t rate, std::uint32_t dataSize) {
    CHeaderBytes header;
    header.Tag("RIFF");
    header.Little32(dataSize + 36);
    header.Tag("WAVE");
    header.Tag("fmt ");
    header.Little32(16);
    header.Little16(1);  // integer PCM
    header.Little16(channels);
    header.Little32(rate);
    header.Little32(channels * rate * kBytesPerSample);
    header.Little16(channels * kBytesPerSample);
    header.Little16(kBitsPerSample);
    header.Tag("data");
    header.Little32(dataSize);
    return header.Take();
}

// AIFF states the rate as an 80-bit extended float: sign and 15-bit
// exponent, then a 64-bit mantissa with an explicit integer bit.
void AiffRate(CHeaderBytes& header, std::uint32_t rate) {
    if (rate == 0) {
        header.Big16(0);
        header.Big64(0);
        return;
    }
    const int highest = std::bit_width(rate) - 1;
    header.Big16(static_cast<std::uint32_t>(16383 + highest));
    header.Big64(std::uint64_t{rate} << (63 - highest));
}

std::vector<std::uint8_t> AiffHeader(std::uint32_t channels, std::uint32_t rate, std::uint32_t dataSize) {
    constexpr std::uint32_t kCommBytes = 18;
    constexpr std::uint32_t kSsndFields = 8;  // offset and block size
    CHeaderBytes header;
    header.Tag("FORM");
    header.Big32(4 + (8 + kCommBytes) + (8 + kSsndFields) + dataSize);
    header.Tag("AIFF");
    header.Tag("COMM");
    header.Big32(kCommBytes);
    header.Big16(channels);
    header.Big32(channels != 0 ? dataSize / (channels * kBytesPerSample) : 0);  // sample frames
    header.Big16(kBitsPerSample);
    AiffRate(header, rate);
    header.Tag("SSND");
    header.Big32(kSsndFields + dataSize);
    header.Big32(0);
    header.Big32(0);
    return header.Take();
}

std::vector<std::uint8_t> SunHeader(std::uint32_t channels, std::uint32_t rate, std::uint32_t dataSize) {
    // Six fields, then the annotation readers expect: at least four bytes,
    // here empty (zeros).
    constexpr std::uint32_t kHeaderBytes = 28;
    constexpr std::uint32_t kLinear16 = 3;  // 16-bit linear PCM
    CHeaderBytes header;
    header.Tag(".snd");
    header.Big32(kHeaderBytes);
    header.Big32(dataSize);
    header.Big32(kLinear16);
    header.Big32(rate);
    header.Big32(channels);
    header.Big32(0);
    return header.Take();
}

}  // namespace

std::vector<std::uint8_t> PcmFileHeader(EPcmFileFormat format, std::uint32_t channels, std::uint32_t sampleRate,
                                        std::uint32_t dataSize) {
    switch (format) {
        case EPcmFileFormat::Wav:
            return WaveHeader(channels, sampleRate, dataSize);
        case EPcmFileFormat::Aiff:
            return AiffHeader(channels, sampleRate, dataSize);
        case EPcmFileFormat::Sun:
            return SunHeader(channels, sampleRate, dataSize);
        case EPcmFileFormat::Raw:
            break;
    }
    return {};
}

bool PcmFileIsBigEndian(EPcmFileFormat format) {
    return format == EPcmFileFormat::Aiff || format == EPcmFileFormat::Sun;
}

std::uint32_t PcmFileMaxDataSize(EPcmFileFormat format) {
    // The largest size field in front of the data adds up to 46 bytes
    // (AIFF's FORM size); an even limit keeps whole samples.
    return format == EPcmFileFormat::Raw ? UINT32_MAX : UINT32_MAX - 47;
}

std::int32_t PcmFileHeaderWrite(std::FILE* file, EPcmFileFormat format, std::uint32_t channels,
                                std::uint32_t sampleRate, std::uint32_t dataSize) {
    const std::vector<std::uint8_t> header = PcmFileHeader(format, channels, sampleRate, dataSize);
    if (header.empty()) return 0;  // raw samples have none
    return std::fwrite(header.data(), 1, header.size(), file) == header.size() ? 0 : -1;
}

std::int32_t WaveHeaderWrite(std::FILE* file, std::uint32_t channels, std::uint32_t sampleRate,
                             std::uint32_t dataSize) {
    return PcmFileHeaderWrite(file, EPcmFileFormat::Wav, channels, sampleRate, dataSize);
}
