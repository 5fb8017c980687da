#include "mediacore/wma_encoder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "mediacore/codec_catalogue.h"
#include "mediacore/errors.h"
#include "mediacore/ffmpeg_handles.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/samplefmt.h>
}

namespace {

// The converter's range; the engine offers 8000 to 48000 Hz.
constexpr DWORD kMinInputRate = 1000;
constexpr DWORD kMaxInputRate = 384000;

struct AvOutputFree {
    void operator()(AVFormatContext* p) const {
        if (p->pb != nullptr) avio_closep(&p->pb);
        avformat_free_context(p);
    }
};
struct AudioFifoFree {
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};

// A name beside path that no other file has, made as an empty file so that
// it is ours; the file gets the mode a new file would get.
bool MakeTemporaryFile(const std::string& path, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = path + ".part" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            return true;
        }
        if (errno != EEXIST) break;
    }
    temp.clear();
    return false;
}

bool SyncFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
}

}  // namespace

struct CWmaEncoder::TState {
    std::string path;
    std::string tempPath;
    bool committed = false;
    std::unique_ptr<AVFormatContext, AvOutputFree> output;
    AVStream* stream = nullptr;
    TCodecContextPtr codec;
    TSwrPtr swr;
    std::unique_ptr<AVAudioFifo, AudioFifoFree> fifo;
    TFramePtr frame{av_frame_alloc()};
    TPacketPtr packet{av_packet_alloc()};
    WAVEFORMATEX input{};
    std::vector<BYTE> partialBlock;
    std::vector<std::vector<std::uint8_t>> planes;  // converted samples on their way to the fifo
    std::vector<std::uint8_t*> planePointers;
    std::int64_t samplesSent = 0;
    bool failed = false;

    ~TState() {
        output.reset();
        if (!committed && !tempPath.empty()) unlink(tempPath.c_str());
    }
    HRESULT OpenCodec(const WAVEFORMATEX& target);
    HRESULT OpenConverter();
    HRESULT OpenOutput();
    bool Convert(const BYTE* data, int samples);
    bool Send(AVFrame* frame);
    bool EncodeWholeFrames();
};

CWmaEncoder::CWmaEncoder() = default;
CWmaEncoder::~CWmaEncoder() = default;

bool CWmaEncoder::IsWriting() const { return state_ != nullptr; }

bool CWmaEncoder::AcceptsInput(const WAVEFORMATEX& input) {
    return input.wFormatTag == WAVE_FORMAT_PCM && (input.wBitsPerSample == 8 || input.wBitsPerSample == 16) &&
           (input.nChannels == 1 || input.nChannels == 2) && input.nSamplesPerSec >= kMinInputRate &&
           input.nSamplesPerSec <= kMaxInputRate;
}

HRESULT CWmaEncoder::TState::OpenCodec(const WAVEFORMATEX& target) {
    const AVCodecID id = target.wFormatTag == WAVE_FORMAT_WMAUDIO2   ? AV_CODEC_ID_WMAV2
                         : target.wFormatTag == WAVE_FORMAT_WMAUDIO1 ? AV_CODEC_ID_WMAV1
                                                                     : AV_CODEC_ID_NONE;
    const AVCodec* encoder = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_encoder(id);
    if (encoder == nullptr || target.nChannels < 1 || target.nChannels > 2 || target.nSamplesPerSec == 0) {
        return MEDIACORE_E_FORMAT;
    }
    // The encoder derives its block size from the bitrate; the profile's byte
    // rate was itself derived from a block size and may sit just below the
    // bitrate that gives it back, so a second try asks for that one.
    std::int64_t bitsPerSecond = std::int64_t{target.nAvgBytesPerSec} * 8;
    for (int attempt = 0; attempt < 2; ++attempt) {
        codec.reset(avcodec_alloc_context3(encoder));
        if (!codec) return E_OUTOFMEMORY;
        codec->sample_rate = static_cast<int>(target.nSamplesPerSec);
        av_channel_layout_default(&codec->ch_layout, target.nChannels);
        codec->sample_fmt = encoder->sample_fmts != nullptr ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        codec->bit_rate = bitsPerSecond;
        codec->time_base = {1, codec->sample_rate};
        if (avcodec_open2(codec.get(), encoder, nullptr) < 0 || codec->frame_size <= 0) return MEDIACORE_E_FORMAT;
        if (target.nBlockAlign == 0 || codec->block_align == target.nBlockAlign) return S_OK;
        bitsPerSecond = (std::int64_t{target.nBlockAlign} * target.nSamplesPerSec * 8 + codec->frame_size - 1) /
                        codec->frame_size;
    }
    return MEDIACORE_E_FORMAT;
}

