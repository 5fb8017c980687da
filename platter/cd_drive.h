#pragma once
// A real CD drive, read through libcdio and libcdio-paranoia.
//
// The status is one cheap query of the drive per refresh (open without
// waiting, ask the tray and disc state, close): no table of contents is
// read and no disc spun up while nothing changes. Only after a change is the
// disc classified (blank or written, erasable or not) with one more command.
//
// Writing is not offered by this back end; a drive is listed as a reader.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platter/device.h"
#include "platter/disc_toc.h"
#include "platter/drive_scan.h"

typedef struct _CdIo CdIo_t;

struct TCdioCloser {
    void operator()(CdIo_t* cdio) const;
};
using TCdioHandle = std::unique_ptr<CdIo_t, TCdioCloser>;

class PLATTER_CCdDrive final : public PLATTER_CDevice {
public:
    // Address used when sysfs does not give one: (kUnknownHost, index, 0).
    static constexpr std::int32_t kUnknownHost = 999;

    PLATTER_CCdDrive(const TDriveNode& node, std::int32_t index);

    void AbortExtraction() override;
    bool Eject() override;
    void RefreshStatus() override;
    bool ExtractTrack(TExtractParams* params) override;
    bool ReadDeviceInfo() override;
    void AbortWrite() override;
    std::int32_t GetCapacity(std::int32_t kind) override;
    bool IsDiscReady() override;
    std::int32_t WriteDisc(const TWriteDiscParams* params) override;

private:
    // Opens the disc and reads its table; false with the last error set.
    bool OpenDisc(TCdioHandle& cdio, TDiscToc& toc);
    // Blank CD-R, blank CD-RW or written, asked of the disc in the drive.
    std::int32_t ClassifyDisc() const;

    const std::string node_;
    std::mutex statusLock_;  // the status fields below; never the medium lock
    int lastDriveState_ = -1;
    bool readable_ = false;
    std::atomic<bool> abortExtraction_{false};
};
