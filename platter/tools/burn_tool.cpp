// platter_burn_tool: burns WAV and MP3 files to a CD and rips tracks back,
// through the drive library as the program uses it, for the checks by hand
// in HARDWARE_CHECKLIST.md. Not installed.
//
//   platter_burn_tool list
//   platter_burn_tool burn ADDR [--test] [--speed X] [--cdtext TITLE] [--gap MS]
//                     [--otf] [--allow-rw] [--no-burnproof] [--eject] FILE...
//   platter_burn_tool rip ADDR TRACK OUT.raw
//   platter_burn_tool eject ADDR
//
// ADDR is "host:target:lun" as "list" shows it; the image drives are listed
// after the real ones, so a machine without a burner burns BIN/CUE images.
// --cdtext writes a cue sheet (a temporary file of the run's own) whose
// titles are TITLE and the file names; --otf renders the files on the fly
// (mode 5) through the audio callback; Ctrl+C aborts a write.

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "platter/audio_decoder.h"
#include "platter/errors.h"
#include "platter/platter.h"
#include "platter/track_source.h"
// The decoder's set-up as its own tests drive it.
#include "tonecore/mpeg/tests/mpeg_test_decode.h"

namespace {

// MP3 through the sound engine's decoder: 44100 Hz files only, mono doubled
// to stereo.
class CMpegStream final : public IPlatterAudioStream {
public:
    bool Open(const char* path) {
        decoder_ = mpegtest::MakeMpegDecoder(FileInputModuleGetMethods);
        control_ = decoder_.get();
        return control_ != nullptr && DecoderInputNew(control_, path, -1) == 0 && DecoderInputOpen(control_) == 0;
    }
    std::int64_t Read(void* buffer, std::int64_t bytes) override {
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::int64_t filled = 0;
        while (filled < bytes) {
            if (pos_ == pending_.size()) {
                if (ended_) break;
                if (!DecodeFrame()) return -1;
                continue;
            }
            const std::size_t n =
                std::min<std::size_t>(pending_.size() - pos_, static_cast<std::size_t>(bytes - filled));
            std::memcpy(out + filled, pending_.data() + pos_, n);
            pos_ += n;
            filled += static_cast<std::int64_t>(n);
        }
        return filled;
    }

private:
    bool DecodeFrame() {
        pending_.clear();
        pos_ = 0;
        const std::int32_t result = DecoderDecode(control_, nullptr);
        if (result == DECODER_ERR_NO_FRAME) return true;
        if (result != 0) {
            ended_ = true;
            return true;
        }
        const DecoderOutputBuffer& frame = *control_->outputBuffer;
        if (frame.sampleRate != 44100 || (frame.channels != 1 && frame.channels != 2)) return false;
        for (std::uint32_t i = 0; i < frame.samplesPerChannel; ++i)
            for (int c = 0; c < 2; ++c) {
                const std::int16_t sample = frame.pcm[i * frame.channels + (frame.channels == 2 ? c : 0)];
                pending_.push_back(static_cast<std::uint8_t>(sample & 0xFF));
                pending_.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
            }
        return true;
    }
    mpegtest::TDecoderPtr decoder_{nullptr, DecoderDelete};
    DecoderControl* control_ = nullptr;
    std::vector<std::uint8_t> pending_;
    std::size_t pos_ = 0;
    bool ended_ = false;
};

class CMpegDecoder final : public IPlatterAudioDecoder {
public:
    std::unique_ptr<IPlatterAudioStream> Open(const char* path) override {
        auto stream = std::make_unique<CMpegStream>();
        if (!stream->Open(path)) return nullptr;
        return stream;
    }
};

std::atomic<PLATTER_CDevice*> g_writing{nullptr};

void OnInterrupt(int) {
    if (PLATTER_CDevice* device = g_writing.load()) device->AbortWrite();
}

std::int32_t OnEvent(void*, TBurnEvent* event) {
    std::printf("event %d track %d blocks %d\n", event->code, event->trackNumber, event->blocksToRecord);
    std::fflush(stdout);
    return 1;
}

// On the fly: the files one after another, as the program's renderer would.
struct TRender {
    std::vector<std::string> files;
    CMpegDecoder* decoder = nullptr;
};

std::int32_t OnAudio(void* context, TPcmSink sink, void* sinkContext) {
    auto& render = *static_cast<TRender*>(context);
    std::vector<std::uint8_t> buffer(64 * 1024);
    for (const std::string& file : render.files) {
        std::string why;
        auto source = OpenTrackSource(file, render.decoder, why);
        if (!source) return 0;
        for (;;) {
            const std::int64_t got = source->Read(buffer.data(), static_cast<std::int64_t>(buffer.size()));
            if (got < 0) return 0;
            if (got == 0) break;
            std::int32_t length = static_cast<std::int32_t>(got);
            if (sink(buffer.data(), length, sinkContext) != 0) return static_cast<std::int32_t>(render.files.size());
        }
    }
    return static_cast<std::int32_t>(render.files.size());
}

PLATTER_CDevice* FindDrive(PLATTER_CPlatter& engine, const char* address) {
    int host = 0, target = 0, lun = 0;
    if (std::sscanf(address, "%d:%d:%d", &host, &target, &lun) != 3) return nullptr;
    return engine.FindDeviceByParams(host, target, lun);
}

void PrintError(PLATTER_CDevice& device, std::int32_t code) {
    char text[1024];
    device.GetLastError(text, sizeof text);
    std::printf("code %d: %s\n", code, text);
}

// Length in bytes of one track as the program lays it out on the fly.
std::int64_t PcmBytes(CMpegDecoder& decoder, const std::string& file) {
    std::string why;
    auto source = OpenTrackSource(file, &decoder, why);
    if (!source) std::printf("%s\n", why.c_str());
    return source ? source->PcmBytes() : 0;
}

// The cue sheet of one burn: a file of its own in the temporary folder, so
// two runs (or two users) never share one, removed when the burn is done.
class CTempCueSheet {
public:
    CTempCueSheet() = default;
    ~CTempCueSheet() {
        if (!path_.empty()) unlink(path_.c_str());
    }
    CTempCueSheet(const CTempCueSheet&) = delete;
    CTempCueSheet& operator=(const CTempCueSheet&) = delete;