HRESULT CWmaEncoder::TState::OpenConverter() {
    AVChannelLayout inLayout{};
    av_channel_layout_default(&inLayout, input.nChannels);
    SwrContext* raw = nullptr;
    const AVSampleFormat inFormat = input.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    const int made = swr_alloc_set_opts2(&raw, &codec->ch_layout, codec->sample_fmt, codec->sample_rate, &inLayout,
                                         inFormat, static_cast<int>(input.nSamplesPerSec), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    swr.reset(raw);
    if (made < 0 || swr_init(raw) < 0) return MEDIACORE_E_FORMAT;
    fifo.reset(av_audio_fifo_alloc(codec->sample_fmt, codec->ch_layout.nb_channels, 2 * codec->frame_size));
    if (!fifo || !frame || !packet) return E_OUTOFMEMORY;
    frame->nb_samples = codec->frame_size;
    frame->format = codec->sample_fmt;
    frame->sample_rate = codec->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CWmaEncoder::TState::OpenOutput() {
    if (!MakeTemporaryFile(path, tempPath)) return MEDIACORE_E_FILE;
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "asf", tempPath.c_str()) < 0) return MEDIACORE_E_ENCODE;
    output.reset(raw);
    stream = avformat_new_stream(raw, nullptr);
    if (stream == nullptr || avcodec_parameters_from_context(stream->codecpar, codec.get()) < 0) return E_OUTOFMEMORY;
    stream->time_base = codec->time_base;
    if (avio_open(&raw->pb, tempPath.c_str(), AVIO_FLAG_WRITE) < 0) return MEDIACORE_E_FILE;
    if (avformat_write_header(raw, nullptr) < 0) return MEDIACORE_E_ENCODE;
    return S_OK;
}

HRESULT CWmaEncoder::Begin(const std::string& path, const WAVEFORMATEX& target, const WAVEFORMATEX& input) {
    if (state_) return NS_E_INVALID_REQUEST;
    if (!AcceptsInput(input)) return MEDIACORE_E_FORMAT;
    auto state = std::make_unique<TState>();
    state->path = path;
    state->input = input;
    state->input.nBlockAlign = static_cast<WORD>(input.nChannels * input.wBitsPerSample / 8);
    HRESULT hr = state->OpenCodec(target);
    if (SUCCEEDED(hr)) hr = state->OpenConverter();
    if (SUCCEEDED(hr)) hr = state->OpenOutput();
    if (FAILED(hr)) return hr;
    state_ = std::move(state);
    return S_OK;
}

bool CWmaEncoder::TState::Send(AVFrame* toSend) {
    if (avcodec_send_frame(codec.get(), toSend) < 0) return false;
    for (;;) {
        const int got = avcodec_receive_packet(codec.get(), packet.get());
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
        if (got < 0) return false;
        av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (av_interleaved_write_frame(output.get(), packet.get()) < 0) return false;
    }
}

bool CWmaEncoder::TState::EncodeWholeFrames() {
    while (av_audio_fifo_size(fifo.get()) >= codec->frame_size) {
        if (av_frame_make_writable(frame.get()) < 0 ||
            av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->data), codec->frame_size) !=
                codec->frame_size) {
            return false;
        }
        frame->pts = samplesSent;
        samplesSent += codec->frame_size;
        if (!Send(frame.get())) return false;
    }
    return true;
}

