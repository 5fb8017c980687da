#pragma once
// CPCMSound: the leaf of the engine's sound tree. One song or sound file,
// decoded on demand to PCM: the source's data stream, the decoding object
// of a compressed source, a PCM buffer that holds decoded data ahead of the
// reader, the song information, the peaks, its own volume, pan and rate, the
// automatic trim times and the silence and partial-song verdicts.
//
// The mixer reads a sound through ReadData, which adds the sound's next PCM
// into a block: through a small linear resampler (fixed point, 2^27 = one
// source frame) and a left and a right gain (8192 = 1.0). Gains and step come
// from Volume, Pan and Rate, or, when the sound uses its map, from the
// volume, pan and rate envelopes of its combined map.
//
// Every sound is in the loaded-sound registry from construction to Unload.
// ReadData, GetAmplitudes and the play-once queries take the sound's lock.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/wave_format.h"
#include "tonecore/sound/audio_atom.h"
#include "tonecore/engine/sound_loaded.h"

class ACMObject;
class CPCMBuffer;
class CPeaks;
class CRIFF;
class CSoundRecording;
class CRefObj;
class CSeekMap;
struct TMusicInfo;
struct _bufferType;

// What a read answers.
enum TRenderResult : int {
    RENDER_FAILED = 0,
    RENDER_MORE = 1,
    RENDER_FINISHED = 2,
};

// What Record does: start a recording into the sound, or end it.
enum TRecordType : int {
    RECORD_START = 0,
    RECORD_END = 1,  // any value but RECORD_START ends
};

// Progress of SaveAs: percent done and the caller's value.
using TSaveProgressCallback = void (*)(std::int32_t percent, std::uintptr_t user);

// The effect kinds (lowpass_filter.h); a PCM sound takes none.
enum TEffectType : std::int32_t;

// Mix flags of a PCM sound.
inline constexpr std::uint32_t PCM_MIX_SOURCE_STEREO = 1;
inline constexpr std::uint32_t PCM_MIX_OUTPUT_STEREO = 2;
inline constexpr std::uint32_t PCM_MIX_SOURCE_8BIT = 4;
inline constexpr std::uint32_t PCM_MIX_OUTPUT_8BIT = 8;
// The envelopes drive the gains and the step.
inline constexpr std::uint32_t PCM_MIX_MAPS = 16;
// A point of the type lies ahead.
inline constexpr std::uint32_t PCM_MIX_NEXT_RATE = 32;
inline constexpr std::uint32_t PCM_MIX_NEXT_VOLUME = 64;
inline constexpr std::uint32_t PCM_MIX_NEXT_PAN = 128;
// The type's previous and next points differ: its value ramps.
inline constexpr std::uint32_t PCM_MIX_VOLUME_RAMP = 0x100;
inline constexpr std::uint32_t PCM_MIX_PAN_RAMP = 0x200;
inline constexpr std::uint32_t PCM_MIX_RATE_RAMP = 0x400;

// Fixed-point units of the mixing arithmetic.
inline constexpr std::int32_t kPcmUnityGain = 8192;  // 13 fraction bits
inline constexpr int kPcmGainShift = 13;
inline constexpr std::int64_t kPcmUnityStep = std::int64_t{1} << 27;  // one source frame
// A gain larger than this (128.0) would be noise, not music: the loudness
// rule may ask for large factors on quiet songs, so gains are held below it.
inline constexpr std::int32_t kPcmMaxGain = 1 << 20;

class CPCMSound : public CAudioAtom, public ILoadedSound {
public:
    // Where a map type's envelope stands while the sound plays.
    struct TEnvelopeCursor {
        int cursor = 0;  // event index just past the next point
        std::int32_t previousTime = 0;
        double previousValue = 0.0;
        std::int32_t nextTime = 0x7FFFFFFF;  // none ahead
        double nextValue = 0.0;
        double slope = 0.0;  // value change per output frame
        std::int32_t framesSince = 0;  // output frames since the previous point
    };

    CPCMSound();
    CPCMSound(const CPCMSound& source);
    // A sound for [start, end] ms of source.
    CPCMSound(CPCMSound& source, std::int32_t start, std::int32_t end);
    // A sound owns its buffer, decoder and peaks: copying them member by
    // member would free them twice.
    CPCMSound& operator=(const CPCMSound&) = delete;
    ~CPCMSound() override;

