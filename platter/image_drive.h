#pragma once
// The image drive: a CD writer and reader whose disc lives in a folder, the
// tray. A written disc is "disc.cue" with "disc.bin"; a blank disc is no
// image at all, of the configured kind and capacity. A written disc stays
// in the tray until Eject or until the operator-swap delay has passed; then
// it is kept as "ejected-NNN.cue"/".bin" and a fresh disc lies in the tray.
// A write that fails leaves no image and a spoilt disc ("disc.spoilt"),
// which reads as written and cannot be written again until it is ejected.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platter/device.h"
#include "platter/image_config.h"

class CTrackSource;
class PLATTER_CPlatter;
struct TWritePlan;

class PLATTER_CImageDrive final : public PLATTER_CDevice {
public:
    // Address of image drive k: (1000, k, 0), clear of any real adapter.
    static constexpr std::int32_t kHostAdapter = 1000;

    PLATTER_CImageDrive(PLATTER_CPlatter& engine, const TImageDriveConfig& config, std::string trayFolder,
                        std::int32_t index);

    void AbortExtraction() override;
    bool Eject() override;
    void RefreshStatus() override;
    bool ExtractTrack(TExtractParams* params) override;
    bool ReadDeviceInfo() override;
    void AbortWrite() override;
    std::int32_t GetCapacity(std::int32_t kind) override;
    bool IsDiscReady() override;
    std::int32_t WriteDisc(const TWriteDiscParams* params) override;

    const std::string& TrayFolder() const { return tray_; }

private:
    std::string TrayFile(const char* name) const { return tray_ + name; }
    // The status the tray shows now, swapping a written disc first when the
    // operator's delay has passed. Called under stateLock_.
    std::int32_t CurrentStatusLocked();
    // Moves a written disc aside and lays a fresh one in. Under stateLock_.
    void EjectLocked();
    std::int32_t Refuse(std::int32_t code, const std::string& text);
    std::int32_t RunWrite(const TWritePlan& plan, std::vector<std::unique_ptr<CTrackSource>>& sources);
    // Makes the image from the written data file: the CUE, then both renamed
    // into place, the data first so a CUE never names a missing file.
    bool PublishImage(const TWritePlan& plan, std::string& why);
    void SpoilDisc();

    PLATTER_CPlatter& engine_;
    const TImageDriveConfig config_;
    IPlatterClock* clock_;
    const std::string tray_;  // ends with '/'
    std::mutex stateLock_;    // the tray's state below
    bool trayEmpty_ = false;
    // When this drive wrote the disc in the tray; -1 when it did not.
    std::int64_t writtenAtMs_ = -1;
    std::atomic<bool> abortExtraction_{false};
    std::atomic<bool> abortWrite_{false};
};
