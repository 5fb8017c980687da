#include "platter/track_source.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "platform/wave_format.h"
#include "platter/audio_decoder.h"
#include "platter/types.h"
#include "platter/write_plan.h"

namespace {

// One 16-bit stereo sample frame.
constexpr std::int64_t kFrameBytes = 4;

// Only regular files: a pipe or device node named as a track would block.
bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool StartsAsWave(const std::string& path) {
    unsigned char head[12] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return got == sizeof head && LoadLe32(head) == RIFF_ID_RIFF && LoadLe32(head + 8) == FourCC("WAVE");
}

bool IsCdFormat(const WAVEFORMATEX& format) {
    return format.wFormatTag == WAVE_FORMAT_PCM && format.nChannels == 2 && format.nSamplesPerSec == 44100 &&
           format.wBitsPerSample == 16;
}

// The "data" chunk of a CD-format WAV file, read straight from the file.
class CWaveSource final : public CTrackSource {
public:
    ~CWaveSource() override {
        riff_.Close();
        DeleteRefObject(&file_);
    }

    bool Open(const std::string& path, std::string& why) {
        file_ = new CFileObj();
        _chunkInfo header;
        if (file_->Open(path.c_str(), 0, 0) != 1 || riff_.Open(file_, &header) != 1) {
            why = "The track file " + path + " cannot be read.";
            return false;
        }
        WAVEFORMATEX format{};
        if (riff_.SeekToChunk(FourCC("fmt "), 0, 0) != 1 ||
            riff_.ReadCurrentSubChunk(&format, sizeof format) < 16 || !IsCdFormat(format)) {
            why = "The track file " + path + " is not CD audio (44100 Hz, 16-bit stereo PCM).";
            return false;
        }
        _subChunk data;
        if (riff_.SeekToLevelBeginning() != 1 || riff_.SeekToChunk(RIFF_ID_DATA, 0, 0) != 1) {
            why = "The track file " + path + " holds no audio data.";
            return false;
        }
        riff_.GetCurrentChunkInfo(nullptr, &data);
        offset_ = file_->Tell();
        const std::int64_t present = file_->Size() - offset_;
        if (data.size > present) {
            why = "The track file " + path + " is cut short: " + std::to_string(present) + " of " +
                  std::to_string(data.size) + " audio bytes are there.";
            return false;
        }
        pcmBytes_ = std::int64_t{data.size} / kFrameBytes * kFrameBytes;
        if (pcmBytes_ == 0) {
            why = "The track file " + path + " holds no audio data.";
            return false;
        }
        return true;
    }

    std::int64_t Read(std::uint8_t* out, std::int64_t want) override {
        const std::int64_t n = std::min(want, pcmBytes_ - done_);
        if (n <= 0) return 0;
        if (file_->Seek(offset_ + done_, 0) != 1) return -1;
        const std::int64_t got = file_->Read(out, n);
        if (got != n) return -1;
        done_ += got;
        return got;
    }

private:
    CFileObj* file_ = nullptr;
    CRIFF riff_;
    std::int64_t offset_ = 0;
    std::int64_t done_ = 0;
};

// Any other file, through the program's decoder. Measuring decodes the whole
// file once; reading decodes it again from the start and is held to the
// measured size, so the layout never moves.
class CDecodedSource final : public CTrackSource {
public:
    CDecodedSource(IPlatterAudioDecoder& decoder, std::string path) : decoder_(decoder), path_(std::move(path)) {}

    bool Measure(std::string& why) {
        stream_ = decoder_.Open(path_.c_str());
        std::vector<std::uint8_t> buffer(64 * 1024);
        std::int64_t total = 0;
        for (;;) {
            const std::int64_t got = stream_ ? stream_->Read(buffer.data(), static_cast<std::int64_t>(buffer.size())) : -1;
            if (got < 0) {
                why = "The track file " + path_ + " cannot be decoded.";
                return false;
            }
            if (got == 0) break;
            total += got;
        }
        pcmBytes_ = total / kFrameBytes * kFrameBytes;
        if (pcmBytes_ == 0) {
            why = "The track file " + path_ + " holds no audio.";
            return false;
        }
        stream_.reset();
        return true;
    }

    std::int64_t Read(std::uint8_t* out, std::int64_t want) override {
        if (!stream_ && done_ == 0) stream_ = decoder_.Open(path_.c_str());
        if (!stream_) return -1;
        const std::int64_t limit = std::min(want, pcmBytes_ - done_);
        std::int64_t filled = 0;
        while (filled < limit) {
            const std::int64_t got = stream_->Read(out + filled, limit - filled);
            if (got < 0) return -1;
            if (got == 0) break;
            filled += got;
        }
        // A second decoding that comes up short is padded with silence so
        // the track keeps the length it was laid out with.
        if (filled < limit) std::memset(out + filled, 0, static_cast<std::size_t>(limit - filled));
        done_ += limit;
        return limit;
    }

private:
    IPlatterAudioDecoder& decoder_;
    std::string path_;
    std::unique_ptr<IPlatterAudioStream> stream_;
    std::int64_t done_ = 0;
};

}  // namespace

std::unique_ptr<CTrackSource> OpenTrackSource(const std::string& path, IPlatterAudioDecoder* decoder,
                                              std::string& why) {
    if (path.empty() || !IsRegularFile(path)) {
        why = "The track file " + (path.empty() ? std::string("(none)") : path) + " cannot be found.";
        return nullptr;
    }
    if (StartsAsWave(path)) {
        auto wave = std::make_unique<CWaveSource>();
        if (!wave->Open(path, why)) return nullptr;
        return wave;
    }
    if (decoder == nullptr) {
        why = "The track file " + path + " is not a WAV file and no decoder is registered.";
        return nullptr;
    }
    auto decoded = std::make_unique<CDecodedSource>(*decoder, path);
    if (!decoded->Measure(why)) return nullptr;
    return decoded;
}

bool MeasurePlanTracks(TWritePlan& plan, IPlatterAudioDecoder* decoder,
                       std::vector<std::unique_ptr<CTrackSource>>& sources, std::string& why) {
    if (plan.onTheFly) {
        LayOutStreamedTracks(plan);
        return true;
    }
    for (TPlannedTrack& track : plan.tracks) {
        auto source = OpenTrackSource(track.path, decoder, why);
        if (!source) return false;
        track.pcmBytes = source->PcmBytes();
        track.sectors = SectorsFor(track.pcmBytes);
        sources.push_back(std::move(source));
    }
    return true;
}
