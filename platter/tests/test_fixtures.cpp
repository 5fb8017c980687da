#include "platter/tests/test_fixtures.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "testsupport/command_output.h"

namespace platter_test {

namespace {

void Put16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}

std::string WaveHeader(std::uint32_t dataBytes, std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                       std::uint16_t bits) {
    std::string out = "RIFF";
    Put32(out, 4 + 8 + 18 + 8 + dataBytes);
    out += "WAVEfmt ";
    Put32(out, 18);
    Put16(out, tag);
    Put16(out, channels);
    Put32(out, rate);
    Put32(out, rate * channels * bits / 8);
    Put16(out, static_cast<std::uint16_t>(channels * bits / 8));
    Put16(out, bits);
    Put16(out, 0);
    out += "data";
    Put32(out, dataBytes);
    return out;
}

}  // namespace

std::string MakePcm(std::int64_t frames, int seed) {
    std::string out;
    out.reserve(static_cast<std::size_t>(frames) * 4);
    const double step = 2.0 * M_PI * (220.0 + 110.0 * seed) / 44100.0;
    for (std::int64_t i = 0; i < frames; ++i) {
        const auto left = static_cast<std::int16_t>(9000.0 * std::sin(step * static_cast<double>(i)));
        const auto right = static_cast<std::int16_t>(-left / 2 + seed);
        Put16(out, static_cast<std::uint16_t>(left));
        Put16(out, static_cast<std::uint16_t>(right));
    }
    return out;
}

std::string WaveBytes(const std::string& pcm, std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                      std::uint16_t bits) {
    return WaveHeader(static_cast<std::uint32_t>(pcm.size()), tag, channels, rate, bits) + pcm;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteSparseWave(const std::string& path, std::int64_t dataBytes) {
    const std::string header = WaveHeader(static_cast<std::uint32_t>(dataBytes), 1, 2, 44100, 16);
    WriteFile(path, header);
    if (truncate(path.c_str(), static_cast<off_t>(header.size() + static_cast<std::size_t>(dataBytes))) != 0)
        std::abort();
}

std::vector<std::int32_t> TBurnRecorder::Codes() {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::int32_t> codes;
    for (const TBurnEvent& event : events) codes.push_back(event.code);
    return codes;
}

std::int32_t TBurnRecorder::OnEvent(void* context, TBurnEvent* event) {
    auto* self = static_cast<TBurnRecorder*>(context);
    std::lock_guard<std::mutex> hold(self->lock);
    self->events.push_back(*event);
    self->eventTimes.push_back(self->clock != nullptr ? self->clock->NowMs() : 0);
    self->eventThreads.insert(std::this_thread::get_id());
    return 1;
}

std::int32_t TBurnRecorder::OnAudio(void* context, TPcmSink sink, void* sinkContext) {
    auto* self = static_cast<TBurnRecorder*>(context);
    {
        std::lock_guard<std::mutex> hold(self->lock);
        self->renderThreads.insert(std::this_thread::get_id());
    }
    for (std::size_t at = 0; at < self->render.size(); at += self->renderPiece) {
        std::string piece = self->render.substr(at, self->renderPiece);
        auto length = static_cast<std::int32_t>(piece.size());
        if (sink(piece.data(), length, sinkContext) != 0) {
            self->renderStopped.store(true);
            break;
        }
    }
    return self->renderResult;
}

std::vector<std::int32_t> TRipRecorder::Codes() const {
    std::vector<std::int32_t> codes;
    for (const TExtractEvent& event : events) codes.push_back(event.code);
    return codes;
}

std::int32_t TRipRecorder::OnEvent(void* context, TExtractEvent* event) {
    static_cast<TRipRecorder*>(context)->events.push_back(*event);
    return 1;
}

std::int32_t TRipRecorder::OnData(void* context, const void* data, std::int32_t count, std::int32_t size) {
    auto* self = static_cast<TRipRecorder*>(context);
    self->data.append(static_cast<const char*>(data), static_cast<std::size_t>(count) * static_cast<std::size_t>(size));
    self->counts.push_back(count);
    if (self->afterData) self->afterData(*self);
    return count * size;
}

TExtractParams TRipRecorder::Params(std::int32_t track) {
    TExtractParams params;
    params.eventCallback = &TRipRecorder::OnEvent;
    params.dataCallback = &TRipRecorder::OnData;
    params.eventContext = this;
    params.dataContext = this;
    params.trackNumber = track;
    return params;
}

TWriteDiscParams MakeFileBlock(const std::vector<std::string>& paths, TBurnRecorder& recorder,
                               const std::vector<std::int32_t>& gapSectors) {
    TWriteDiscParams block;
    block.trackCount = static_cast<std::uint8_t>(paths.size());
    for (std::size_t i = 0; i < paths.size() && i < PLATTER_MAX_TRACKS; ++i) {
        recorder.paths.push_back(paths[i]);
        block.tracks[i].path = recorder.paths.back().c_str();
        block.tracks[i].fileType = PLATTER_FILE_WAV_CONVERTED;
        if (i < gapSectors.size()) block.tracks[i].gapSectors = gapSectors[i];
    }
    block.eventCallback = &TBurnRecorder::OnEvent;
    block.eventContext = &recorder;
    return block;
}

TWriteDiscParams MakeStreamBlock(const std::vector<std::int32_t>& lengths, TBurnRecorder& recorder) {
    TWriteDiscParams block;
    block.trackCount = static_cast<std::uint8_t>(lengths.size());
    for (std::size_t i = 0; i < lengths.size(); ++i) block.tracks[i].lengthBytes = lengths[i];
    block.onTheFly = 1;
    block.eventCallback = &TBurnRecorder::OnEvent;
    block.eventContext = &recorder;
    block.audioCallback = &TBurnRecorder::OnAudio;
    block.audioContext = &recorder;
    return block;
}

CWatchdog::CWatchdog(std::chrono::milliseconds limit, std::string what) {
    thread_ = std::thread([this, limit, what = std::move(what)] {
        std::unique_lock<std::mutex> hold(lock_);
        if (!done_.wait_for(hold, limit, [this] { return finished_; })) {
            std::fprintf(stderr, "watchdog: %s still running after %lld ms\n", what.c_str(),
                         static_cast<long long>(limit.count()));
            std::abort();
        }
    });
}

CWatchdog::~CWatchdog() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        finished_ = true;
    }
    done_.notify_all();
    thread_.join();
}

std::string RunTool(const std::string& command) {
    return testsupport::CommandOutput(command + " 2>&1");
}

bool ToolOnPath(const char* tool) {
    const std::string command = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

}  // namespace platter_test

// libcdio 2.1's CUE parser leaks a few bytes of every sheet it rejects (and
// of some it accepts); the leak is the library's, not ours, so the leak
// checker is told to look away from it in the platter tests.
extern "C" const char* __lsan_default_suppressions() { return "leak:libcdio.so\n"; }
