#pragma once
// CPeaks: the waveform overview of a sound. One unsigned byte ("peak") per
// fixed number of milliseconds, peak i covering the milliseconds from
// i x msPerPeak on, with the facts the program shows and acts on: the
// largest left and right sample, the automatic trim points (the first and
// last peak above the engine's silence threshold), total silence, a song
// that ends loud (partial song), bad and non-CD-quality frames.
//
// Peaks are built while a source is first decoded, cached in a ".ipk" file in
// the temporary sound folder and read back on later loads. A peak set too
// large for its buffer (about ten seconds of peaks) lives in its file and is
// streamed through the buffer a window at a time.
//
// A CPeaks is a view: copies share one reference-counted TPeakRecord and
// keep their own file, virtual start, buffer index and count.
//
// ".ipk" layout (little-endian): 0 length in ms (> 0), 4 ms per peak
// (non-zero), 8 number of peaks N (non-zero), 12 the N peaks (peak i at
// 12 + i), then seven 32-bit words: max left, max right, trim start, trim
// end, total silence, bad frames, non-CD-quality frames. The partial-song
// flag is not stored: it is derived from the last peak on every read. A
// rate display file (".grd") has the same layout.
//
// Cache files are written under a temporary name beside their final one and
// renamed when complete, so no half-written cache is ever found by its name.

#include <cstdint>
#include <string>

#include "platform/wave_format.h"

class CMap;
class CMyArrayList;
class CFileObj;
class CRefObj;
struct TPeakRecord;

class CPeaks {
public:
    // No record.
    CPeaks();
    // A new record sized by InitPeakData(msPerPeak, numPeaks, 0), one
    // reference.
    CPeaks(std::uint32_t msPerPeak, std::int32_t numPeaks);
    // Shares the other's record (one more reference) and keeps its virtual
    // start; no file, buffer index and count 0.
    CPeaks(const CPeaks& other);
    // Shares the other's record; virtual start = ((relative ? the other's
    // virtual start : 0) + start) modulo N.
    CPeaks(const CPeaks& other, std::int32_t start, int relative);
    // Shares the other's record like the copy constructor, with the other's
    // virtual start, buffer index and count; the old record loses this
    // view's reference. The file stays this view's own.
    CPeaks& operator=(const CPeaks& other);
    // Closes an open file and drops the reference; the last one deletes a
    // rate display's ".grd" file (never a ".ipk") and frees the record.
    virtual ~CPeaks();

    // New views by the constructors above; null when out of memory.
    virtual CPeaks* Copy(std::int32_t start, int relative);
    virtual CPeaks* Copy();
    // A new record with the source's ms per peak and N, virtual start,
    // length, maxima, trim points, flags (loaded, reloading, sound found,
    // trim end fixed, total silence, partial song, bad and non-CD-quality
    // frames); the peaks are not copied. Null when no record could be made.
    virtual CPeaks* Clone(CPeaks& source);

    // Sizing. The buffer holds max(100, 10000 / ms) peaks, about ten
    // seconds; a positive ms is stored as the record's ms per peak, otherwise
    // the stored value is used.
    std::uint32_t DetermineBufferSize(std::int32_t msPerPeak);
    // Sizes and clears the record (made when there is none): numPeaks < 1
    // gives N 0, a full buffer and an unknown count; numPeaks within the
    // buffer, or whole, a buffer of numPeaks; otherwise a window. The buffer
    // is zeroed; null when it cannot be allocated.
    std::uint8_t* InitPeakData(std::uint32_t msPerPeak, std::int32_t numPeaks, int whole);