// data null drains the converter.
bool CWmaEncoder::TState::Convert(const BYTE* data, int samples) {
    const int room = swr_get_out_samples(swr.get(), samples);
    if (room < 0) return false;
    if (room == 0) return true;
    const int channels = codec->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(codec->sample_fmt) != 0;
    const int planeCount = planar ? channels : 1;
    const std::size_t planeBytes = static_cast<std::size_t>(room) *
                                   static_cast<std::size_t>(av_get_bytes_per_sample(codec->sample_fmt)) *
                                   static_cast<std::size_t>(planar ? 1 : channels);
    planes.resize(static_cast<std::size_t>(planeCount));
    planePointers.resize(planes.size());
    for (std::size_t i = 0; i < planes.size(); ++i) {
        if (planes[i].size() < planeBytes) planes[i].resize(planeBytes);
        planePointers[i] = planes[i].data();
    }
    const std::uint8_t* in = data;
    const int got = swr_convert(swr.get(), planePointers.data(), room, data == nullptr ? nullptr : &in, samples);
    if (got < 0) return false;
    return av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(planePointers.data()), got) == got;
}

HRESULT CWmaEncoder::Write(std::span<const BYTE> pcm) {
    if (!state_) return NS_E_INVALID_REQUEST;
    TState& s = *state_;
    if (s.failed) return MEDIACORE_E_ENCODE;
    const std::size_t block = s.input.nBlockAlign;
    bool ok = true;
    // A block broken over two writes is completed first.
    if (!s.partialBlock.empty()) {
        const std::size_t take = std::min(block - s.partialBlock.size(), pcm.size());
        s.partialBlock.insert(s.partialBlock.end(), pcm.begin(), pcm.begin() + static_cast<std::ptrdiff_t>(take));
        pcm = pcm.subspan(take);
        if (s.partialBlock.size() == block) {
            ok = s.Convert(s.partialBlock.data(), 1);
            s.partialBlock.clear();
        }
    }
    // The converter counts samples in an int; long writes go in parts.
    constexpr std::size_t kMaxSamplesPerCall = 1 << 20;
    while (ok && pcm.size() >= block) {
        const std::size_t samples = std::min(pcm.size() / block, kMaxSamplesPerCall);
        ok = s.Convert(pcm.data(), static_cast<int>(samples)) && s.EncodeWholeFrames();
        pcm = pcm.subspan(samples * block);
    }
    if (ok) s.partialBlock.assign(pcm.begin(), pcm.end());
    ok = ok && s.EncodeWholeFrames();
    s.failed = !ok;
    return ok ? S_OK : MEDIACORE_E_ENCODE;
}

HRESULT CWmaEncoder::Flush() {
    if (!state_) return NS_E_INVALID_REQUEST;
    TState& s = *state_;
    if (s.failed) return MEDIACORE_E_ENCODE;
    if (av_interleaved_write_frame(s.output.get(), nullptr) < 0) return MEDIACORE_E_ENCODE;
    avio_flush(s.output->pb);
    return s.output->pb->error < 0 ? MEDIACORE_E_FILE : S_OK;
}

HRESULT CWmaEncoder::End() {
    if (!state_) return NS_E_INVALID_REQUEST;
    // Whatever happens, this encoding is over; a failure leaves no file.
    std::unique_ptr<TState> state = std::move(state_);
    TState& s = *state;
    if (s.failed) return MEDIACORE_E_ENCODE;
    bool ok = s.Convert(nullptr, 0) && s.EncodeWholeFrames();
    const int left = av_audio_fifo_size(s.fifo.get());
    if (ok && left > 0) {
        ok = av_frame_make_writable(s.frame.get()) >= 0 &&
             av_audio_fifo_read(s.fifo.get(), reinterpret_cast<void**>(s.frame->data), left) == left &&
             av_samples_set_silence(s.frame->data, left, s.codec->frame_size - left, s.codec->ch_layout.nb_channels,
                                    s.codec->sample_fmt) >= 0;
        s.frame->pts = s.samplesSent;
        s.samplesSent += s.codec->frame_size;
        ok = ok && s.Send(s.frame.get());
    }
    ok = ok && s.Send(nullptr) && av_write_trailer(s.output.get()) >= 0;
    if (!ok) return MEDIACORE_E_ENCODE;
    const bool closed = avio_closep(&s.output->pb) >= 0;
    if (!closed || !SyncFile(s.tempPath)) return MEDIACORE_E_FILE;
    if (rename(s.tempPath.c_str(), s.path.c_str()) != 0) return MEDIACORE_E_FILE;
    s.committed = true;
    return S_OK;
}
