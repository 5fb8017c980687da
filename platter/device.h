#pragma once
// PLATTER_CDevice: one CD drive as the program sees it. The library owns
// every device for the life of the engine that listed it.
//
// The virtual operations keep this order, the order of the interface the
// program was written against. Fields the program polls while another thread
// works (the media status) are atomic.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platter/read_hook.h"
#include "platter/types.h"
#include "titlefetch/mv_list.h"
#include "titlefetch/track_pos.h"

struct TDiscToc;
struct TParanoiaRip;

class PLATTER_CDevice {
public:
    PLATTER_CDevice();
    virtual ~PLATTER_CDevice();
    PLATTER_CDevice(const PLATTER_CDevice&) = delete;
    PLATTER_CDevice& operator=(const PLATTER_CDevice&) = delete;

    // Ends a running ExtractTrack: it returns false with the last error -100.
    virtual void AbortExtraction() = 0;
    virtual bool Eject() = 0;
    // Fills the media status field.
    virtual void RefreshStatus() = 0;
    // Reads one track (by its disc track number) through the block's
    // callbacks, on the calling thread.
    virtual bool ExtractTrack(TExtractParams* params) = 0;
    // Reads the disc ID, the track count, the track table and positions.
    virtual bool ReadDeviceInfo() = 0;
    virtual void AbortWrite() = 0;
    // Milliseconds of audio the disc in the drive can still take.
    virtual std::int32_t GetCapacity(std::int32_t kind) = 0;
    virtual bool IsDiscReady() = 0;
    // Writes a disc; PLATTER_WRITE_* (platter/errors.h). Blocks the caller
    // while events and audio go through the block's callbacks on a library
    // thread.
    virtual std::int32_t WriteDisc(const TWriteDiscParams* params) = 0;
    // The X value of a speed number (see TBurningEngine).
    virtual std::int32_t GetSpeedOfSpeedNumber(std::int32_t number);
    virtual std::int32_t GetNumWriteSpeeds();
    // The speed number of the index-th write speed, slowest first;
    // PLATTER_SPEED_UNUSABLE past the list.
    virtual std::int32_t GetWriteSpeed(std::int32_t index);
    // The listed speed number nearest to speed (never above it when a slower
    // one exists); PLATTER_SPEED_MAXIMUM stays as it is.
    virtual std::int32_t GetClosestSupportedSpeed(std::int32_t speed);

    // The last error's code (0 none, -100 a cancelled extraction) and its
    // text, cut to textSize bytes on a character boundary.
    std::int32_t GetLastError(char* text, std::size_t textSize) const;
    // Every raw read of later extractions goes through hook (empty: none).
    // Set it while no extraction runs.
    void SetReadHook(TPlatterReadHook hook) { readHook_ = std::move(hook); }

    // Vendor and product, as one name.
    const char* GetName() const { return name_.c_str(); }
    std::int32_t GetNumDataTracks() const;

    std::int32_t scsiId = 0;
    std::int32_t hostAdapter = 0;
    std::int32_t target = 0;
    std::int32_t lun = 0;
    char vendor[16] = {};
    char product[16] = {};
    char revision[8] = {};
    std::uint32_t capabilities = 0;
    std::atomic<std::int32_t> mediaStatus{PLATTER_MEDIA_NONE};
    // CDDB disc ID of the disc last read; 0 none.
    std::uint32_t discId = 0;
    std::int32_t lowestSpeed = 0;
    std::int32_t highestSpeed = 0;
    // What the library opens: a device node, or an image's CUE file.
    std::string driveText;
    std::int32_t trackCount = 0;
    PLATTER_TTrackInfo trackTable[PLATTER_MAX_TRACKS + 1] = {};
    // One record per track, owned by the device.
    MvList<PLATTER_TTrackPos*> trackPositions;
    // 1 when the track lengths need no correction from another source: set
    // with every table this library reads, whose lengths (an Enhanced CD's
    // last audio track included) come from the disc's layout.
    std::uint8_t correctionNotNeeded = 0;
    std::uint8_t ripVersusConvert = 0;
    std::int32_t ripVersusConvertPercent = 0;

protected:
    // Readers and the writer share the medium: a write holds this for its
    // whole run; reads only try it, and fail as busy rather than wait.
    // Status queries never take it.
    std::mutex& MediumLock() { return mediumLock_; }
    // Takes the medium lock for a read, or sets PLATTER_ERR_BUSY.
    std::unique_lock<std::mutex> TryLockMediumForRead();
    // The medium lock for an extraction, or unlocked with the last error set
    // (no block, or busy).
    std::unique_lock<std::mutex> LockForExtraction(const TExtractParams* params);
    // Rips the track params asks for; the last error tells how it went.
    bool RunRip(const TParanoiaRip& rip, const TExtractParams& params);
    const TPlatterReadHook& ReadHook() const { return readHook_; }

    // Sets the identity fields and the name from them.
    void SetIdentity(const char* vendorText, const char* productText, const char* revisionText);
    // The drive's write speeds in X, slowest first, and the engine that
    // decides what a speed number is.
    void SetWriteSpeeds(std::vector<std::int32_t> speedsX, std::int32_t engine);
    void SetError(std::int32_t code, const std::string& text);
    // Code 0 and no text.
    void ClearError();
    // Empties the track count, table, positions and disc ID.
    void ClearDiscInfo();
    // Fills them from a checked table of contents.
    void SetDiscInfo(const TDiscToc& toc);

private:
    std::mutex mediumLock_;
    TPlatterReadHook readHook_;
    mutable std::mutex errorLock_;
    std::int32_t errorCode_ = 0;
    std::string errorText_;
    std::string name_;
    std::vector<std::int32_t> speedsX_;
    std::int32_t engine_ = 1;
};

// Copies text into out of outSize bytes, cut on a UTF-8 character boundary
// and always terminated (nothing happens when outSize is 0).
void PlatterCopyText(const std::string& text, char* out, std::size_t outSize);