    // Building while a source is decoded.
    //
    // Starts a new run of peaks. With toFile: when source is a file object
    // and *toFile is set, *toFile becomes the result of creating the song's
    // peaks file; otherwise 0.
    void InitStreamPeaksFromParse(int* toFile, CRefObj* source);
    // Stores the next peak and runs the automatic trim. With toFile a full
    // buffer is written to the file and wraps to its start (the result is
    // the write's); without, a full buffer grows so that it keeps every
    // peak (0 when it cannot). 0 without a buffer.
    int StreamPeakFromParse(std::uint8_t peak, int toFile);
    // Raises the record's maxima by the samples between start and end (end
    // not included); the larger of this piece's two maxima.
    std::int32_t CheckMaxPeaks(const std::uint8_t* start, const std::uint8_t* end,
                               const WAVEFORMATEX* format);
    // Sets N (all in the buffer when it fits, else streamed from the file),
    // then finishes as below.
    int FinishPeaksFromParse(std::uint32_t numPeaks, std::int32_t length, int toFile);
    // Writes a partly filled buffer (toFile), judges the last peak (partial
    // song), stores the length, completes the file (toFile) and marks the
    // record loaded. 1, or 0 when a write failed.
    int FinishPeaksFromParse(std::int32_t length, int toFile);
    // Builds a peak set from a list of peak values (the elements), writing
    // the song's peaks file when source is a file object. 0 when no record
    // or buffer could be made or a write failed.
    int LoadPeaksFromArrayList(CMyArrayList& peaks, std::uint32_t msPerPeak, std::int32_t length,
                               std::int32_t maxLeft, std::int32_t maxRight, CRefObj* source);

    // Files.
    //
    // Creates the song's peaks file for the stream's path.
    int InitPeaksToFile(CRefObj* source);
    // Creates the song's peaks file: songPath + ".ipk", used as it stands
    // when it lies in the temporary sound folder (or no folder is set),
    // otherwise mirrored into that folder with its folders made. A name that
    // does not fit PATH_MAX is refused (TONECORE_ERR_PATH_TOO_LONG).
    int InitPeaksToFile(const char* songPath);
    // Writes n buffer bytes to the file; a short write closes and deletes it
    // (0).
    int StreamPeaksToFile(std::uint32_t n);
    // Writes header and trailer, closes the file and gives it its name; the
    // record takes that path, loaded and wrote-to-disk are set. Any failure
    // deletes the file (0).
    int FinishPeaksToFile();
    // Opens path (the record's own file when null) for reading or, with
    // mode 1, writing. 0 without a path or when it does not open.
    int OpenPeaksFile(const char* path, int mode);
    // Closes and releases the open file; 1. A file still being written is
    // incomplete and is removed.
    int ClosePeaksFile();
    // Seeks to peak i (byte 12 + i); for reading, the count becomes i.
    int SeekToPeakIndex(std::uint32_t index);
    // Reads min(buffered peaks, max, N - count) peaks from the current
    // position into the buffer: *read gets the number read, *atEnd is set
    // once the count reaches N. 1 when every asked peak was read.
    int StreamPeaksFromFile(std::uint32_t max, std::uint32_t* read, int* atEnd);
    // Reads a peaks file: all peaks when whole is set and they fit the
    // buffer, otherwise only the last (which proves the file complete) and
    // the rest is streamed later. A record made here is kept only on
    // success; a failure takes no reference and changes nothing.
    int LoadPeaksFromFile(const char* path, int whole);
    // Deletes the record's file and empties its path.
    void DeletePeakFile();
    // Writes the peaks to exactly path (all in memory) or, for a streamed
    // set, to the song's peaks file for path; the record takes the new path.
    int SaveAs(const char* path);
    // A song's peaks file for songPath holding N zero peaks, trim end and
    // length = length. 0 on failure.
    int InitBlankFile(const char* songPath, std::int32_t length);
    int IsPeakFileOpen() const;
    int IsPeakFileWriteMode() const;

    // Derived sets.
    //
    // A new record with a whole buffer of numPeaks and the given length.
    int InitPeaksForMix(std::uint32_t msPerPeak, std::int32_t numPeaks, std::int32_t length);
    // Adds count of the other set's peaks (from its virtual start, repeating
    // when it is shorter) to this set's from peak start, limited to 255. 0
    // when either has no loaded peaks.
    int Mix(CPeaks* other, std::uint32_t start, std::uint32_t count);
    // This set's peaks as played through the rate map, length ms long (at
    // least two peaks): a new set, or null (ms 0, no peaks, a write failure).
    CPeaks* GenerateRateDisplay(const CMap* rateMap, std::int32_t length, std::uint32_t msPerPeak);

