#include "platter/paranoia_reader.h"

#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "filekit/log.h"
#include "platter/errors.h"
#include "platter/read_policy.h"
#include "platter/rip_speed.h"

namespace {

// Re-reads paranoia makes of a stretch that does not verify before it
// gives up on it (the cd-paranoia default).
constexpr int kParanoiaRetries = 20;

// The policy paranoia's reads go through on this thread. paranoia's drive
// structure carries no context of ours, and paranoia reads on the thread
// that asked it to, so the extraction's thread holds the route.
thread_local CSectorReadPolicy* tRoute = nullptr;

long RoutedRead(cdrom_drive_t* /*drive*/, void* out, lsn_t begin, long sectors) {
    if (tRoute == nullptr || sectors <= 0) return -1;
    // paranoia reads into no buffer at all to move the drive's cache on.
    std::vector<std::uint8_t> scratch;
    if (out == nullptr) {
        scratch.resize(static_cast<std::size_t>(sectors) * PLATTER_SECTOR_BYTES);
        out = scratch.data();
    }
    tRoute->Read(begin, static_cast<std::int32_t>(sectors), static_cast<std::uint8_t*>(out));
    return sectors;
}

void IgnoreParanoiaReport(long /*position*/, paranoia_cb_mode_t /*mode*/) {}

struct TRouteScope {
    explicit TRouteScope(CSectorReadPolicy& policy) { tRoute = &policy; }
    ~TRouteScope() { tRoute = nullptr; }
};

struct TDriveCloser {
    void operator()(cdrom_drive_t* drive) const { cdio_cddap_close_no_free_cdio(drive); }
};
struct TParanoiaFreer {
    void operator()(cdrom_paranoia_t* paranoia) const { cdio_paranoia_free(paranoia); }
};

// Sectors in rising order from paranoia's verified stream.
class CParanoiaSectorReader final : public ISectorReader {
public:
    CParanoiaSectorReader(cdrom_paranoia_t* paranoia, CSectorReadPolicy& policy, const std::atomic<bool>& abort)
        : paranoia_(paranoia), policy_(policy), abort_(abort) {}

    bool ReadSectors(std::int32_t lsn, std::int32_t count, std::uint8_t* out, TExtractFailure& failure) override {
        if (lsn != next_) cdio_paranoia_seek(paranoia_, lsn, SEEK_SET);
        for (std::int32_t i = 0; i < count; ++i) {
            const std::int16_t* samples = cdio_paranoia_read_limited(paranoia_, IgnoreParanoiaReport, kParanoiaRetries);
            if (abort_.load()) return false;
            if (samples == nullptr) {
                failure.code = PLATTER_ERR_READ;
                failure.text = "Sector " + std::to_string(lsn + i) + " could not be read.";
                return false;
            }
            CopyLittleEndian(samples, out + static_cast<std::size_t>(i) * PLATTER_SECTOR_BYTES);
        }
        next_ = lsn + count;
        return policy_.CheckDelivered(lsn, count, failure);
    }

private:
    // paranoia hands out samples in the host's byte order; CD audio is
    // little-endian.
    static void CopyLittleEndian(const std::int16_t* samples, std::uint8_t* out) {
        std::memcpy(out, samples, PLATTER_SECTOR_BYTES);
        if constexpr (std::endian::native == std::endian::big) {
            for (int b = 0; b < PLATTER_SECTOR_BYTES; b += 2) std::swap(out[b], out[b + 1]);
        }
    }

    cdrom_paranoia_t* paranoia_;
    CSectorReadPolicy& policy_;
    const std::atomic<bool>& abort_;
    std::int32_t next_ = -1;
};

void SetRipSpeed(cdrom_drive_t* drive, std::int16_t index, const std::string& logName) {
    const std::int32_t x = index == PLATTER_RIP_SPEED_MAXIMUM ? -1 : RipSpeedX(index);
    if (cdio_cddap_speed_set(drive, x) != 0)
        LogFmt("%s::ExtractTrack - The drive refused the read speed %s", logName.c_str(),
               x < 0 ? "Max" : (std::to_string(x) + "x").c_str());
}

bool Fail(TExtractFailure& failure, std::int32_t code, const std::string& text) {
    failure.code = code;
    failure.text = text;
    return false;
}

}  // namespace

bool RipTrackThroughParanoia(const TParanoiaRip& rip, const TExtractParams& params, TExtractFailure& failure) {
    std::int32_t start = 0;
    std::int32_t end = 0;
    if (!ResolveAudioTrack(*rip.toc, params, start, end, failure)) return false;

    std::unique_ptr<cdrom_drive_t, TDriveCloser> drive(cdio_cddap_identify_cdio(rip.cdio, CDDA_MESSAGE_FORGETIT, nullptr));
    if (!drive || cdio_cddap_open(drive.get()) != 0)
        return Fail(failure, PLATTER_ERR_OPEN, "The disc cannot be opened for reading audio.");
    // CD audio comes off the disc little-endian; guessing from the samples
    // (paranoia's default) can take quiet or synthetic audio for big-endian.
    drive->bigendianp = 0;
    if (rip.setSpeed) SetRipSpeed(drive.get(), params.spindleSpeed, rip.logName);

    const auto driveRead = drive->read_audio;
    cdrom_drive_t* raw = drive.get();
    const TPlatterRawRead fromDrive = [raw, driveRead](std::int32_t lsn, long count, void* out) {
        return driveRead(raw, out, lsn, count);
    };
    CSectorReadPolicy policy(params, start, end, *rip.abort,
                             [&](std::int32_t lsn, std::int32_t count, std::uint8_t* out) {
                                 const long got = rip.hook ? rip.hook(lsn, count, out, fromDrive)
                                                           : fromDrive(lsn, count, out);
                                 return got == count;
                             });
    drive->read_audio = RoutedRead;
    TRouteScope route(policy);

    std::unique_ptr<cdrom_paranoia_t, TParanoiaFreer> paranoia(cdio_paranoia_init(drive.get()));
    if (!paranoia) return Fail(failure, PLATTER_ERR_OPEN, "The disc cannot be opened for reading audio.");
    const bool verify = params.jitterCorrection != PLATTER_JITTER_OFF;
    cdio_paranoia_modeset(paranoia.get(), verify ? PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP : PARANOIA_MODE_DISABLE);

    CParanoiaSectorReader reader(paranoia.get(), policy, *rip.abort);
    const bool ok = ExtractTrackAudio(*rip.toc, params, reader, *rip.abort, failure);
    drive->read_audio = driveRead;
    return ok;
}
