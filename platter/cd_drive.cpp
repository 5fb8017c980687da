#include "platter/cd_drive.h"

#include <cdio/cdio.h>
#include <cdio/mmc_ll_cmds.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>

#include "filekit/log.h"
#include "platter/burn_block_write.h"
#include "platter/burn_writer.h"
#include "platter/cdio_toc.h"
#include "platter/errors.h"
#include "platter/media_status.h"
#include "platter/paranoia_reader.h"
#include "platter/platter.h"
#include "titlefetch/cdio_log.h"

void TCdioCloser::operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }

namespace {

TCdioHandle OpenDrive(const std::string& node) {
    InstallCdioLogHandler();
    return TCdioHandle(cdio_open(node.c_str(), DRIVER_LINUX));
}

// Bytes of standard disc information that hold the disc's status.
constexpr unsigned kDiscInfoBytes = 34;
// How long the drive may take to answer it.
constexpr unsigned kDiscInfoTimeoutMs = 3000;

}  // namespace

PLATTER_CCdDrive::PLATTER_CCdDrive(PLATTER_CPlatter& engine, const TDriveNode& node, std::int32_t index)
    : engine_(engine), node_(node.path) {
    hostAdapter = node.addressKnown ? node.host : kUnknownHost;
    target = node.addressKnown ? node.target : index;
    lun = node.addressKnown ? node.lun : 0;
    scsiId = target;
    std::string vendorText = node.vendor;
    std::string productText = node.product;
    std::string revisionText = node.revision;
    if (vendorText.empty() && productText.empty()) {
        // sysfs had no inquiry data; ask the drive itself.
        cdio_hwinfo_t info{};
        TCdioHandle cdio = OpenDrive(node_);
        if (cdio && cdio_get_hwinfo(cdio.get(), &info)) {
            vendorText = info.psz_vendor;
            productText = info.psz_model;
            revisionText = info.psz_revision;
        }
    }
    SetIdentity(vendorText.c_str(), productText.c_str(), revisionText.c_str());
    driveText = node_;
    ProbeWriter();
    RefreshStatus();
}

PLATTER_CCdDrive::~PLATTER_CCdDrive() = default;

void PLATTER_CCdDrive::ProbeWriter() {
    auto writer = std::make_unique<CBurnWriter>(node_);
    TBurnDriveFacts facts;
    std::string why;
    if (!writer->Probe(facts, why)) {
        LogFmt("PLATTER_CCdDrive::ProbeWriter - %s is a reader: %s", node_.c_str(), why.c_str());
        return;
    }
    capabilities = facts.capabilities;
    speedsKbs_ = facts.speedsKbs;
    SetWriteSpeeds(facts.speedsX, engine_.burningEngine.load());
    writer_ = std::move(writer);
    LogFmt("PLATTER_CCdDrive::ProbeWriter - %s writes CD-R: capabilities 0x%x, %zu write speeds", node_.c_str(),
           capabilities, facts.speedsX.size());
}

void PLATTER_CCdDrive::ForgetDisc() {
    std::lock_guard<std::mutex> hold(statusLock_);
    lastDriveState_ = -1;
}

void PLATTER_CCdDrive::AbortExtraction() { abortExtraction_.store(true); }

void PLATTER_CCdDrive::AbortWrite() {
    if (writer_) writer_->Cancel();
}

std::int32_t PLATTER_CCdDrive::ClassifyDisc() const {
    TCdioHandle cdio = OpenDrive(node_);
    std::uint8_t info[kDiscInfoBytes] = {};
    if (!cdio || mmc_read_disc_information(cdio.get(), info, sizeof info, CDIO_MMC_READ_DISC_INFO_STANDARD,
                                           kDiscInfoTimeoutMs) != DRIVER_OP_SUCCESS)
        return ClassifyDiscInformation(nullptr, 0);
    return ClassifyDiscInformation(info, sizeof info);
}

void PLATTER_CCdDrive::RefreshStatus() {
    std::lock_guard<std::mutex> hold(statusLock_);
    const int fd = open(node_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A writer holding the drive for itself: the disc is as it was.
        if (errno == EBUSY) return;
        lastDriveState_ = -1;
        readable_ = false;
        mediaStatus.store(PLATTER_MEDIA_NONE);
        return;
    }
    const int state = ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
    bool changed = state != lastDriveState_;
    // A disc swapped between two polls leaves the state as it was; the
    // drive's media-changed flag tells.
    if (state == CDS_DISC_OK && !changed) changed = ioctl(fd, CDROM_MEDIA_CHANGED, CDSL_CURRENT) == 1;
    close(fd);
    lastDriveState_ = state;
    readable_ = state == CDS_DISC_OK;
    if (!readable_) {
        mediaStatus.store(PLATTER_MEDIA_NONE);
    } else if (changed) {
        mediaStatus.store(ClassifyDisc());
        LogFmt("PLATTER_CCdDrive::RefreshStatus - %s: media status %d", node_.c_str(), mediaStatus.load());
    }
}