    // Slots of the atom that a PCM sound replaces.
    CAudioAtom* Copy(std::int32_t start, std::int32_t end) override;
    CAudioAtom* Copy() override;
    int Type() override { return ATOM_KIND_PCM_SOUND; }
    // Hands the sound to the current mixer (PlayInCurrentMixer): 0 for an
    // offset past its length, a sound already playing, or no mixer.
    int Play(std::int32_t offset) override;
    std::int32_t CurrentPlayOffset() override;
    void NotifyOfNewLength() override;
    std::int32_t Length(int withRate) override;
    void SetVirtualLength(std::int32_t ms) override;
    int FinishedWithPlayOnce() override;

    // New slots.
    using CAudioAtom::Load;
    // Prepares reading from offsetMs. 0 with the last error set.
    virtual int Load(std::int32_t offsetMs);
    // Loads a source for the first time: the decoder choice and scan of the
    // initial load (a to d and msPerPeak passed on), then the buffer of
    // bufferMs. 1, or 0 with the last error set.
    virtual int InitialLoad(CRefObj* stream, std::int32_t bufferMs, int a, int b, int c, int d,
                            std::int32_t msPerPeak, TLoadProgressCallback progress, void* user);
    virtual void Unload();
    // A hook for derived classes: null.
    virtual char* FindMissingFile(char* path);
    // A hook for derived classes: nothing.
    virtual void ErrorLoadingFile(std::uint32_t code);
    virtual std::int32_t DataLength();
    virtual std::int32_t NumSamples();
    // The largest absolute sample in [start, end) of data in Format(), both
    // channels; 8-bit bytes count as (b - 128) x 256.
    virtual std::int32_t GetMaxSample(char* start, char* end);
    virtual std::int32_t GetAmplitudes(std::uint32_t& frame, std::uint32_t framesPerValue, std::int32_t count,
                                       unsigned char* out);
    virtual void Pan(double pan);
    virtual void Rate(double rate);
    virtual void Volume(double volume);
    virtual int SetEffect(TEffectType type, void* data);
    virtual int GetFormat(WAVEFORMATEX* out);
    virtual int SetFormat(WAVEFORMATEX* format);
    virtual TRenderResult ReadData(_bufferType* out, std::int32_t& bytes);
    virtual int Idle(WAVEFORMATEX* format);
    virtual int AddSubAtom(CAudioAtom* child, std::int32_t offset);
    virtual int RemoveSubAtom(CAudioAtom* child);
    virtual int MoveSubAtom(CAudioAtom* child, std::int32_t offset);
    virtual int Pause();
    virtual int Resume();
    virtual int IsTotalSilence();
    virtual int IsPartialSong();
    virtual void SetAutoTrim(int on);
    virtual int IsAutoTrim();
    virtual TRenderResult ReadDataMix(_bufferType* out, std::int32_t* bytes);
    // Mixes source frames from *src (up to srcEnd) into [dst, dstEnd) in
    // format out. Returns the output bytes covered; *src is left at the
    // first source byte not consumed.
    virtual std::uint32_t MixLoop(unsigned char** src, unsigned char* srcEnd, unsigned char* dst,
                                  unsigned char* dstEnd, WAVEFORMATEX* out);
    // Takes the trim times and the silence verdicts from the peaks. The
    // argument is not used.
    virtual void DetermineSilenceAndPartialSong(std::int32_t unused);

    // Recording and saving.
    //
    // RECORD_START: drops what the sound holds and records from the current
    // mixer's wave-in device in format into a WAVE file at path (written
    // under a temporary name beside it and renamed when the recording ends),
    // or into memory when path is empty or cannot be made; with makePeaks,
    // peaks of msPerPeak are built on the way. Any other type ends the
    // recording and makes the sound playable from what was recorded. 1, or
    // 0 with the last error set.
    virtual int Record(TRecordType type, WAVEFORMATEX* format, char* path, int makePeaks, std::int32_t msPerPeak);
    // Stores one recorded block: RENDER_MORE when all its bytes were
    // written, else RENDER_FAILED (which ends the mixer's recording).
    virtual TRenderResult WriteData(_bufferType* block);
    // Copies the sound's source to path (through a temporary file renamed
    // into place; a short copy leaves nothing behind) and saves its peaks
    // beside it in the temporary sound folder. 1, or 0 with the last error.
    virtual int SaveAs(const char* path, TSaveProgressCallback progress, std::uintptr_t user);
    // The sound in a sound-tree file: a "sndc" list with the atom and either
    // the source file's path ("sref", byReference set) or the source's data.
    int Save(CRIFF* riff, int byReference) override;
    std::uint32_t SaveSize(int byReference) override;
    // Reads a "sndc" list written by Save (either form); a, b, c and d go to
    // InitialLoad as a, b, b, c and msPerPeak d. Failures also go to
    // ErrorLoadingFile.
    int Load(CRIFF* riff, int a, int b, int c, int d, TLoadProgressCallback progress, void* user) override;
    int PreSave(CRIFF* riff) override;
    int PostSave(CRIFF* riff) override;
    int PreLoad(CRIFF* riff) override;
    int PostLoad(CRIFF* riff) override;
    // 1 between a successful RECORD_START and its end.
    int IsRecording() const { return recording_; }

