// A PCM sound's copies of itself: its source copied to another file
// (SaveAs), and its place in a sound-tree file (Save, Load, SaveSize):
//
//   LIST "sndc"
//     "atom"  the atom's chunk and source map (CAudioAtom::Save)
//     "sref"  260 bytes: the source file's path, zero-terminated
//   or
//     LIST "WAVE" { "fmt " the 18-byte source format, "data" the source's data }
//
// A path in "sref" is written relative to the tree file's folder, without
// a leading '/' ("song.wav", "../b/song.wav"), when the source lies on the
// same local file system as the tree file; otherwise it is absolute (it
// begins with '/'). Files from elsewhere may hold '\\' separators and the
// relative form "\\song.wav"; both are read.

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/mem_obj.h"
#include "filekit/path_helpers.h"
#include "filekit/ref_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "platform/last_error.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/pcm/pcm_buffer.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/engine/sibling_temp_file.h"
#include "tonecore/engine/sound_loaded.h"
#include "tonecore/sound/stream_copy.h"
#include "tonecore/peaks/temp_sound_path.h"
#include "utilities/file_system.h"

namespace {

constexpr std::uint32_t kSoundList = FourCC("sndc");
constexpr std::uint32_t kReferenceChunk = FourCC("sref");
constexpr std::uint32_t kWaveList = FourCC("WAVE");
constexpr std::uint32_t kFormatChunk = FourCC("fmt ");
// The "sref" chunk: a zero-terminated path in a fixed field.
constexpr std::size_t kReferenceBytes = 260;
// The pieces SaveAs copies a stream in.
constexpr std::size_t kSaveAsPieceBytes = 512;
// The buffer a sound loaded from a tree file reads through.
constexpr std::int32_t kTreeLoadBufferMs = 2000;
constexpr std::size_t kFormatBytes = sizeof(WAVEFORMATEX);

using TReference = std::array<char, kReferenceBytes>;

// The path of a stream that is a file; empty for any other stream.
std::string StreamFilePath(CRefObj* stream) {
    auto* file = dynamic_cast<CFileObj*>(stream);
    return file != nullptr && file->IsOpen() ? std::string(file->FilePath()) : std::string();
}

// Whether source can be named relative to the tree file: the same file
// system, and a local one (a network share may be mounted elsewhere on the
// next machine).
bool SameLocalFileSystem(const std::string& source, const std::string& treeFile) {
    char folder[PATH_MAX];
    if (!ExtractDirectory(treeFile.c_str(), folder) || folder[0] == '\0') return false;
    struct stat a {};
    struct stat b {};
    if (::stat(source.c_str(), &a) != 0 || ::stat(folder, &b) != 0) return false;
    return a.st_dev == b.st_dev && IsOnLocalHardDrive(source.c_str()) != 0;
}

// The path as "sref" stores it (see the top of this file).
std::string ReferenceFor(const std::string& source, const std::string& treeFile) {
    if (source.empty() || treeFile.empty() || !SameLocalFileSystem(source, treeFile)) return source;
    char relative[PATH_MAX];
    if (!AbsoluteToRelative(treeFile.c_str(), source.c_str(), relative)) return source;
    // The helpers' relative form begins with a separator, which on this
    // system would read as the root: it is stored without it.
    return relative[0] == '/' ? std::string(relative + 1) : std::string(relative);
}

// The absolute path a stored reference names; empty when it cannot be made.
std::string ResolveReference(std::string stored, const std::string& treeFile) {
    const bool windowsSeparators = stored.find('/') == std::string::npos && stored.find('\\') != std::string::npos;
    if (windowsSeparators) std::replace(stored.begin(), stored.end(), '\\', '/');
    // "\\song.wav" from elsewhere is relative to the tree file, like
    // "song.wav"; a '/' path of this system is absolute.
    const bool relative = stored[0] != '/' || windowsSeparators;
    if (!relative || treeFile.empty()) return stored;
    char absolute[PATH_MAX];
    if (!RelativeToAbsolute(treeFile.c_str(), stored.c_str(), absolute)) return stored;
    return absolute;
}

// The list type of the current sub-chunk when it is a "LIST"; 0 otherwise.
std::uint32_t CurrentListType(CRIFF& riff) {
    _chunkInfo parent;
    _subChunk sub;
    riff.GetCurrentChunkInfo(&parent, &sub);
    if (sub.id != RIFF_ID_LIST) return 0;
    unsigned char type[4] = {};
    if (riff.ReadCurrentSubChunk(type, sizeof type) != static_cast<std::int64_t>(sizeof type)) return 0;
    return LoadLe32(type);
}

std::uint32_t CurrentChunkId(CRIFF& riff) {
    _chunkInfo parent;
    _subChunk sub;
    riff.GetCurrentChunkInfo(&parent, &sub);
    return sub.id;
}

// Holds one reference on a stream for a scope.
struct TStreamHold {
    CRefObj* stream = nullptr;
    ~TStreamHold() { DeleteRefObject(&stream); }
};

}  // namespace

