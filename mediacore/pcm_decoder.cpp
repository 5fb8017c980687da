#include "mediacore/pcm_decoder.h"

#include <algorithm>
#include <optional>

#include "mediacore/asf_file.h"
#include "mediacore/errors.h"
#include "mediacore/ffmpeg_handles.h"

namespace {

constexpr std::int64_t kUnitsPerSecond = 10000000;  // 100-nanosecond units
// How far before a seek target decoding starts, so that the decoder's
// overlap from the previous block is in place when the target's block comes;
// four times as long on each try while the demuxer lands after the target
// (the last try decodes from the start).
constexpr std::int64_t kFirstSeekLead = kUnitsPerSecond / 2;
constexpr int kSeekAttempts = 4;
// Damaged packets are skipped as the ffmpeg program skips them; this many in
// a row end the song.
constexpr int kMaxBadPacketsInRow = 64;

}  // namespace

struct CPcmDecoder::TState {
    TInputPtr input;
    TCodecContextPtr codec;
    TSwrPtr swr;
    TPacketPtr packet{av_packet_alloc()};
    TFramePtr frame{av_frame_alloc()};
    int streamIndex = -1;
    AVRational timeBase{1, 1000};
    WAVEFORMATEX format{};
    TAsfHeader header;
    WORD streamNumber = 0;
    // Sample index at which the next chunk starts; unknown (-1) after opening
    // or seeking, when the frame's time stamp says.
    std::int64_t nextSample = -1;
    // The time stamp, in samples, of the song's first decoded sample: times
    // count from there, so that time 0 is the first sample delivered (a
    // decoder that drops its start-up samples moves its first stamp on).
    std::optional<std::int64_t> originSample;
    // Samples in the song's first decoded block: blocks start on multiples
    // of it, which the millisecond stamps of the file only come close to.
    std::int64_t grain = 0;
    // Whether a chunk went out since the file was opened.
    bool delivered = false;
    bool inputEnded = false;
    int badInRow = 0;
    std::optional<TPcmChunk> pending;

    QWORD TimeOfSample(std::int64_t sample) const {
        return static_cast<QWORD>(av_rescale(sample, kUnitsPerSecond, format.nSamplesPerSec));
    }
    std::int64_t SnapToGrain(std::int64_t sample) const {
        // A stamp is rounded to the millisecond, and so is the origin: the
        // block is taken to start on the grain when it lies that close.
        const std::int64_t tolerance = 2 * codec->sample_rate / 1000 + 1;
        if (grain <= 0) return sample;
        const std::int64_t snapped = (sample + grain / 2) / grain * grain;
        return std::llabs(snapped - sample) <= tolerance ? snapped : sample;
    }
    HRESULT Decode(TPcmChunk& chunk);
    bool Convert(TPcmChunk& chunk);
    bool SeekDemuxer(QWORD from);
};

CPcmDecoder::CPcmDecoder() = default;
CPcmDecoder::~CPcmDecoder() = default;

bool CPcmDecoder::IsOpen() const { return state_ != nullptr; }
const WAVEFORMATEX& CPcmDecoder::Format() const { return state_->format; }
const TAsfHeader& CPcmDecoder::Header() const { return state_->header; }
WORD CPcmDecoder::StreamNumber() const { return state_->streamNumber; }
void CPcmDecoder::Close() { state_.reset(); }

