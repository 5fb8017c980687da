#pragma once
// CAudioAtom: the base of every playable object of the engine (a PCM sound or
// a group of sounds placed at offsets). Atoms form a tree: each has at most
// one parent and an absolute offset on the time line of the tree's root, in
// milliseconds.
//
// An atom carries two event maps: its source map (the volume, pan and rate
// envelopes set on it) and, as its own base class, the combined map (the
// source map merged with its parents' maps), which is what the mixer plays.
//
// Atoms are reference-counted: one reference at construction, AddReference
// for every other holder, and DeleteAtom to let go (a group holds one
// reference on each member).
//
// Locks: each atom has its own re-entrant lock (Lock, Unlock), which guards
// its play state against the mixer. The engine lock is always taken before
// an atom's lock, never while one is held.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "tonecore/maps/event_map.h"

class CRIFF;

// What an atom tells NotifyAtom about itself.
enum TSoundStateCode : int {
    SOUND_STATE_PLAY_MODE_ON = 0,
    SOUND_STATE_PLAY_MODE_OFF = 2,
    SOUND_STATE_MUTED = 3,
    SOUND_STATE_UNMUTED = 4,
    SOUND_STATE_LOCKED = 6,
    SOUND_STATE_UNLOCKED = 7,
};

// The kinds an atom's Type() answers; bit values, so counts take a mask.
inline constexpr int ATOM_KIND_PLAIN = 1;
inline constexpr int ATOM_KIND_GROUP = 2;
inline constexpr int ATOM_KIND_PCM_SOUND = 4;

// Mixer flags: change bits that the mixer reads and clears.
inline constexpr std::uint32_t ATOM_MIXER_TREE_CHANGED = 1;
inline constexpr std::uint32_t ATOM_MIXER_NEW_MAP = 2;
inline constexpr std::uint32_t ATOM_MIXER_NEW_LENGTH = 4;
inline constexpr std::uint32_t ATOM_MIXER_RATE_CHANGED = 16;
inline constexpr std::uint32_t ATOM_MIXER_STOP = 32;

// Chunk flags, saved with the atom.
inline constexpr std::uint32_t ATOM_FLAG_MUTED = 1;
inline constexpr std::uint32_t ATOM_FLAG_LOCKED = 2;

// Progress of a load: called with a byte count and the caller's context; 0
// cancels.
using TLoadProgressCallback = int (*)(std::uint32_t byteCount, void* context);

// The atom's information block; it begins with the atom's name.
struct _infoStruct {
    char name[512];
};
static_assert(sizeof(_infoStruct) == 512);

class CAudioAtom : public CMap {
public:
    // Source map: the default map for 1000 ms (all types).
    CAudioAtom();
    // A copy of the source map, offsets, lengths, name and mute state, in no
    // tree and not playing; the combined map starts empty.
    CAudioAtom(const CAudioAtom& source);
    // The same, with both maps cut to [start, end].
    CAudioAtom(const CAudioAtom& source, std::int32_t start, std::int32_t end);
    // An atom's parent, lock and references are its own: no assignment.
    CAudioAtom& operator=(const CAudioAtom&) = delete;
    // Leaves its parent first, when it has one.
    ~CAudioAtom() override;

    // Virtual operations, in this order in every atom class.
    int NumEvents(int type) const override;
    using CMap::Copy;
    // A new atom by the ranged copy constructor; null when out of memory.
    virtual CAudioAtom* Copy(std::int32_t start, std::int32_t end);
    // A new atom by the copy constructor; null when out of memory.
    virtual CAudioAtom* Copy();
    // ATOM_KIND_PLAIN; groups and PCM sounds answer their own kind.
    virtual int Type();
    // Drops one reference; the new count.
    virtual int DecReference();
    // Hears about state changes; the program's sound classes override it.
    virtual void NotifyAtom(TSoundStateCode code, std::int32_t arg);
    // Reads the current "atom" chunk and the "smap" stream after it.
    virtual int Load(CRIFF* riff, int a, int b, int c, int d, TLoadProgressCallback callback,
                     void* context);
    // Writes the "atom" chunk and the source map's "smap" stream.
    virtual int Save(CRIFF* riff, int flag);
    // 584 + the source map's MapSaveSize().
    virtual std::uint32_t SaveSize(int flag);
    virtual int PreSave(CRIFF* riff);
    virtual int PostSave(CRIFF* riff);
    virtual int PreLoad(CRIFF* riff);
    virtual int PostLoad(CRIFF* riff);
    virtual int Play(std::int32_t offset);
    virtual std::int32_t CurrentPlayOffset();
    // The play mode.
    virtual int Playing();
    virtual int Stop();
    virtual void NotifyOfNewPosition();
    // Mixer flag ATOM_MIXER_NEW_LENGTH; the source map's end points follow
    // Length(0).
    virtual void NotifyOfNewLength();
    virtual void Mute(int on);
    // Stores the mode and tells NotifyAtom (play mode on or off).
    virtual void SetPlayMode(int mode, std::int32_t arg);
    virtual std::int32_t Length(int mode);
    // NotifyOfNewLength(); for a positive length the last rate length
    // becomes the source map's rate-adjusted length.
    virtual void SetVirtualLength(std::int32_t length);
    // Stretches the atom and its source map by factor, then recombines maps
    // from the atom whose size the change reaches.
    virtual void Scale(double factor);
    // Rebuilds the combined map of the type: the source map's events,
    // combined with the parent's combined map (volume and pan for MAP_ALL;
    // rate only when asked for alone).
    virtual void CombineWithParentMap(TMapType type);
    virtual void CombineWithSubMaps(TMapType type, int recurse);
    virtual int CanCombine();
    virtual void NotifyOfMemberChange();
    // Tree operations. Each marks the tree changed and recombines maps from
    // the atom the parent answers; each returns that atom.
    virtual CAudioAtom* Add(CAudioAtom* group, std::int32_t offset);
    virtual CAudioAtom* Move(std::int32_t offset);
    virtual CAudioAtom* Remove();
    virtual std::int32_t AbsoluteOffset();
    // What a parent does for its members (groups override these).
    virtual CAudioAtom* AddSubAtom(CAudioAtom* child, std::int32_t offset, int adjust, int combine);
    virtual CAudioAtom* RemoveSubAtom(CAudioAtom* child, int adjust, int combine);
    virtual CAudioAtom* MoveSubAtom(CAudioAtom* child, std::int32_t offset, int adjust, int combine);
    virtual CAudioAtom* Resize(CAudioAtom* child);
    virtual void SetPlayOnceMode(int on);
    virtual int FinishedWithPlayOnce();

