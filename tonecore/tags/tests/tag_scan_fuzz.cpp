// Fuzz target for the tag readers and the MP3 frame scan: the input is read
// as an ID3 v2 tag of any version, as a frame area that is then edited and
// rewritten, as an MP3 file (summary scan, Xing header, ID3 v1 tag) and as
// a CD-audio track file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "filekit/mem_obj.h"
#include "tonecore/tags/cda_file.h"
#include "tonecore/tags/id3_tag.h"
#include "tonecore/tags/id3v1.h"
#include "tonecore/tags/id3v2_normalize.h"
#include "tonecore/tags/mp3_info.h"
#include "tonecore/tags/music_info.h"

namespace {

void FuzzTagHeaderAndBody(std::span<const std::uint8_t> input) {
    TId3TagHeader header;
    if (!ParseId3TagHeader(input, header)) {
        // Read the input as the body of a tag of each version.
        for (std::uint8_t major = 2; major <= 4; ++major) {
            header.major = major;
            header.flags = input.empty() ? 0 : input[0];
            NormalizeId3Tag(header, input);
        }
        return;
    }
    const auto body = input.subspan(kId3HeaderBytes);
    const TId3Normalized normalized = NormalizeId3Tag(header, body.first(std::min<std::size_t>(body.size(), header.bodyBytes)));
    // What the engine keeps must always walk cleanly.
    CId3TagV2 tag(static_cast<std::uint32_t>(normalized.frames.size()));
    std::copy(normalized.frames.begin(), normalized.frames.end(), tag.Data());
    TMusicInfo info;
    tag.GetMusicInfo(&info);
    if (tag.GetBytesUsed() != normalized.frames.size()) __builtin_trap();
}

void FuzzFrameArea(std::span<const std::uint8_t> input) {
    CId3TagV2 tag(static_cast<std::uint32_t>(input.size()));
    std::copy_n(input.begin(), std::min<std::size_t>(input.size(), tag.DataSize()), tag.Data());
    TMusicInfo info;
    const bool walked = tag.GetMusicInfo(&info);
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    tag.FindFrame("APIC", &offset, &size);
    if (!walked) return;
    tag.UpdateTitle("A title", true);
    tag.UpdateComments(info.title, true);
    tag.UpdateTrack(3, 9, false);
    tag.UpdateAlbum("", true);
    TMusicInfo edited;
    if (!tag.GetMusicInfo(&edited)) __builtin_trap();
    if (!tag.UpdateFromMusicInfo(&edited)) __builtin_trap();
    TMusicInfo rebuilt;
    if (!tag.GetMusicInfo(&rebuilt)) __builtin_trap();
}

void FuzzStreams(const std::uint8_t* data, std::size_t size) {
    auto* mem = new CMemObj();
    mem->Open(data, static_cast<std::int64_t>(size));
    CMP3Info info;
    if (info.loadInfo(mem) == CMP3Info::kLoaded) {
        info.getBitrate();
        info.getLengthInSeconds();
        info.GetAverageFrameSize();
        info.getNumberOfFrames();
        char text[256];
        info.getVersion(text, sizeof text);
        info.getMode(text, sizeof text);
        info.getGenre(text);
        if (info.DataStart() > info.getFileSize() || info.DataEnd() > info.getFileSize()) __builtin_trap();
    }
    mem->Seek(0, 0);
    CCDAParser cda;
    if (cda.Parse(mem)) {
        cda.TrackOffset();
        cda.TrackLength();
    }
    DeleteRefObject(&mem);
    if (size >= kId3v1Bytes) {
        CId3Tag v1;
        v1.loadTag(reinterpret_cast<const char*>(data + size - kId3v1Bytes));
        char block[kId3v1Bytes];
        v1.saveTag(block);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    FuzzTagHeaderAndBody(input);
    FuzzFrameArea(input);
    FuzzStreams(data, size);
    return 0;
}