    // The atom's sub-atom operations stay reachable beside the PCM sound's.
    using CAudioAtom::AddSubAtom;
    using CAudioAtom::MoveSubAtom;
    using CAudioAtom::RemoveSubAtom;

    // ILoadedSound.
    CRefObj* LoadedDataStream() const override { return stream_; }

    CRefObj* GetRefObj() const { return stream_; }
    CPCMBuffer* GetBuffer() const { return buffer_.get(); }
    CPeaks* GetPeaks() const { return peaks_.get(); }
    ACMObject* GetACMObj() const { return decoder_.get(); }
    TMusicInfo* GetMusicInfo() const { return musicInfo_.get(); }
    // A copy of the song information; 0 when there is none.
    int GetMusicInfo(TMusicInfo& out);
    double Pan() const { return pan_; }
    double Rate() const { return rate_; }
    double Volume() const { return volume_; }
    std::int32_t GetAutoTrimTimeStart() const { return autoTrimStart_; }
    std::int32_t GetAutoTrimTimeEnd() const { return autoTrimEnd_; }
    // The source format; null before loading.
    WAVEFORMATEX* ActualFormat() const;
    // The decoder's output format, else the source format.
    WAVEFORMATEX* Format() const;
    int GetSrcFormatString(char* out, std::int32_t size);
    int GetDestFormatString(char* out, std::int32_t size);
    std::int32_t GetVirtualTimeStart();
    void SetVirtualTimeStart(std::int32_t ms);
    void ShrinkBuffer(std::uint32_t bytes);
    void SetPeaks(CPeaks* peaks);
    int CopyData(CPCMSound* other);
    void DeleteAssociatedTempFiles(int peakFile, int seekFile);
    std::int64_t GetSourceBytesMixedInPlayOnceMode();

    // The envelopes.
    //
    // Places the envelope cursors at timeMs for output in format out.
    void ReadyMapForPlayback(std::int32_t timeMs, const WAVEFORMATEX* out);
    // Sets the countdown to the nearest point and the ramps of the types in
    // flags (PCM_MIX_NEXT_*).
    void SetMapSkipVariables(std::int32_t timeMs, std::uint32_t flags, const WAVEFORMATEX* out);
    // Moves past the envelope point just reached.
    void GetNextMapSkipInfo(const WAVEFORMATEX* out);
    // Refreshes the gains and the step from the running ramps.
    void CalculateVolumes(const WAVEFORMATEX* out);
    // The volume that brings the loudest peak to full scale at v.
    double GetNormalizedVolume(double v);

    // Mixing state, for the mixer and for tests.
    std::uint32_t MixFlags() const { return mixFlags_; }
    std::int32_t LeftGain() const { return leftGain_; }
    std::int32_t RightGain() const { return rightGain_; }
    std::int64_t Step() const { return step_; }
    const TEnvelopeCursor& Envelope(int type) const { return envelopes_[type]; }
    std::int64_t SkipCountdown() const { return skipCountdown_; }
    std::int32_t RefreshInterval() const { return refreshInterval_; }
    std::int32_t GetRateLength() const { return rateLength_; }
    // Sets the resampling step as a read without maps does.
    void SetStepFor(const WAVEFORMATEX* out);