    // The per-atom lock.
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }
    std::recursive_mutex& AtomLock() { return lock_; }

    int Muted() const { return (chunkFlags_ & ATOM_FLAG_MUTED) != 0 ? 1 : 0; }
    int Locked() const { return (chunkFlags_ & ATOM_FLAG_LOCKED) != 0 ? 1 : 0; }
    void SetLock(int on);
    std::uint32_t GetChunkFlags() const { return chunkFlags_; }

    void AddReference() { ++references_; }
    int References() const { return references_; }

    CAudioAtom* Parent() const { return parent_; }
    void SetParent(CAudioAtom* parent) { parent_ = parent; }
    void SetAbsoluteOffset(std::int32_t offset) { absoluteOffset_ = offset; }
    int LevelsDeep() const { return levelsDeep_; }
    void SetLevelsDeep(int levels) { levelsDeep_ = levels; }
    // The absolute offset less the parent's.
    std::int32_t OffsetInParent();

    void SetMixerFlag(std::uint32_t bits) { mixerFlags_ |= bits; }
    void ClearMixerFlag(std::uint32_t bits) { mixerFlags_ &= ~bits; }
    std::uint32_t GetFlag(std::uint32_t mask) const { return mixerFlags_ & mask; }
    std::uint32_t MixerFlags() const { return mixerFlags_; }

    // The new-map flag takes the play mode when a combined map is ready.
    void NotifyOfNewMap() { newMap_ = playMode_.load(); }
    int HasNewMap() const { return newMap_; }
    void ClearNewMapFlag() { newMap_ = 0; }

    void UseMap(int use) { usingMap_ = use; }
    int UsingMap() const { return usingMap_; }
    int InPlayOnceMode() const { return playOnce_; }

    // The name, always terminated.
    const char* AtomName() const { return info_.name; }
    const _infoStruct* GetInfo() const { return &info_; }
    // Keeps at most 511 bytes of the name, cut on a character boundary.
    void SetAtomName(const char* name);
    // The names of up to min(depth, 10) nearest ancestors, outermost first,
    // each followed by " : ", then the atom's own name, into buffer of size
    // bytes. A piece that does not fit ends the text before it.
    void GetNestedName(char* buffer, std::int32_t size, int depth) const;

    CMap* GetSrcMap() { return &srcMap_; }
    const CMap* GetSrcMap() const { return &srcMap_; }
    void SetVirtualDataStart(std::int32_t start) { virtualDataStart_ = start; }
    std::int32_t GetVirtualDataStart() const { return virtualDataStart_; }
    double GetLastRateLength() const { return lastRateLength_; }
    // For the owner's use; the engine never touches it.
    void SetPrivateData(void* data) { privateData_ = data; }
    void* GetPrivateData() const { return privateData_; }

    // Bytes of the "atom" chunk.
    static constexpr std::uint32_t kChunkBytes = 584;
    // The length a new atom's default map covers.
    static constexpr std::int32_t kDefaultMapLength = 1000;

private:
    // Recombines maps from the atom a tree operation answered.
    static void RecombineFrom(CAudioAtom* atom);
    // Sets or clears a chunk flag and tells NotifyAtom.
    void SetChunkFlag(std::uint32_t bit, int on, TSoundStateCode onCode, TSoundStateCode offCode);
    void LoadChunk(const unsigned char* chunk);

    std::atomic<int> references_{1};
    std::recursive_mutex lock_;
    int levelsDeep_ = 0;
    // Set by the program's threads, read and cleared by the mixer's.
    std::atomic<std::uint32_t> mixerFlags_{0};
    std::atomic<int> newMap_{0};
    std::uint32_t chunkFlags_ = 0;
    std::atomic<int> playMode_{0};
    int usingMap_ = 1;
    int playOnce_ = 0;
    _infoStruct info_{};
    CAudioAtom* parent_ = nullptr;
    // Written by edits (under the engine lock), read by a rendering thread
    // that runs without it.
    std::atomic<std::int32_t> absoluteOffset_{0};
    void* privateData_ = nullptr;
    CMap srcMap_;
    double lastRateLength_ = 0.0;
    std::int32_t virtualDataStart_ = 0;
};

// Lets go of one reference; when it was the last, deletes the atom and sets
// *atom to null. Otherwise *atom stays.
void DeleteAtom(CAudioAtom** atom);

// Map combining can be switched off around a series of tree edits. The
// switch nests: each DisableMapCombining needs its EnableMapCombining.
int MapCombiningEnabled();
void EnableMapCombining();
void DisableMapCombining();
