// Session files: a RIFF file whose "cdhd" chunk holds the layout version and
// the record count and whose "cdtr" chunk holds the song records back to
// back, without pad bytes.
#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/mem_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "platform/file_replace.h"
#include "platform/last_error.h"
#include "tonecore/engine/byte_fields.h"
#include "tonecore/playlists/playlist.h"

namespace {

constexpr std::uint32_t kSessionForm = FourCC("cdss");
constexpr std::uint32_t kHeaderChunk = FourCC("cdhd");
constexpr std::uint32_t kRecordsChunk = FourCC("cdtr");
constexpr std::int64_t kHeaderBytes = 8;  // version, record count

struct TSessionHeader {
    TTPSVersion version = 0;
    std::int32_t count = 0;
};

}  // namespace

bool CPlaylist::_readTPS(const char* path, bool checkFiles) {
    CFileObj* file = new (std::nothrow) CFileObj;
    if (file == nullptr || file->Open(path, 0, 0) == 0) {
        DeleteRefObject(&file);
        return false;
    }
    CRIFF riff;
    _chunkInfo form;
    // The form type is not checked: sessions of every age are read alike.
    if (riff.Open(file, &form) == 0) {
        DeleteRefObject(&file);
        return false;
    }
    bool ok = true;
    std::uint8_t headerBytes[kHeaderBytes];
    if (riff.SeekToChunk(kHeaderChunk, 0, 1) != 0) {
        if (riff.ReadCurrentSubChunk(headerBytes, kHeaderBytes) != kHeaderBytes) {
            ok = false;
        } else if (riff.SeekToLevelBeginning() != 0 && riff.SeekToChunk(kRecordsChunk, 0, 1) != 0) {
            TSessionHeader header;
            bytefields::CByteReader in({headerBytes, sizeof headerBytes});
            header.version = in.LeI32();
            header.count = in.LeI32();
            // The stored count is not trusted: no more records are read than
            // the chunk, and the file, can hold.
            _subChunk records;
            riff.GetCurrentChunkInfo(nullptr, &records);
            // Older writers left the size of this chunk at 0: its records
            // then run to the end of the file.
            const std::int64_t rest = file->Size() - file->Tell();
            const std::int64_t present = records.size == 0 ? rest : std::min<std::int64_t>(records.size, rest);
            const std::int64_t recordBytes = TONECORE_CMusicInfo::RecordBytes(header.version);
            const std::int64_t fit = recordBytes > 0 ? std::max<std::int64_t>(present, 0) / recordBytes : 0;
            const std::int64_t count = std::min<std::int64_t>(std::max(header.count, 0), fit);
            for (std::int64_t i = 0; i < count; ++i) {
                if (countOnly_) {
                    ++counted_;
                    continue;
                }
                std::unique_ptr<TONECORE_CMusicInfo> record(new (std::nothrow) TONECORE_CMusicInfo);
                if (record == nullptr) break;
                // A record that fails to read leaves the stream misaligned
                // for every record after it.
                if (!record->Read(riff, header.version)) break;
                _addMusicInfo(std::move(record), checkFiles);
            }
        }
    }
    riff.Close();
    file->Close();
    DeleteRefObject(&file);
    return ok;
}

bool WriteSessionFile(const char* path, std::span<TONECORE_CMusicInfo* const> records,
                      FileWriteFunction write) {
    if (path == nullptr) return false;
    // The session is put together in memory and then replaces the file in
    // one step, so a failed save never leaves a damaged session behind.
    CMemObj* memory = new (std::nothrow) CMemObj;
    if (memory == nullptr || memory->Create() == 0) {
        DeleteRefObject(&memory);
        return false;
    }
    CRIFF riff;
    riff.SetPadOddChunks(false);
    bool ok = riff.Create(memory, kSessionForm) != 0;
    if (ok) {
        bytefields::CByteWriter header;
        header.Le32(static_cast<std::uint32_t>(CPlaylist::kSessionVersion));
        header.Le32(static_cast<std::uint32_t>(records.size()));
        ok = riff.WriteSubChunk(kHeaderChunk, header.Data().data(), kHeaderBytes) != 0 &&
             riff.StartWriteStream(kRecordsChunk) != 0;
        for (std::size_t i = 0; ok && i < records.size(); ++i)
            ok = records[i] != nullptr && records[i]->Write(riff, CPlaylist::kSessionVersion);
        ok = ok && riff.EndWriteStream() != 0;
    }
    riff.Close();
    std::string bytes;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(memory->Size()));
        ok = memory->Seek(0, 0) != 0 && memory->Read(bytes.data(), memory->Size()) == memory->Size();
    }
    DeleteRefObject(&memory);
    if (!ok) return false;
    // A session is the user's document, readable as the user's others are.
    const int error = ReplaceFileContents(path, bytes, write, ENewFileAccess::kUserDocument);
    if (error != 0) {
        SetLastError(static_cast<std::uint32_t>(error));
        return false;
    }
    return true;
}

bool CPlaylist::_writeTPS(const char* path) {
    std::vector<TONECORE_CMusicInfo*> records;
    records.reserve(entries_.size());
    for (const auto& entry : entries_) records.push_back(entry.get());
    return WriteSessionFile(path, records);
}
