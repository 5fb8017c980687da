#include "platter/burn_feed.h"

#include <libburn/libburn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "filekit/log.h"
#include "platter/audio_fifo.h"
#include "platter/track_source.h"
#include "platter/types.h"

using namespace burn;

namespace {

// What every feed shares: the extent and how much of it was delivered.
class CFeed {
public:
    explicit CFeed(std::int32_t sectors) : totalBytes_(std::int64_t{sectors} * PLATTER_SECTOR_BYTES) {}
    virtual ~CFeed() = default;

    // One read from libburn: the full size, 0 at the end, -1 on a failure.
    int Read(unsigned char* buffer, int size) {
        if (failed_) return -1;
        const std::int64_t want = std::min<std::int64_t>(size, totalBytes_ - done_);
        if (want <= 0) return 0;
        const std::int64_t got = Fill(buffer, want);
        if (got < 0) {
            failed_ = true;
            return -1;
        }
        std::memset(buffer + got, 0, static_cast<std::size_t>(want - got));
        done_ += want;
        return static_cast<int>(want);
    }
    off_t Size() const { return static_cast<off_t>(totalBytes_); }
    virtual void Cancel() {}

protected:
    // Up to want bytes of audio; fewer is padded with silence; -1 fails.
    virtual std::int64_t Fill(unsigned char* out, std::int64_t want) = 0;

private:
    const std::int64_t totalBytes_;
    std::int64_t done_ = 0;
    bool failed_ = false;
};

class CFileFeed final : public CFeed {
public:
    CFileFeed(CTrackSource& source, std::int32_t sectors) : CFeed(sectors), source_(source) {}

private:
    std::int64_t Fill(unsigned char* out, std::int64_t want) override { return source_.Read(out, want); }
    CTrackSource& source_;
};

class CStreamFeed final : public CFeed {
public:
    CStreamFeed(CAudioFifo& fifo, const std::atomic<std::int32_t>& result, std::int32_t sectors, std::int32_t track)
        : CFeed(sectors), fifo_(fifo), result_(result), track_(track) {}
    void Cancel() override { fifo_.Close(); }

private:
    std::int64_t Fill(unsigned char* out, std::int64_t want) override {
        const std::size_t got = fifo_.Pop(out, static_cast<std::size_t>(want));
        if (got < static_cast<std::size_t>(want)) {
            if (result_.load() == 0) {
                LogFmt("CBurnWriter::Write - The audio for track %d could not be rendered", track_);
                return -1;
            }
            if (!shortLogged_)
                LogFmt("CBurnWriter::Write - The rendered audio ended early in track %d; the rest is silence",
                       track_);
            shortLogged_ = true;
        }
        return static_cast<std::int64_t>(got);
    }
    CAudioFifo& fifo_;
    const std::atomic<std::int32_t>& result_;
    const std::int32_t track_;
    bool shortLogged_ = false;
};

CFeed& FeedOf(burn_source* source) { return *static_cast<CFeed*>(source->data); }

int ReadFeed(burn_source* source, unsigned char* buffer, int size) { return FeedOf(source).Read(buffer, size); }
off_t FeedSize(burn_source* source) { return FeedOf(source).Size(); }
// The size is fixed by the layout; libburn pads or cuts to what it sets.
int SetFeedSize(burn_source* /*source*/, off_t /*size*/) { return 1; }
int CancelFeed(burn_source* source) {
    FeedOf(source).Cancel();
    return 1;
}
void FreeFeed(burn_source* source) { delete &FeedOf(source); }

burn_source* Wrap(std::unique_ptr<CFeed> feed) {
    auto* source = static_cast<burn_source*>(std::calloc(1, sizeof(burn_source)));
    if (source == nullptr) return nullptr;
    source->refcount = 1;
    source->read = nullptr;  // a version 1 source: read_xt and cancel
    source->read_sub = nullptr;
    source->get_size = FeedSize;
    source->set_size = SetFeedSize;
    source->free_data = FreeFeed;
    source->next = nullptr;
    source->data = feed.release();
    source->version = 1;
    source->read_xt = ReadFeed;
    source->cancel = CancelFeed;
    return source;
}

}  // namespace

burn_source* NewFileTrackFeed(CTrackSource& source, std::int32_t sectors) {
    return Wrap(std::make_unique<CFileFeed>(source, sectors));
}

burn_source* NewStreamTrackFeed(CAudioFifo& fifo, const std::atomic<std::int32_t>& renderResult,
                                std::int32_t sectors, std::int32_t trackNumber) {
    return Wrap(std::make_unique<CStreamFeed>(fifo, renderResult, sectors, trackNumber));
}
