// Decoding and encoding speed of the media module next to the ffmpeg
// program, measured in one run on the same machine. Makes a 600-second
// 44.1 kHz stereo sound (two tones and noise) with the program, encodes it
// at 128 kbit/s with the program and with the module's writer, and decodes
// the program's file with the module's pulling and pushing readers and with
// the program. Prints the medians of the runs (times real time) and the
// ratios of the module's time to the program's.
//
//   wma_speed_bench [RUNS]        RUNS defaults to 3

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "mediacore/mediacore_exports.h"
#include "mediacore/tests/media_test_helpers.h"
#include "platform/dynamic_module.h"
#include "utilities/unicode.h"

namespace {

constexpr int kSeconds = 600;
constexpr DWORD kRate = 44100;
constexpr WORD kChannels = 2;

struct TModule {
    void* handle = LoadModule("mediacore.dll");
    PFN_WMCreateReader createReader = nullptr;
    PFN_WMCreateWriter createWriter = nullptr;
    PFN_GenerateProfile generateProfile = nullptr;
    PFN_ReleaseProfile releaseProfile = nullptr;
    TModule() {
        if (handle == nullptr) return;
        createReader = reinterpret_cast<PFN_WMCreateReader>(GetModuleSymbol(handle, "Marovelle_WMCreateReader"));
        createWriter = reinterpret_cast<PFN_WMCreateWriter>(GetModuleSymbol(handle, "Marovelle_WMCreateWriter"));
        generateProfile = reinterpret_cast<PFN_GenerateProfile>(GetModuleSymbol(handle, "Marovelle_GenerateProfile"));
        releaseProfile = reinterpret_cast<PFN_ReleaseProfile>(GetModuleSymbol(handle, "Marovelle_ReleaseProfile"));
    }
    ~TModule() {
        if (handle != nullptr) FreeModule(handle);
    }
    bool Bound() const { return createReader && createWriter && generateProfile && releaseProfile; }
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeCommand(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1.0;
    return SecondsSince(start);
}

// Encodes the PCM through the module's writer; the seconds taken, or -1.
double EncodeOnce(TModule& module, const std::vector<BYTE>& pcm, const std::string& path) {
    const ProfileRequest request = {128000, 0x161, static_cast<std::int32_t>(kRate), kChannels};
    IWMProfile* profile = nullptr;
    if (FAILED(module.generateProfile(&request, &profile))) return -1.0;
    const std::u16string wide = Utf8ToUtf16(path);
    const auto start = std::chrono::steady_clock::now();
    IWMWriter* writer = nullptr;
    bool ok = SUCCEEDED(module.createWriter(nullptr, &writer, wide.c_str())) &&
              SUCCEEDED(writer->SetProfile(profile)) && SUCCEEDED(writer->BeginWriting());
    // The sound engine writes in blocks of about a second.
    constexpr std::size_t kBlock = kRate * kChannels * 2;
    for (std::size_t at = 0; ok && at < pcm.size(); at += kBlock) {
        const std::size_t n = std::min(kBlock, pcm.size() - at);
        INSSBuffer* sample = nullptr;
        BYTE* bytes = nullptr;
        DWORD length = 0;
        ok = SUCCEEDED(writer->AllocateSample(static_cast<DWORD>(n), &sample)) &&
             SUCCEEDED(sample->GetBufferAndLength(&bytes, &length));
        if (ok) {
            std::copy_n(pcm.data() + at, n, bytes);
            ok = SUCCEEDED(writer->WriteSample(0, 0, 0, sample));
        }
        if (sample != nullptr) sample->Release();
    }
    ok = ok && SUCCEEDED(writer->EndWriting());
    if (writer != nullptr) writer->Release();
    const double seconds = SecondsSince(start);
    module.releaseProfile(&profile);
    return ok ? seconds : -1.0;
}

// Pulls the whole song through IWMSyncReader; *audioSeconds the length found.
double PullOnce(TModule& module, const std::string& path, double& audioSeconds) {
    const std::u16string wide = Utf8ToUtf16(path);
    const auto start = std::chrono::steady_clock::now();
    IWMReader* reader = nullptr;
    if (FAILED(module.createReader(nullptr, 0, &reader, nullptr))) return -1.0;
    IWMSyncReader* sync = nullptr;
    reader->QueryInterface(IID_IWMSyncReader, reinterpret_cast<void**>(&sync));
    reader->Release();
    if (sync == nullptr || FAILED(sync->Open(wide.c_str()))) return -1.0;
    std::uint64_t bytesTotal = 0;
    mediatest::PullSamples(sync, [&](const BYTE*, DWORD length, QWORD, QWORD) { bytesTotal += length; });
    sync->Release();
    audioSeconds = static_cast<double>(bytesTotal) / (kRate * kChannels * 2);
    return SecondsSince(start);
}

// A callback that counts bytes until the end of the file.
class CCounter final : public IWMReaderCallback {
public:
    HRESULT QueryInterface(const GUID&, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT OnStatus(WMT_STATUS status, HRESULT result, WMT_ATTR_DATATYPE, BYTE*, void*) override {
        std::lock_guard<std::mutex> guard(lock_);
        last_ = status;
        failed_ = failed_ || FAILED(result);
        changed_.notify_all();
        return S_OK;
    }
    HRESULT OnSample(DWORD, QWORD, QWORD, DWORD, INSSBuffer* sample, void*) override {
        BYTE* bytes = nullptr;
        DWORD length = 0;
        sample->GetBufferAndLength(&bytes, &length);
        bytes_ += length;
        return S_OK;
    }
    // False when the status did not come within a minute, or something failed.
    bool WaitFor(WMT_STATUS status) {
        std::unique_lock<std::mutex> lock(lock_);
        return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return last_ == status || failed_; }) &&
               !failed_;
    }
    std::uint64_t Bytes() const { return bytes_; }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    WMT_STATUS last_ = WMT_ERROR;
    bool failed_ = false;
    std::uint64_t bytes_ = 0;  // written on the delivery thread only
};

// Decodes the whole song through the pushing reader, without a user clock.
double PushOnce(TModule& module, const std::string& path) {
    const std::u16string wide = Utf8ToUtf16(path);
    CCounter counter;
    const auto start = std::chrono::steady_clock::now();
    IWMReader* reader = nullptr;
    if (FAILED(module.createReader(nullptr, 0, &reader, nullptr))) return -1.0;
    bool ok = SUCCEEDED(reader->Open(wide.c_str(), &counter, nullptr)) && counter.WaitFor(WMT_OPENED) &&
              SUCCEEDED(reader->Start(0, 0, 1.0f, nullptr)) && counter.WaitFor(WMT_END_OF_FILE) &&
              SUCCEEDED(reader->Close()) && counter.WaitFor(WMT_CLOSED);
    reader->Release();
    const double seconds = SecondsSince(start);
    return ok && counter.Bytes() > 0 ? seconds : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (std::system("command -v ffmpeg >/dev/null") != 0) {
        std::fprintf(stderr, "ffmpeg is needed\n");
        return 2;
    }
    TModule module;
    if (!module.Bound()) {
        std::fprintf(stderr, "the media module did not load\n");
        return 2;
    }
    char pattern[] = "/tmp/wma-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 2;
    const std::string folder = pattern;
    const std::string raw = folder + "/sound.raw";
    const std::string reference = folder + "/ffmpeg.wma";
    const std::string ours = folder + "/ours.wma";
    std::fprintf(stderr, "making a %d-second sound in %s ...\n", kSeconds, folder.c_str());
    const std::string make = "ffmpeg -v error -y -f lavfi -i \"aevalsrc=exprs='0.4*sin(2*PI*440*t)+0.1*random(0)|"
                             "0.3*sin(2*PI*660*t)+0.1*random(1)':s=44100:d=" +
                             std::to_string(kSeconds) + "\" -f s16le '" + raw + "'";
    if (std::system(make.c_str()) != 0) return 1;
    std::ifstream in(raw, std::ios::binary);
    const std::vector<BYTE> pcm((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    std::vector<double> encodeOurs, encodeProgram, pullOurs, pushOurs, decodeProgram;
    double audioSeconds = 0.0;
    for (int run = 0; run < runs; ++run) {
        encodeProgram.push_back(TimeCommand("ffmpeg -v error -y -f s16le -ar 44100 -ac 2 -i '" + raw +
                                            "' -c:a wmav2 -b:a 128k '" + reference + "'"));
        encodeOurs.push_back(EncodeOnce(module, pcm, ours));
        decodeProgram.push_back(TimeCommand("ffmpeg -v error -i '" + reference + "' -f s16le -y /dev/null"));
        pullOurs.push_back(PullOnce(module, reference, audioSeconds));
        pushOurs.push_back(PushOnce(module, reference));
    }
    std::system(("rm -rf '" + folder + "'").c_str());

    int status = 0;
    const auto row = [&](const char* what, const std::vector<double>& times, const std::vector<double>& program) {
        const double t = Median(times), p = Median(program);
        if (t <= 0.0 || p <= 0.0) status = 1;
        std::printf("%-30s %8.2f s %8.0fx   ffmpeg %8.2f s %8.0fx   ratio %5.2f\n", what, t, kSeconds / t, p,
                    kSeconds / p, t / p);
    };
    std::printf("%d-second 44.1 kHz stereo sound, 128 kbit/s, median of %d runs (ratio: our time / ffmpeg's)\n",
                kSeconds, runs);
    row("encode (writer)", encodeOurs, encodeProgram);
    row("decode (pulling reader)", pullOurs, decodeProgram);
    row("decode (pushing reader)", pushOurs, decodeProgram);
    if (audioSeconds < kSeconds - 1) status = 1;
    return status;
}
