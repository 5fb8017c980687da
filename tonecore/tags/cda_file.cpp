#include "tonecore/tags/cda_file.h"

#include "filekit/file_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "tonecore/engine/byte_fields.h"

namespace {

// Red Book CD time: 75 frames a second.
constexpr double kCdFramesPerSecond = 75.0;

std::int32_t CdTimeMs(int minute, int second, int frame) {
    return static_cast<std::int32_t>(minute * 60000.0 + second * 1000.0 + frame * 1000.0 / kCdFramesPerSecond);
}

TCdaTrackRecord ParseRecord(const std::uint8_t (&bytes)[kCdaTrackRecordBytes]) {
    bytefields::CByteReader in(bytes);
    TCdaTrackRecord record;
    record.version = in.Le16();
    record.trackNumber = in.Le16();
    record.volumeSerial = in.Le32();
    record.startSectors = in.Le32();
    record.lengthSectors = in.Le32();
    record.startFrame = in.U8();
    record.startSecond = in.U8();
    record.startMinute = in.U8();
    in.Skip(1);
    record.lengthFrame = in.U8();
    record.lengthSecond = in.U8();
    record.lengthMinute = in.U8();
    return record;
}

}  // namespace

int CCDAParser::Parse(const char* path) {
    if (path == nullptr) return 0;
    auto* file = new CFileObj();
    int result = 0;
    if (file->Open(path, 0, 0)) {
        result = Parse(file);
        file->Close();
    }
    DeleteRefObject(&file);
    return result;
}

int CCDAParser::Parse(CRefObj* stream) {
    if (stream == nullptr) return 0;
    CRIFF riff;
    _chunkInfo form;
    if (!riff.Open(stream, &form) || form.type != FourCC("CDDA")) return 0;
    if (!riff.SeekToChunk(FourCC("fmt "), 0, 1)) return 0;
    std::uint8_t bytes[kCdaTrackRecordBytes] = {};
    if (riff.ReadCurrentSubChunk(bytes, sizeof bytes) != kCdaTrackRecordBytes) {
        valid_ = 0;
        return 0;
    }
    record_ = ParseRecord(bytes);
    valid_ = 1;
    return 1;
}

std::int32_t CCDAParser::TrackOffset() const {
    return CdTimeMs(record_.startMinute, record_.startSecond, record_.startFrame);
}

std::int32_t CCDAParser::TrackLength() const {
    return CdTimeMs(record_.lengthMinute, record_.lengthSecond, record_.lengthFrame);
}