bool PLATTER_CCdDrive::IsDiscReady() {
    RefreshStatus();
    std::lock_guard<std::mutex> hold(statusLock_);
    return readable_;
}

bool PLATTER_CCdDrive::Eject() {
    const auto medium = TryLockMediumForRead();
    if (!medium.owns_lock()) return false;
    std::string why;
    if (writer_ && writer_->Eject(why)) {
        // libburn opens the tray as it lets the drive go.
        ClearDiscInfo();
        ForgetDisc();
        RefreshStatus();
        ClearError();
        return true;
    }
    const driver_return_code_t result = cdio_eject_media_drive(node_.c_str());
    ClearDiscInfo();
    RefreshStatus();
    if (result != DRIVER_OP_SUCCESS) {
        SetError(PLATTER_ERR_DRIVE, std::string("The drive ") + node_ + " did not eject: " + cdio_driver_errmsg(result));
        return false;
    }
    ClearError();
    return true;
}

bool PLATTER_CCdDrive::OpenDisc(TCdioHandle& cdio, TDiscToc& toc) {
    cdio = OpenDrive(node_);
    if (!cdio) {
        SetError(PLATTER_ERR_OPEN, "There is no readable disc in " + node_ + ".");
        return false;
    }
    std::string why;
    if (!ReadCdioToc(cdio.get(), toc, why)) {
        SetError(PLATTER_ERR_BAD_TOC, why);
        return false;
    }
    return true;
}

bool PLATTER_CCdDrive::ReadDeviceInfo() {
    const auto medium = TryLockMediumForRead();
    if (!medium.owns_lock()) return false;
    ClearDiscInfo();
    TCdioHandle cdio;
    TDiscToc toc;
    if (!OpenDisc(cdio, toc)) return false;
    SetDiscInfo(toc);
    ClearError();
    return true;
}

bool PLATTER_CCdDrive::ExtractTrack(TExtractParams* params) {
    abortExtraction_.store(false);
    const auto medium = LockForExtraction(params);
    if (!medium.owns_lock()) return false;
    TCdioHandle cdio;
    TDiscToc toc;
    if (!OpenDisc(cdio, toc)) return false;
    TParanoiaRip rip;
    rip.cdio = cdio.get();
    rip.toc = &toc;
    rip.abort = &abortExtraction_;
    rip.hook = ReadHook();
    rip.setSpeed = true;
    rip.logName = "PLATTER_CCdDrive";
    return RunRip(rip, *params);
}

std::int32_t PLATTER_CCdDrive::GetCapacity(std::int32_t /*kind*/) {
    if (!writer_) return 0;
    const auto medium = TryLockMediumForRead();
    if (!medium.owns_lock()) return 0;
    return writer_->BlankCapacityMs();
}

std::int32_t PLATTER_CCdDrive::WriteDisc(const TWriteDiscParams* params) {
    std::lock_guard<std::mutex> oneWrite(MediumLock());
    ClearError();
    const auto fail = [this](std::int32_t code, const std::string& text) {
        LogFmt("PLATTER_CCdDrive::WriteDisc - Code %d: %s", code, text.c_str());
        SetError(code, text);
        engine_.NoteWriteFailure(*this);
        return code;
    };
    if (!writer_) return fail(PLATTER_WRITE_REFUSED, "The drive " + node_ + " is used for reading only.");
    TBurnBlockWrite how;
    how.writer = writer_.get();
    how.decoder = engine_.GetAudioDecoder();
    how.cdTextCapable = (capabilities & PLATTER_CAP_CDTEXT) != 0;
    how.speedKbs = [this](std::int32_t number) { return SpeedKbs(number); };
    how.percentDone = &engine_.percentDone;
    how.startTick = &engine_.burnStartTick;
    how.clock = engine_.Clock();
    const TBurnWriteResult result = WriteBlockThroughLibburn(params, how);
    // The disc has changed under the reader: the next poll classifies it.
    ClearDiscInfo();
    ForgetDisc();
    RefreshStatus();
    if (result.code != PLATTER_WRITE_OK) return fail(result.code, result.text);
    return PLATTER_WRITE_OK;
}

std::int32_t PLATTER_CCdDrive::SpeedKbs(std::int32_t speedNumber) {
    const std::int32_t x = GetSpeedOfSpeedNumber(speedNumber);
    if (speedNumber == PLATTER_SPEED_MAXIMUM || x <= 0) return 0;
    for (std::int32_t i = 0; i < GetNumWriteSpeeds(); ++i)
        if (GetSpeedOfSpeedNumber(GetWriteSpeed(i)) == x && static_cast<std::size_t>(i) < speedsKbs_.size())
            return speedsKbs_[static_cast<std::size_t>(i)];
    // A speed the drive did not list: single speed's 176.4 kB/s times X.
    return x * 1764 / 10;
}
