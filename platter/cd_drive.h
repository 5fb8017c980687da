#pragma once
// A real CD drive, read through libcdio and libcdio-paranoia.
//
// The status is one cheap query of the drive per refresh (open without
// waiting, ask the tray and disc state, close): no table of contents is
// read and no disc spun up while nothing changes. Only after a change is the
// disc classified (blank or written, erasable or not) with one more command.
//
// A drive that writes CD-R (libburn says so when the engine lists it) is
// also a writer: libburn grabs it for capacity queries, writes and ejects
// only, while this drive holds its medium lock, so reads wait their turn
// as busy rather than fight libburn for the node.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platter/device.h"
#include "platter/disc_toc.h"
#include "platter/drive_scan.h"

typedef struct _CdIo CdIo_t;

struct TCdioCloser {
    void operator()(CdIo_t* cdio) const;
};
using TCdioHandle = std::unique_ptr<CdIo_t, TCdioCloser>;

class CBurnWriter;
class PLATTER_CPlatter;

class PLATTER_CCdDrive final : public PLATTER_CDevice {
public:
    // Address used when sysfs does not give one: (kUnknownHost, index, 0).
    static constexpr std::int32_t kUnknownHost = 999;

    PLATTER_CCdDrive(PLATTER_CPlatter& engine, const TDriveNode& node, std::int32_t index);
    ~PLATTER_CCdDrive() override;

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
    // Asks libburn whether the drive writes; keeps the writer when it does.
    void ProbeWriter();
    // The next status refresh classifies the disc again.
    void ForgetDisc();
    // libburn's kB/s for a speed number; 0 for the fastest.
    std::int32_t SpeedKbs(std::int32_t speedNumber);

    PLATTER_CPlatter& engine_;
    const std::string node_;
    std::unique_ptr<CBurnWriter> writer_;
    std::vector<std::int32_t> speedsKbs_;  // libburn's speed for each listed X
    std::mutex statusLock_;  // the status fields below; never the medium lock
    int lastDriveState_ = -1;
    bool readable_ = false;
    std::atomic<bool> abortExtraction_{false};
};