HRESULT CPcmDecoder::Open(const std::string& path) {
    Close();
    auto state = std::make_unique<TState>();
    if (!state->packet || !state->frame) return E_OUTOFMEMORY;
    // Our own header reader decides what is ASF and what is protected, before
    // FFmpeg is given the file.
    std::vector<std::uint8_t> headerBytes;
    std::uint64_t fileSize = 0;
    HRESULT hr = ReadAsfHeaderBytes(path, headerBytes, fileSize);
    if (SUCCEEDED(hr)) hr = ReadAsfHeader(headerBytes, state->header);
    if (FAILED(hr)) return hr;
    if (state->header.isProtected) return MEDIACORE_E_PROTECTED;

    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), av_find_input_format("asf"), nullptr) < 0) return MEDIACORE_E_FILE;
    state->input.reset(raw);
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        if (state->streamIndex < 0 && raw->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            state->streamIndex = static_cast<int>(i);
        } else {
            raw->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    if (state->streamIndex < 0) return MEDIACORE_E_NO_AUDIO;
    AVStream* stream = raw->streams[state->streamIndex];
    state->timeBase = stream->time_base;
    state->streamNumber = static_cast<WORD>(stream->id & 0x7F);
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (decoder == nullptr) return MEDIACORE_E_NO_AUDIO;
    state->codec.reset(avcodec_alloc_context3(decoder));
    if (!state->codec) return E_OUTOFMEMORY;
    AVCodecContext* codec = state->codec.get();
    if (avcodec_parameters_to_context(codec, stream->codecpar) < 0) return MEDIACORE_E_NO_AUDIO;
    codec->pkt_timebase = stream->time_base;
    if (avcodec_open2(codec, decoder, nullptr) < 0 || codec->sample_rate <= 0 || codec->ch_layout.nb_channels <= 0) {
        return MEDIACORE_E_NO_AUDIO;
    }

    const int outChannels = std::min(codec->ch_layout.nb_channels, 2);
    AVChannelLayout inLayout = LayoutOrDefault(codec->ch_layout);
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, outChannels);
    SwrContext* swr = nullptr;
    const int made = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, codec->sample_rate, &inLayout,
                                         codec->sample_fmt, codec->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    state->swr.reset(swr);
    if (made < 0 || swr_init(swr) < 0) return MEDIACORE_E_NO_AUDIO;

    WAVEFORMATEX& format = state->format;
    format.wFormatTag = 1;  // PCM
    format.nChannels = static_cast<WORD>(outChannels);
    format.nSamplesPerSec = static_cast<DWORD>(codec->sample_rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(outChannels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    format.cbSize = 0;
    // The first chunk fixes where the song's times count from; it waits for
    // the first Next.
    TPcmChunk first;
    if (state->Decode(first) == S_OK) state->pending = std::move(first);
    state_ = std::move(state);
    return S_OK;
}

bool CPcmDecoder::TState::Convert(TPcmChunk& chunk) {
    AVFrame* f = frame.get();
    const int room = swr_get_out_samples(swr.get(), f->nb_samples);
    if (room <= 0) return false;
    chunk.bytes.resize(static_cast<std::size_t>(room) * format.nBlockAlign);
    std::uint8_t* out = chunk.bytes.data();
    const int got = swr_convert(swr.get(), &out, room, const_cast<const std::uint8_t**>(f->extended_data),
                                f->nb_samples);
    if (got <= 0) return false;
    chunk.bytes.resize(static_cast<std::size_t>(got) * format.nBlockAlign);

    // The first chunk after opening or seeking is placed by its time stamp,
    // the others follow on without gaps, unless the stamps jump by more than
    // a chunk (a gap in the file).
    std::int64_t start = nextSample;
    if (f->best_effort_timestamp != AV_NOPTS_VALUE) {
        std::int64_t stamped = av_rescale_q(f->best_effort_timestamp, timeBase, {1, codec->sample_rate});
        if (!originSample) originSample = stamped;
        if (grain == 0) grain = got;
        stamped = SnapToGrain(stamped - *originSample);
        if (start < 0 || std::llabs(stamped - start) > got) start = stamped;
    }
    if (!originSample) originSample = 0;
    start = std::max<std::int64_t>(start, 0);
    nextSample = start + got;
    chunk.time = TimeOfSample(start);
    chunk.duration = TimeOfSample(nextSample) - chunk.time;
    return true;
}

HRESULT CPcmDecoder::TState::Decode(TPcmChunk& chunk) {
    for (;;) {
        const int received = avcodec_receive_frame(codec.get(), frame.get());
        if (received == 0) {
            badInRow = 0;
            const bool converted = Convert(chunk);
            av_frame_unref(frame.get());
            if (converted) return S_OK;
            continue;
        }
        if (received == AVERROR_EOF) return S_FALSE;
        if (received != AVERROR(EAGAIN)) {
            if (++badInRow >= kMaxBadPacketsInRow) return S_FALSE;
            continue;
        }
        if (inputEnded) return S_FALSE;
        if (av_read_frame(input.get(), packet.get()) < 0) {
            avcodec_send_packet(codec.get(), nullptr);
            inputEnded = true;
            continue;
        }
        if (packet->stream_index == streamIndex && avcodec_send_packet(codec.get(), packet.get()) < 0 &&
            ++badInRow >= kMaxBadPacketsInRow) {
            av_packet_unref(packet.get());
            return S_FALSE;
        }
        av_packet_unref(packet.get());
    }
}

HRESULT CPcmDecoder::Next(TPcmChunk& chunk) {
    if (!state_) return NS_E_INVALID_REQUEST;
    state_->delivered = true;
    if (state_->pending) {
        chunk = std::move(*state_->pending);
        state_->pending.reset();
        return S_OK;
    }
    return state_->Decode(chunk);
}

bool CPcmDecoder::TState::SeekDemuxer(QWORD from) {
    const std::int64_t stamp = av_rescale_q(static_cast<std::int64_t>(from), {1, kUnitsPerSecond}, timeBase);
    if (av_seek_frame(input.get(), streamIndex, stamp, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(codec.get());
    nextSample = -1;
    inputEnded = false;
    badInRow = 0;
    return true;
}

HRESULT CPcmDecoder::Seek(QWORD time) {
    if (!state_) return NS_E_INVALID_REQUEST;
    TState& s = *state_;
    // A file just opened already stands at its start.
    if (time == 0 && !s.delivered) return S_OK;
    s.pending.reset();
    std::int64_t lead = kFirstSeekLead;
    for (int attempt = 0; attempt < kSeekAttempts; ++attempt, lead *= 4) {
        const bool last = attempt + 1 == kSeekAttempts;
        const QWORD from = last || time <= static_cast<QWORD>(lead) ? 0 : time - static_cast<QWORD>(lead);
        if (!s.SeekDemuxer(from)) {
            if (last) return MEDIACORE_E_FILE;
            continue;
        }
        TPcmChunk chunk;
        for (bool first = true;; first = false) {
            if (s.Decode(chunk) != S_OK) return S_OK;  // the target lies past the end
            // A demuxer that lands after the target is asked again, further back.
            if (first && from > 0 && chunk.time > time) break;
            if (chunk.time + chunk.duration > time) {
                s.pending = std::move(chunk);
                return S_OK;
            }
        }
    }
    return S_OK;
}