    // Memory.
    //
    // Frees the buffer; N, buffered peaks and loaded become 0.
    void Unload();
    // Gives up this sharer's claim on the buffer; once every sharer has, the
    // buffer is freed (the peaks stay in the file). A sharer counts once
    // however often it asks, so one sharer can never free the buffer that
    // another still reads.
    void ConserveMemory();
    // Takes this sharer's claim back; a freed buffer is reloaded from the
    // file by a short-lived thread. 1 when a reload was started.
    int ReloadFromDisk();
    void IncrementReferences();
    // Drops a reference; the last one frees the record (this view then has
    // none).
    void DecrementReferences();

    // Accessors of the shared record.
    std::int32_t LengthOfSound() const;
    std::int32_t GetAutoTrimTimeStart() const;
    std::int32_t GetAutoTrimTimeEnd() const;
    std::int32_t References() const;
    std::uint32_t NumMilsPerPeak() const;
    // N, or 0 while the peaks are not loaded.
    std::uint32_t GetNumPeaks() const;
    std::uint32_t GetBufferedPeaks() const;
    // The buffer, or null while the peaks are not loaded.
    std::uint8_t* GetDataPtr() const;
    double GetFractionalAmps() const;
    int WroteToDisk() const;
    void SetWroteToDiskFlag(int flag);
    std::int32_t GetMaxRight() const;
    std::int32_t GetMaxLeft() const;
    void SetMaxPeaks(std::int32_t left, std::int32_t right);
    // The record's peaks file; empty when none.
    std::string PeakFilePath() const;
    int IsLoaded() const;
    int IsReloading() const;
    int IsTotalSilence() const;
    int IsPartialSong() const;
    std::int32_t IsStreaming() const;
    int HasBadFrames() const;
    void SetHasBadFrames(int flag);
    int HasNonCDQualityFrames() const;
    void SetHasNonCDQualityFrames(int flag);

    std::uint32_t GetVirtualStart() const { return virtualStart_; }
    void SetVirtualStart(std::int32_t start);

protected:
    // Creates exactPath's peaks file (under a temporary name until it is
    // complete) and writes the zero header; on failure nothing is left.
    int _InitPeaksToFile_(const char* exactPath);

private:
    // The record, made (with this view's one reference) when there is none.
    TPeakRecord* EnsureRecord();
    // Drops this view's reference; the last one frees the record.
    void ReleaseRecord();
    // Shares other's record with one more reference.
    void ShareRecord(TPeakRecord* record);
    // The automatic trim step for peak p stored at the current count.
    void AutoTrimStep(std::uint8_t peak);
    // Doubles the buffer, keeping what it holds; false (out of memory set)
    // when it cannot.
    bool GrowPeakBuffer();
    // Marks the record a partial song when the last peak is loud.
    void PartialSongTest(std::uint8_t lastPeak);
    // The last peak streamed into the buffer; false when there is none.
    bool LastStoredPeak(std::uint8_t& peak) const;
    // Closes the file being written and removes it.
    void AbandonPeakFile();
    // Writes n bytes to the file being written; a short write abandons it.
    bool WriteToPeakFile(const std::uint8_t* data, std::uint32_t n);
    // SaveAs for a set whose peaks live in its file.
    int SaveStreamedAs(const char* songPath);

    CFileObj* file_ = nullptr;
    TPeakRecord* record_ = nullptr;
    std::uint32_t virtualStart_ = 0;
    std::uint32_t bufferIndex_ = 0;
    std::uint32_t peakCount_ = 0;
    // This sharer has given up its claim on the buffer (ConserveMemory).
    bool conserved_ = false;
    // The name a file being written gets once it is complete.
    std::string pendingPath_;
};
