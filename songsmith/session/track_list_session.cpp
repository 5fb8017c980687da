// The session's file (".tps"): saving every track's record through the
// engine's one session writer, and loading a file's tracks onto the list.
//
// A session file is RIFF: a "cdhd" chunk of exactly 8 bytes (the layout
// version and the record count) and a "cdtr" chunk with the records back to
// back. Loading is stricter than the engine's playlist reader, which takes
// what it can from any file: here a file is taken whole or not at all.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/ref_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/track_list.h"
#include "tonecore/engine/byte_fields.h"
#include "tonecore/playlists/playlist.h"

namespace {

using TGuard = std::lock_guard<std::recursive_mutex>;

constexpr std::uint32_t kHeaderChunk = FourCC("cdhd");
constexpr std::uint32_t kRecordsChunk = FourCC("cdtr");
constexpr std::uint32_t kHeaderBytes = 8;  // version, record count
// A layout no writer of sessions ever used; its records are not trusted.
constexpr TTPSVersion kRefusedVersion = 1;

// The song file's stream, released when the load is done with it.
struct TReleaseStream {
    void operator()(CFileObj* file) const {
        if (file->IsOpen() != 0) file->Close();
        DeleteRefObject(&file);
    }
};
using TFile = std::unique_ptr<CFileObj, TReleaseStream>;

}  // namespace

bool CTrackList::SaveSession(const char* path, FileWriteFunction write) {
    TGuard guard(lock_);
    std::vector<TONECORE_CMusicInfo> records;
    records.reserve(tracks_.size());
    for (const TTrackPtr& track : tracks_) records.push_back(track->RecordForSaving());
    std::vector<TONECORE_CMusicInfo*> pointers;
    pointers.reserve(records.size());
    for (TONECORE_CMusicInfo& record : records) pointers.push_back(&record);
    if (!WriteSessionFile(path, pointers, write)) return false;
    SetDirty(false);
    return true;
}

bool CTrackList::LoadSession(const char* path) {
    if (path == nullptr) return false;
    TFile file(new (std::nothrow) CFileObj);
    if (!file || file->Open(path, 0, 0) == 0) return false;
    CRIFF riff;
    _chunkInfo form;
    if (riff.Open(file.get(), &form) == 0) return false;

    // The header chunk, looked for from the first chunk on.
    if (riff.SeekToChunk(kHeaderChunk, 0, 1) == 0) return false;
    _subChunk header;
    riff.GetCurrentChunkInfo(nullptr, &header);
    std::uint8_t headerBytes[kHeaderBytes];
    if (header.size != kHeaderBytes ||
        riff.ReadCurrentSubChunk(headerBytes, kHeaderBytes) != kHeaderBytes)
        return false;
    bytefields::CByteReader in({headerBytes, sizeof headerBytes});
    const TTPSVersion version = in.LeI32();
    const std::int32_t count = in.LeI32();
    if (version == kRefusedVersion) return false;
    if (count <= 0) return true;

    // The records chunk comes after the header; one before it is not found.
    if (riff.SeekToChunk(kRecordsChunk, 1, 1) == 0) return false;
    _subChunk records;
    riff.GetCurrentChunkInfo(nullptr, &records);
    // Every claimed record must be there before any is read, so a count
    // that lies costs neither time nor memory. Writers that never set the
    // chunk's size leave its records running to the end of the file.
    const std::int64_t rest = std::max<std::int64_t>(0, file->Size() - file->Tell());
    const std::int64_t present =
        records.size == 0 ? rest : std::min<std::int64_t>(records.size, rest);
    const std::int64_t recordBytes = TONECORE_CMusicInfo::RecordBytes(version);
    if (recordBytes == 0 || std::int64_t{count} * recordBytes > present) return false;
    std::vector<TTrackPtr> read;
    for (std::int32_t i = 0; i < count; ++i) {
        auto track = std::make_unique<CCDTrack>(prefs_);
        if (!track->Read(riff, version)) return false;
        read.push_back(std::move(track));
    }

    // The tracks join the list together, so the loader sees all or none.
    TGuard guard(lock_);
    const std::size_t firstLoaded = tracks_.size();
    for (TTrackPtr& track : read) tracks_.push_back(std::move(track));
    MakeSerialsUnique(firstLoaded);
    StartLoaderThread();
    return true;
}

namespace {

// Serials are handed out counting up from 1; a stored one outside that
// range (a damaged or foreign file) leaves no room for the next.
bool UsableSerial(int serial) {
    return serial >= 1 && serial < std::numeric_limits<int>::max();
}

}  // namespace

void CTrackList::MakeSerialsUnique(std::size_t firstLoaded) {
    int largest = 0;
    for (const TTrackPtr& track : tracks_)
        if (UsableSerial(track->GetSerial())) largest = std::max(largest, track->GetSerial());
    // Tracks made from now on come after every serial in the list.
    int next = prefs_.LastTrackID.load();
    while (next <= largest && !prefs_.LastTrackID.compare_exchange_weak(next, largest + 1)) {
    }
    std::set<int> taken;
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        CCDTrack& track = *tracks_[i];
        const bool fresh = taken.insert(track.GetSerial()).second;
        if (i >= firstLoaded && (!fresh || !UsableSerial(track.GetSerial()))) {
            track.SetSerial(prefs_.LastTrackID.fetch_add(1));
            taken.insert(track.GetSerial());
        }
    }
}