// The copy runs without the sound's lock whenever it calls the caller's
// progress handler: the handler may wait for a thread that needs this sound
// (the service thread mixing it under the engine lock, say), and the engine
// lock is never taken while a sound's lock is held. The stream is held by a
// reference of its own, and each piece is read under the lock, so playback
// moving the stream between pieces does not change what is copied.
int CPCMSound::SaveAs(const char* path, TSaveProgressCallback progress, std::uintptr_t user) {
    SetLastError(0);
    TStreamHold hold;
    std::string source;
    {
        std::lock_guard<std::recursive_mutex> guard(AtomLock());
        if (path == nullptr || path[0] == '\0' || stream_ == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        stream_->AddReference();
        hold.stream = stream_;
        source = StreamFilePath(stream_);
    }
    const std::string temporary = CreateSiblingTempFile(path);
    if (temporary.empty()) return 0;

    bool copied = false;
    if (!source.empty()) {
        std::error_code error;
        copied = std::filesystem::copy_file(source, temporary, std::filesystem::copy_options::overwrite_existing,
                                            error);
        if (copied && progress != nullptr) progress(100, user);
    }
    if (!copied && !CopyStreamInPieces(*hold.stream, temporary, progress, user)) {
        RemoveTempFile(temporary);
        return 0;
    }
    if (!MoveTempIntoPlace(temporary, path)) return 0;

    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    if (peaks_ != nullptr && peaks_->GetNumPeaks() > 0) {
        char peakPath[PATH_MAX];
        const std::string peakName = std::string(path) + ".ipk";
        if (MakeTempPath2(peakName.c_str(), peakPath, sizeof peakPath, 1)) peaks_->SaveAs(peakPath);
    }
    return 1;
}

bool CPCMSound::CopyStreamInPieces(CRefObj& stream, const std::string& target, TSaveProgressCallback progress,
                                   std::uintptr_t user) {
    auto* out = new (std::nothrow) CFileObj();
    TStreamHold hold{out};
    if (out == nullptr || !out->Create(target.c_str())) return false;
    std::int64_t size = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(AtomLock());
        size = stream.Size();
    }
    std::vector<std::uint8_t> piece;
    bool copied = size >= 0;
    for (std::int64_t done = 0; copied && done < size;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(size - done, kSaveAsPieceBytes));
        piece.clear();
        {
            std::lock_guard<std::recursive_mutex> guard(AtomLock());
            copied = CopyStreamBytes(stream, done, static_cast<std::int64_t>(want), want,
                                     [&piece](const std::uint8_t* data, std::size_t bytes) {
                                         piece.insert(piece.end(), data, data + bytes);
                                         return true;
                                     },
                                     {});
        }
        copied = copied && out->Write(piece.data(), static_cast<std::int64_t>(piece.size())) ==
                               static_cast<std::int64_t>(piece.size());
        if (!copied) break;
        done += static_cast<std::int64_t>(want);
        if (progress != nullptr) progress(static_cast<std::int32_t>(done * 100 / size), user);
    }
    out->Close();
    // A short copy leaves nothing that could pass for the sound.
    if (!copied) SetLastError(TONECORE_ERR_SHORT_COPY);
    return copied;
}

int CPCMSound::PreSave(CRIFF* riff) {
    if (riff == nullptr || !riff->WriteListChunkHeader(kSoundList)) return 0;
    return riff->Descend();
}

int CPCMSound::PostSave(CRIFF* riff) { return riff != nullptr ? riff->Ascend() : 0; }

int CPCMSound::PreLoad(CRIFF* riff) { return riff != nullptr ? riff->Descend() : 0; }

int CPCMSound::PostLoad(CRIFF* riff) {
    if (riff == nullptr || !riff->Ascend()) return 0;
    riff->SeekToNextChunk();
    return 1;
}

