#pragma once
// PLATTER_CPlatter: the drive library's engine. The program keeps one for
// its whole run; it lists the drives (real drives first, then the image
// drives), owns them, and reports the progress of the running write through
// fields the program polls.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platter/device.h"
#include "platter/image_config.h"
#include "platter/types.h"

class IPlatterAudioDecoder;

class PLATTER_CPlatter {
public:
    PLATTER_CPlatter();
    ~PLATTER_CPlatter();
    PLATTER_CPlatter(const PLATTER_CPlatter&) = delete;
    PLATTER_CPlatter& operator=(const PLATTER_CPlatter&) = delete;

    // Lists the drives. engine: in, the engine asked for (null: the
    // burningEngine field); out, the one used: 0 stays 0, 1 and 2 become 1.
    // The own-layer flag has no meaning here. The progress callback shows,
    // captions and hides the set-up progress. True when ready (also without
    // any drive); a second call keeps the drives already listed.
    bool InitializeASPILayer(bool ownLayer, TPlatterProgressCallback progress, void* context,
                             TBurningEngine* engine);
    // The writer the Zent engine uses, and its private log (kept for the
    // drive back end that has one).
    void SetWriterDrive(std::int32_t adapter, std::int32_t target, std::int32_t lun);
    // The writer's address as last set (-1, -1, -1 before).
    std::array<std::int32_t, 3> WriterDrive();
    // On: every libburn message goes into the log; off: warnings and worse.
    void EnableZentPrivateLogging(bool on);

    std::int32_t GetDevices();
    PLATTER_CDevice* GetDevice(std::int32_t index);
    PLATTER_CDevice* FindDeviceByParams(std::int32_t adapter, std::int32_t target, std::int32_t lun);
    // CD writers among the drives; the two flags are accepted as the
    // program passes them and change nothing.
    std::int32_t NumWriters(bool first, bool second);

    // The last error's code and its text, cut to textSize bytes. After
    // InitializeASPILayer it names the drives the user may not open; after
    // a failed write, why the write failed.
    std::int32_t GetLastError(char* text, std::size_t textSize);
    // A drive's write failed: its code and text become the engine's last
    // error, which the program reads after a failed write. Called by the
    // library's drives.
    void NoteWriteFailure(const PLATTER_CDevice& device);
    // Milliseconds the running write still needs, from its progress so far;
    // 0 when no write runs or nothing is written yet.
    std::int32_t CalcBurnTimeRemaining();

    // The decoder for track files that are not WAV files (MP3). The program
    // registers it; it must outlive every write.
    void SetAudioDecoder(IPlatterAudioDecoder* decoder) { decoder_.store(decoder); }
    IPlatterAudioDecoder* GetAudioDecoder() const { return decoder_.load(); }
    // The clock of the image drives (the configured one, else the process's).
    IPlatterClock* Clock() const;

    std::atomic<std::uint8_t> ready{0};
    // Written by the program before InitializeASPILayer.
    std::atomic<std::int32_t> burningEngine{kEngineNotChosen};
    std::atomic<std::int32_t> percentDone{0};
    // The clock's milliseconds (truncated to 32 bits) when the running write began.
    std::atomic<std::int32_t> burnStartTick{0};
    // The image drives' configuration; read by InitializeASPILayer.
    TImageDriveConfig imageDrive;
    // Whether InitializeASPILayer lists the machine's CD drives, and the
    // sysfs folder their addresses come from. Tests that count drives
    // switch the scan off.
    bool listRealDrives = true;
    std::string sysfsRoot = "/sys";
    // For tests: this many of the next InitializeASPILayer calls fail after
    // taking the engine, as a layer that finds no way to the drives.
    std::atomic<int> failInitializationsForTest{0};

private:
    // Adds the machine's drives; notes the ones the user may not open.
    void ListRealDrives();

    std::mutex lock_;
    std::vector<std::unique_ptr<PLATTER_CDevice>> devices_;
    std::atomic<IPlatterAudioDecoder*> decoder_{nullptr};
    std::array<std::int32_t, 3> writerAddress_ = {-1, -1, -1};
    bool privateLogging_ = false;
    std::int32_t errorCode_ = 0;
    std::string errorText_;
};