    // Constructor defaults.
    static constexpr double kDefaultVolume = 1.0;
    static constexpr double kDefaultPan = 0.0;
    static constexpr double kDefaultRate = 1.0;
    // The end of a play-once range on a stream that is read round and
    // round: far beyond any song.
    static constexpr std::int32_t kPlayOnceEndMs = 24347886;
    // How many fills in a row may give nothing before a read gives up.
    static constexpr int kMaxEmptyFills = 8;

private:
    // SaveAs without a file to copy: stream into the file target, each piece
    // read under the sound's lock and progress reported without it. False
    // (last error set) when a piece is short or the file cannot be written.
    bool CopyStreamInPieces(CRefObj& stream, const std::string& target, TSaveProgressCallback progress,
                            std::uintptr_t user);
    // The plain parts of a copy: flags, levels, song information, buffer,
    // decoder. 0 with the last error set.
    int CopyBufferAndDecoder(const CPCMSound& other);
    // The buffer for a newly loaded source; 0 with the last error set.
    int MakeLoadBuffer(CRefObj* stream, std::int32_t bufferMs, CSeekMap* seekMap);
    // Bytes for ms at bytesPerSecond, truncated, rounded down to whole
    // blocks of align.
    static std::int64_t WholeBlocksForMs(std::int64_t bytesPerSecond, std::int64_t ms, std::int64_t align);
    // Bytes of Format() for ms, rounded down to whole frames.
    std::int64_t BytesForMs(std::int64_t ms) const;
    std::int64_t MsForBytes(std::int64_t bytes) const;
    // Lets go of the sound's reference on its data stream.
    void ReleaseStream();
    // The buffer's, the stream's and the peaks' start at the atom's virtual
    // data start.
    void ApplyVirtualStart();
    // Record's two halves.
    int StartRecordingInto(WAVEFORMATEX* format, const char* path, int makePeaks, std::int32_t msPerPeak);
    int FinishRecording();
    // Drops the recording and what it wrote.
    void AbandonRecording();
    // Save's and Load's forms of the source.
    int SaveData(CRIFF* riff);
    int SaveReference(CRIFF* riff);
    int LoadByReference(CRIFF* riff, int a, int b, int c, int d, TLoadProgressCallback progress, void* user);
    int LoadData(CRIFF* riff, int a, int b, int c, int d, TLoadProgressCallback progress, void* user);
    // Takes a loaded sound of the same file (progress as Load's).
    int LoadFromLoadedSound(CPCMSound* other, TLoadProgressCallback progress, void* user);
    // Gains for volume v at pan p.
    void SetGains(double v, double p);
    // The step for rate r into out.
    std::int64_t StepFor(double r, const WAVEFORMATEX* out) const;
    // MixLoop's runs at unity rate (16-bit stereo in and out): how many
    // frames the next run may take, and the run itself.
    std::int64_t UnityRunFrames(std::ptrdiff_t sourceBytes, std::ptrdiff_t outputBytes) const;
    void MixUnityRun(unsigned char** src, unsigned char* dst, std::int64_t frames);
    // Counts down the refresh and skip countdowns for one output frame.
    void StepEnvelopes(const WAVEFORMATEX* out);
    void ApplyValue(int type, double value, const WAVEFORMATEX* out);

    std::unique_ptr<CPCMBuffer> buffer_;
    std::vector<std::uint8_t> sourceFormat_;
    std::unique_ptr<ACMObject> decoder_;
    CRefObj* stream_ = nullptr;  // one reference held
    std::unique_ptr<CPeaks> peaks_;
    std::unique_ptr<TMusicInfo> musicInfo_;
    int recording_ = 0;
    // The recording in progress; null when none.
    std::unique_ptr<CSoundRecording> recordingState_;
    bool registered_ = false;

    std::int32_t loadOffset_ = 0;
    std::int64_t readStartByte_ = 0;
    std::int64_t readCount_ = 0;
    // Source bytes consumed since the last Load.
    std::int64_t bytesConsumed_ = 0;

    std::int32_t leftGain_ = kPcmUnityGain;
    std::int32_t rightGain_ = kPcmUnityGain;
    std::int64_t step_ = 0;
    std::int64_t phase_ = 0;
    std::int32_t previousLeft_ = 0;
    std::int32_t previousRight_ = 0;
    std::uint32_t mixFlags_ = 0;

    TEnvelopeCursor envelopes_[3];
    std::int32_t refreshInterval_ = 0;
    std::int32_t refreshCountdown_ = 0;
    std::int64_t skipCountdown_ = 0;
    // The output format the envelopes were last readied for (rate 0: not
    // yet).
    WAVEFORMATEX mapFormat_{};

    double rate_ = kDefaultRate;
    double volume_ = kDefaultVolume;
    double pan_ = kDefaultPan;
    std::int32_t virtualLength_ = 0;
    std::int32_t rateLength_ = 0;
    std::int32_t autoTrimStart_ = 0;
    std::int32_t autoTrimEnd_ = 0x7FFFFFFF;
    int autoTrim_ = 0;
    int totalSilence_ = 0;
    int partialSong_ = 0;
};
