#pragma once
// Owning handles for the FFmpeg objects the reader and the writer hold.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

struct AvCodecContextFree {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct AvFrameFree {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct AvPacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrFree {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
// A demuxer's context, opened with avformat_open_input.
struct AvInputClose {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};

using TCodecContextPtr = std::unique_ptr<AVCodecContext, AvCodecContextFree>;
using TFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using TPacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;
using TSwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using TInputPtr = std::unique_ptr<AVFormatContext, AvInputClose>;

// The channel layout of a context, or the default one of its channel count
// when the file names none.
inline AVChannelLayout LayoutOrDefault(const AVChannelLayout& layout) {
    AVChannelLayout out{};
    if (layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_copy(&out, &layout) < 0) {
        av_channel_layout_default(&out, layout.nb_channels);
    }
    return out;
}