    // The album title and each file's name as its track's title.
    bool Write(const std::string& title, const std::vector<std::string>& files) {
        std::string path = (std::filesystem::temp_directory_path() / "platter_burn_tool_XXXXXX.cue").string();
        const int fd = mkostemps(path.data(), 4, O_CLOEXEC);
        if (fd < 0) return false;
        path_ = path;
        std::FILE* sheet = fdopen(fd, "wb");
        if (sheet == nullptr) {
            close(fd);
            return false;
        }
        std::fprintf(sheet, "TITLE \"%s\"\n", title.c_str());
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::size_t slash = files[i].rfind('/');
            std::fprintf(sheet, "  TRACK %02zu AUDIO\n    TITLE \"%s\"\n", i + 1,
                         files[i].substr(slash == std::string::npos ? 0 : slash + 1).c_str());
        }
        return std::fclose(sheet) == 0;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

int Burn(PLATTER_CPlatter& engine, PLATTER_CDevice& device, int argc, char** argv, CMpegDecoder& decoder) {
    TWriteDiscParams block;
    std::vector<std::string> files;
    std::string cdText;
    int gapMs = 0;
    bool eject = false;
    block.burnProof = 1;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--test") block.testWrite = 1;
        else if (arg == "--speed" && i + 1 < argc) block.writeSpeed = static_cast<std::uint8_t>(std::atoi(argv[++i]));
        else if (arg == "--cdtext" && i + 1 < argc) cdText = argv[++i];
        else if (arg == "--gap" && i + 1 < argc) gapMs = std::atoi(argv[++i]);
        else if (arg == "--otf") block.onTheFly = 1;
        else if (arg == "--allow-rw") block.allowRewritable = 1;
        else if (arg == "--no-burnproof") block.burnProof = 0;
        else if (arg == "--eject") eject = true;
        else files.push_back(arg);
    }
    if (files.empty() || files.size() > PLATTER_MAX_TRACKS) {
        std::printf("1 to 99 files, please\n");
        return 2;
    }
    block.trackCount = static_cast<std::uint8_t>(files.size());
    block.eventCallback = OnEvent;
    TRender render{files, &decoder};
    block.audioCallback = OnAudio;
    block.audioContext = &render;
    for (std::size_t i = 0; i < files.size(); ++i) {
        block.tracks[i].path = files[i].c_str();
        block.tracks[i].fileType = PLATTER_FILE_WAV_CONVERTED;
        if (i + 1 < files.size() && gapMs > 0)
            block.tracks[i].gapSectors = static_cast<std::int32_t>(std::int64_t{gapMs} * 75 / 1000);
        if (block.onTheFly != 0) block.tracks[i].lengthBytes = static_cast<std::int32_t>(PcmBytes(decoder, files[i]));
    }
    CTempCueSheet sheet;
    if (!cdText.empty()) {
        if (!sheet.Write(cdText, files)) {
            std::printf("cannot write the cue sheet\n");
            return 2;
        }
        block.cdText = 1;
        std::snprintf(block.cueSheetPath, sizeof block.cueSheetPath, "%s", sheet.Path().c_str());
    }
    g_writing.store(&device);
    std::signal(SIGINT, OnInterrupt);
    const std::int32_t code = device.WriteDisc(&block);
    std::signal(SIGINT, SIG_DFL);
    g_writing.store(nullptr);
    PrintError(device, code);
    std::printf("percent done %d\n", engine.percentDone.load());
    if (code == PLATTER_WRITE_OK && eject) device.Eject();
    return code == PLATTER_WRITE_OK ? 0 : 1;
}

int Rip(PLATTER_CDevice& device, int track, const char* out) {
    std::FILE* file = std::fopen(out, "wb");
    if (file == nullptr) return 2;
    TExtractParams params;
    params.trackNumber = track;
    params.dataContext = file;
    params.dataCallback = [](void* context, const void* data, std::int32_t count, std::int32_t size) -> std::int32_t {
        return std::fwrite(data, static_cast<std::size_t>(size), static_cast<std::size_t>(count),
                           static_cast<std::FILE*>(context)) == static_cast<std::size_t>(count)
                   ? 1
                   : 0;
    };
    const bool ok = device.ExtractTrack(&params);
    std::fclose(file);
    if (!ok) PrintError(device, 1);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: see the top of platter/tools/burn_tool.cpp\n");
        return 2;
    }
    LogOn(1);
    // The image drives stay on (listed after the real drives), so the tool
    // can be tried on a machine without a burner.
    PLATTER_CPlatter engine;
    CMpegDecoder decoder;
    engine.SetAudioDecoder(&decoder);
    engine.EnableZentPrivateLogging(true);
    TBurningEngine used = kEngineZent;
    engine.InitializeASPILayer(false, nullptr, nullptr, &used);
    const std::string command = argv[1];
    if (command == "list") {
        for (std::int32_t i = 0; i < engine.GetDevices(); ++i) {
            PLATTER_CDevice& device = *engine.GetDevice(i);
            device.RefreshStatus();
            std::printf("%d:%d:%d %s %s caps 0x%x media %d speeds", device.hostAdapter, device.target, device.lun,
                        device.driveText.c_str(), device.GetName(), device.capabilities, device.mediaStatus.load());
            for (std::int32_t s = 0; s < device.GetNumWriteSpeeds(); ++s) std::printf(" %dX", device.GetWriteSpeed(s));
            std::printf(" capacity %d ms\n", device.GetCapacity(1));
        }
        return 0;
    }
    if (argc < 3) return 2;
    PLATTER_CDevice* device = FindDrive(engine, argv[2]);
    if (device == nullptr) {
        std::printf("no drive at %s\n", argv[2]);
        return 2;
    }
    if (command == "burn") return Burn(engine, *device, argc - 3, argv + 3, decoder);
    if (command == "rip" && argc == 5) return Rip(*device, std::atoi(argv[3]), argv[4]);
    if (command == "eject") return device->Eject() ? 0 : 1;
    return 2;
}