std::uint32_t CPCMSound::SaveSize(int byReference) {
    if (byReference) return CAudioAtom::SaveSize(1) + kReferenceBytes;
    const std::int64_t data = stream_ != nullptr ? stream_->DataSize() : 0;
    return CAudioAtom::SaveSize(0) + static_cast<std::uint32_t>(data) + kFormatBytes;
}

int CPCMSound::Save(CRIFF* riff, int byReference) {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    if (!PreSave(riff)) return 0;
    int result = CAudioAtom::Save(riff, byReference);
    if (result) result = byReference ? SaveReference(riff) : SaveData(riff);
    // The list is closed whatever happened; the reason for a failure stays.
    const std::uint32_t error = GetLastError();
    if (!PostSave(riff)) result = 0;
    if (!result && error != 0) SetLastError(error);
    return result;
}

int CPCMSound::SaveReference(CRIFF* riff) {
    const std::string reference = ReferenceFor(StreamFilePath(stream_), StreamFilePath(riff->GetRefObj()));
    // A sound whose data is not in a file (memory, a recording not yet
    // named) has no path to store: an empty one would load back as nothing.
    if (reference.empty()) {
        SetLastError(TONECORE_ERR_NO_SOUND_SOURCE);
        return 0;
    }
    // The field is fixed: a longer path is refused rather than cut, as a cut
    // path would name another file.
    if (reference.size() >= kReferenceBytes) {
        SetLastError(TONECORE_ERR_PATH_TOO_LONG);
        return 0;
    }
    TReference field{};
    std::memcpy(field.data(), reference.data(), reference.size());
    return riff->WriteSubChunk(kReferenceChunk, field.data(), static_cast<std::int64_t>(field.size()));
}

int CPCMSound::SaveData(CRIFF* riff) {
    const WAVEFORMATEX* format = ActualFormat();
    if (format == nullptr || stream_ == nullptr) {
        SetLastError(TONECORE_ERR_NO_SOUND_SOURCE);
        return 0;
    }
    if (!riff->WriteListChunkHeader(kWaveList) || !riff->Descend()) return 0;
    int result = riff->WriteSubChunk(kFormatChunk, format, static_cast<std::int64_t>(kFormatBytes)) &&
                 riff->StartWriteStream(RIFF_ID_DATA);
    if (result) {
        const std::size_t second = std::max<std::size_t>(format->nAvgBytesPerSec, 1);
        result = CopyStreamBytes(*stream_, stream_->GetDataStart(), stream_->DataSize(), second,
                                 [riff](const std::uint8_t* data, std::size_t bytes) {
                                     return riff->WriteStreamData(data, static_cast<std::int64_t>(bytes)) ==
                                            static_cast<std::int64_t>(bytes);
                                 });
        if (!riff->EndWriteStream()) result = 0;
    }
    if (!riff->Ascend()) result = 0;
    return result;
}

// The sound's lock is taken only for the steps that change the sound; the
// initial load of the source (a whole scan, with the caller's progress
// callbacks) runs outside it, so that whoever asks the sound anything
// meanwhile, the service thread included, does not wait for the whole load.
int CPCMSound::Load(CRIFF* riff, int a, int b, int c, int d, TLoadProgressCallback progress, void* user) {
    SetLastError(0);
    if (!PreLoad(riff)) return 0;
    int result = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(AtomLock());
        result = CAudioAtom::Load(riff, 1, 1, 0, 20, nullptr, nullptr);
    }
    if (result) {
        if (CurrentChunkId(*riff) == kReferenceChunk) {
            result = LoadByReference(riff, a, b, c, d, progress, user);
        } else if (CurrentListType(*riff) == kWaveList) {
            result = LoadData(riff, a, b, c, d, progress, user);
        } else {
            SetLastError(TONECORE_ERR_NO_SOUND_SOURCE);
            ErrorLoadingFile(TONECORE_ERR_NO_SOUND_SOURCE);
            result = 0;
        }
    }
    PostLoad(riff);
    return result;
}

int CPCMSound::LoadFromLoadedSound(CPCMSound* other, TLoadProgressCallback progress, void* user) {
    if (progress != nullptr) progress(0, user);
    std::int64_t dataBytes = -1;
    {
        std::lock_guard<std::recursive_mutex> guard(AtomLock());
        if (!CopyData(other)) {
            ErrorLoadingFile(GetLastError());
            return 0;
        }
        ApplyVirtualStart();
        if (peaks_ != nullptr && peaks_->NumMilsPerPeak() > 0 && peaks_->GetNumPeaks() > 0) {
            peaks_->SetVirtualStart(static_cast<std::int32_t>((GetVirtualDataStart() / peaks_->NumMilsPerPeak()) %
                                                              peaks_->GetNumPeaks()));
        }
        if (stream_ != nullptr) dataBytes = stream_->DataSize();
    }
    if (progress != nullptr && dataBytes >= 0) progress(static_cast<std::uint32_t>(dataBytes), user);
    return 1;
}

int CPCMSound::LoadByReference(CRIFF* riff, int a, int b, int c, int d, TLoadProgressCallback progress,
                               void* user) {
    TReference field{};
    if (riff->ReadCurrentSubChunk(field.data(), static_cast<std::int64_t>(field.size())) < 0) {
        ErrorLoadingFile(GetLastError());
        return 0;
    }
    field.back() = '\0';
    const std::string stored(field.data());
    if (stored.empty()) {
        SetLastError(TONECORE_ERR_EMPTY_SOUND_PATH);
        ErrorLoadingFile(TONECORE_ERR_EMPTY_SOUND_PATH);
        return 0;
    }
    std::string path = ResolveReference(stored, StreamFilePath(riff->GetRefObj()));

    auto* loaded = dynamic_cast<CPCMSound*>(SoundExists(path.c_str()));
    if (loaded != nullptr && loaded != this) return LoadFromLoadedSound(loaded, progress, user);

    auto* file = new (std::nothrow) CFileObj();
    TStreamHold hold{file};
    if (file == nullptr) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        ErrorLoadingFile(TONECORE_ERR_OUT_OF_MEMORY);
        return 0;
    }
    if (!file->Open(path.c_str(), 0, 0)) {
        const char* other = FindMissingFile(path.data());
        if (other == nullptr || !file->Open(other, 0, 0)) {
            ErrorLoadingFile(GetLastError());
            return 0;
        }
    }
    if (!InitialLoad(file, kTreeLoadBufferMs, a, b, b, c, d, progress, user)) {
        ErrorLoadingFile(GetLastError());
        return 0;
    }
    return 1;
}

int CPCMSound::LoadData(CRIFF* riff, int a, int b, int c, int d, TLoadProgressCallback progress, void* user) {
    // The list's format and data become a WAVE file in memory, which loads
    // as any song does.
    auto* memory = new (std::nothrow) CMemObj();
    TStreamHold hold{memory};
    if (memory == nullptr || !memory->Create() || !riff->Descend()) {
        ErrorLoadingFile(GetLastError());
        return 0;
    }
    std::array<std::uint8_t, kFormatBytes> format{};
    CRIFF wave;
    int result = riff->SeekToChunk(kFormatChunk, 0, 0) &&
                 riff->ReadCurrentSubChunk(format.data(), static_cast<std::int64_t>(format.size())) ==
                     static_cast<std::int64_t>(format.size()) &&
                 riff->SeekToChunk(RIFF_ID_DATA, 0, 0) && wave.Create(memory, kWaveList) &&
                 wave.WriteSubChunk(kFormatChunk, format.data(), static_cast<std::int64_t>(format.size())) &&
                 wave.StartWriteStream(RIFF_ID_DATA);
    if (result) {
        _chunkInfo parent;
        _subChunk data;
        riff->GetCurrentChunkInfo(&parent, &data);
        CRefObj* from = riff->GetRefObj();
        const std::size_t second =
            std::max<std::size_t>(reinterpret_cast<const WAVEFORMATEX*>(format.data())->nAvgBytesPerSec, 1);
        result = CopyStreamBytes(*from, from->Tell(), data.size, second,
                                 [&wave](const std::uint8_t* bytes, std::size_t count) {
                                     return wave.WriteStreamData(bytes, static_cast<std::int64_t>(count)) ==
                                            static_cast<std::int64_t>(count);
                                 }) &&
                 wave.EndWriteStream();
    }
    wave.Close();
    riff->Ascend();
    if (result) {
        memory->Seek(0, 0);
        result = InitialLoad(memory, kTreeLoadBufferMs, a, b, b, c, d, progress, user);
    } else {
        SetLastError(TONECORE_ERR_NO_SOUND_SOURCE);
    }
    if (!result) ErrorLoadingFile(GetLastError());
    return result;
}
