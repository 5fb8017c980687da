#include "filekit/riff.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "filekit/errors.h"
#include "filekit/file_obj.h"
#include "filekit/mem_obj.h"
#include "filekit/riff_format.h"
#include "filekit/tests/chunk_builder.h"
#include "filekit/tests/riff_walk.h"
#include "platform/last_error.h"
#include "platform/wave_format.h"
#include "testsupport/temp_dir.h"

namespace {

using namespace chunk_builder;

// A value no operation sets, to tell "no code" from any code.
constexpr std::uint32_t kSentinel = 0x12345678;

// A CRIFF opened on a memory stream of the given bytes.
struct TOpened {
    explicit TOpened(const std::string& bytes) : mem(MemStream(bytes)) { result = riff.Open(mem, &header); }
    ~TOpened() {
        riff.Close();
        DeleteRefObject(&mem);
    }
    _subChunk Sub() const {
        _subChunk sub;
        riff.GetCurrentChunkInfo(nullptr, &sub);
        return sub;
    }
    _chunkInfo Parent() const {
        _chunkInfo parent;
        riff.GetCurrentChunkInfo(&parent, nullptr);
        return parent;
    }
    CMemObj* mem;
    CRIFF riff;
    _chunkInfo header;
    int result = 0;
};

std::string Pattern(std::size_t n, int seed = 0) {
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) % 251);
    return out;
}

std::string ReadChunkData(CRIFF& riff) {
    _subChunk sub;
    riff.GetCurrentChunkInfo(nullptr, &sub);
    std::string out(sub.size, '\0');
    const std::int64_t got = riff.ReadCurrentSubChunk(out.data(), static_cast<std::int64_t>(out.size()));
    out.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
    return out;
}

bool ToolOnPath(const char* tool) {
    const std::string command = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// ---------------------------------------------------------------- writing

TEST(RiffWrite, WaveWithStreamedDataGetsItsSizes) {
    CMemObj* mem = new CMemObj();
    ASSERT_EQ(mem->Create(), 1);
    CRIFF riff;
    ASSERT_EQ(riff.Create(mem, FourCC("WAVE")), 1);
    EXPECT_EQ(riff.LevelsDown(), 0);
    const std::string fmt = Pattern(18, 1);
    ASSERT_EQ(riff.WriteSubChunk(FourCC("fmt "), fmt.data(), 18), 1);
    ASSERT_EQ(riff.StartWriteStream(RIFF_ID_DATA), 1);
    const std::string data = Pattern(1000, 2);
    for (std::size_t at = 0; at < 1000; at += 250) {
        ASSERT_EQ(riff.WriteStreamData(data.data() + at, 250), 250);
    }
    EXPECT_EQ(riff.CurrentStreamDataCount(), 1000);
    ASSERT_EQ(riff.EndWriteStream(), 1);
    EXPECT_EQ(riff.CurrentStreamDataCount(), 0);
    riff.Close();

    const std::string file = Contents(mem);
    EXPECT_EQ(file, Riff("WAVE", {Chunk("fmt ", fmt), Chunk("data", data)}));
    EXPECT_EQ(ReadLe32(file, 4), 1038u);
    EXPECT_EQ(ReadLe32(file, 42), 1000u);
    DeleteRefObject(&mem);
}

// Records that write themselves with Write inside a streamed chunk (song
// information in a session) are that chunk's data and counted once.
TEST(RiffWrite, RawWritesInsideAStreamBelongToIt) {
    CMemObj* mem = new CMemObj();
    ASSERT_EQ(mem->Create(), 1);
    CRIFF riff;
    riff.SetPadOddChunks(false);
    ASSERT_EQ(riff.Create(mem, FourCC("cdss")), 1);
    ASSERT_EQ(riff.WriteSubChunk(FourCC("cdhd"), "12345678", 8), 1);
    ASSERT_EQ(riff.StartWriteStream(FourCC("cdtr")), 1);
    ASSERT_EQ(riff.Write("abc", 3), 3);
    ASSERT_EQ(riff.WriteStreamData("de", 2), 2);
    ASSERT_EQ(riff.Write("f", 1), 1);
    ASSERT_EQ(riff.EndWriteStream(), 1);
    ASSERT_EQ(riff.WriteSubChunk(FourCC("next"), "z", 1), 1);
    riff.Close();
    EXPECT_EQ(Contents(mem), Riff("cdss", {Chunk("cdhd", "12345678"), Chunk("cdtr", "abcdef"), Chunk("next", "z")}));
    DeleteRefObject(&mem);
}

// Odd-sized data is followed by a pad byte that every parent counts; the
// chunk's own size stays odd. With padding off the layout has no pads.
TEST(RiffWrite, ListOfTwoChildrenGrowsTheFormWithOrWithoutPads) {
    const struct {
        bool pad;
        std::uint32_t listSize;
        std::string list;
    } cases[] = {
        {true, 34, List("INFO", {Chunk("INAM", Pattern(10)), PaddedChunk("IART", "abc")})},
        {false, 33, List("INFO", {Chunk("INAM", Pattern(10)), Chunk("IART", "abc")})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pad ? "padded" : "unpadded");
        CMemObj* mem = new CMemObj();
        ASSERT_EQ(mem->Create(), 1);
        CRIFF riff;
        EXPECT_TRUE(riff.PadsOddChunks()) << "padding is on by default";
        riff.SetPadOddChunks(c.pad);
        ASSERT_EQ(riff.Create(mem, FourCC("WAVE")), 1);
        ASSERT_EQ(riff.WriteSubChunk(FourCC("fmt "), Pattern(18).data(), 18), 1);
        const std::uint32_t before = ReadLe32(Contents(mem), 4);

        ASSERT_EQ(riff.WriteListChunkHeader(FourCC("INFO")), 1);
        ASSERT_EQ(riff.Descend(), 1);
        EXPECT_EQ(riff.LevelsDown(), 1);
        ASSERT_EQ(riff.WriteSubChunk(FourCC("INAM"), Pattern(10).data(), 10), 1);
        ASSERT_EQ(riff.WriteSubChunk(FourCC("IART"), "abc", 3), 1);
        ASSERT_EQ(riff.Ascend(), 1);
        EXPECT_EQ(riff.LevelsDown(), 0);

        _chunkInfo parent;
        _subChunk sub;
        riff.GetCurrentChunkInfo(&parent, &sub);
        EXPECT_EQ(sub.id, RIFF_ID_LIST) << "the list just left is the current sub-chunk";
        EXPECT_EQ(sub.size, c.listSize);
        EXPECT_EQ(parent.size, before + 8 + c.listSize);

        // A chunk written after the list starts right after it.
        ASSERT_EQ(riff.WriteSubChunk(RIFF_ID_DATA, "x", 1), 1);
        riff.Close();
        const std::string file = Contents(mem);
        const std::size_t list = 12 + 26;
        EXPECT_EQ(ReadLe32(file, list + 4), c.listSize);
        EXPECT_EQ(file.substr(list, 8 + c.listSize), c.list);
        const std::string data = c.pad ? PaddedChunk("data", "x") : Chunk("data", "x");
        EXPECT_EQ(file.substr(list + 8 + c.listSize), data);
        EXPECT_EQ(ReadLe32(file, 4), file.size() - 8);
        DeleteRefObject(&mem);
    }
}

TEST(RiffWrite, AnOddStreamedChunkIsPaddedWhenItEnds) {
    for (const bool pad : {true, false}) {
        SCOPED_TRACE(pad ? "padded" : "unpadded");
        CMemObj* mem = new CMemObj();
        ASSERT_EQ(mem->Create(), 1);
        CRIFF riff;
        riff.SetPadOddChunks(pad);
        ASSERT_EQ(riff.Create(mem, FourCC("WAVE")), 1);
        ASSERT_EQ(riff.StartWriteStream(RIFF_ID_DATA), 1);
        ASSERT_EQ(riff.WriteStreamData("abc", 3), 3);
        ASSERT_EQ(riff.WriteStreamData("de", 2), 2);
        ASSERT_EQ(riff.EndWriteStream(), 1);
        EXPECT_EQ(mem->Tell(), pad ? 26 : 25) << "the stream stands after the chunk";
        ASSERT_EQ(riff.WriteSubChunk(FourCC("junk"), "z", 1), 1);
        riff.Close();
        const std::string file = Contents(mem);
        const std::string expected = pad ? Riff("WAVE", {PaddedChunk("data", "abcde"), PaddedChunk("junk", "z")})
                                         : Riff("WAVE", {Chunk("data", "abcde"), Chunk("junk", "z")});
        EXPECT_EQ(file, expected);
        DeleteRefObject(&mem);
    }
}

// Every size on disk is checked after every write of a stream inside two
// nested lists: the lists and the form count each finished chunk at once,
// while the streamed chunk joins them when it ends.
TEST(RiffWrite, StreamInsideNestedListsKeepsEverySizeRightOnDisk) {
    testsupport::TempDir dir;
    const std::string path = dir.File("tree.riff");
    CFileObj* file = new CFileObj();
    ASSERT_EQ(file->Create(path.c_str()), 1);
    CRIFF riff;
    ASSERT_EQ(riff.Create(file, FourCC("sgrp")), 1);

    struct TSizes {
        std::uint32_t riff, outer, inner, stream;
    };
    const std::size_t outer = 12;
    const std::size_t inner = outer + 12;
    const std::size_t stream = inner + 12 + 14;
    const auto onDisk = [&] {
        const std::string bytes = testsupport::ReadWholeFile(path);
        return TSizes{ReadLe32(bytes, 4), ReadLe32(bytes, outer + 4), ReadLe32(bytes, inner + 4),
                      ReadLe32(bytes, stream + 4)};
    };
    const auto expectSizes = [&](TSizes want, const char* step) {
        const TSizes got = onDisk();
        EXPECT_EQ(got.riff, want.riff) << step;
        EXPECT_EQ(got.outer, want.outer) << step;
        EXPECT_EQ(got.inner, want.inner) << step;
        EXPECT_EQ(got.stream, want.stream) << step;
    };

    ASSERT_EQ(riff.WriteListChunkHeader(FourCC("sgrp")), 1);
    ASSERT_EQ(riff.Descend(), 1);
    ASSERT_EQ(riff.WriteListChunkHeader(FourCC("sndc")), 1);
    ASSERT_EQ(riff.Descend(), 1);
    ASSERT_EQ(riff.WriteSubChunk(FourCC("atom"), Pattern(6).data(), 6), 1);
    ASSERT_EQ(riff.StartWriteStream(FourCC("smap")), 1);
    expectSizes({4 + 12 + 12 + 14, 4 + 12 + 14, 4 + 14, 0}, "stream started");
    std::uint32_t streamed = 0;
    for (std::uint32_t piece : {5u, 7u, 9u}) {
        ASSERT_EQ(riff.WriteStreamData(Pattern(piece).data(), piece), piece);
        streamed += piece;
        expectSizes({4 + 12 + 12 + 14, 4 + 12 + 14, 4 + 14, 0}, "streaming");
    }
    ASSERT_EQ(riff.EndWriteStream(), 1);
    const std::uint32_t grown = 8 + streamed + 1;  // 21 bytes streamed, then a pad
    expectSizes({42 + grown, 30 + grown, 18 + grown, streamed}, "stream ended");
    ASSERT_EQ(riff.WriteSubChunk(FourCC("tail"), "xy", 2), 1);
    expectSizes({42 + grown + 10, 30 + grown + 10, 18 + grown + 10, streamed}, "chunk after the stream");
    ASSERT_EQ(riff.Ascend(), 1);
    ASSERT_EQ(riff.Ascend(), 1);
    ASSERT_EQ(riff.WriteSubChunk(FourCC("sgif"), "z", 1), 1);
    expectSizes({42 + grown + 10 + 10, 30 + grown + 10, 18 + grown + 10, streamed}, "chunk after the lists");
    riff.Close();
    DeleteRefObject(&file);

    // The tree reads back as written.
    const std::string expected = Riff(
        "sgrp", {List("sgrp", {List("sndc", {Chunk("atom", Pattern(6)),
                                             PaddedChunk("smap", Pattern(5) + Pattern(7) + Pattern(9)),
                                             Chunk("tail", "xy")})}),
                 PaddedChunk("sgif", "z")});
    EXPECT_EQ(testsupport::ReadWholeFile(path), expected);
}

TEST(RiffWrite, WriteContinuesWhereTheLastWriteEnded) {
    CMemObj* mem = new CMemObj();
    ASSERT_EQ(mem->Create(), 1);
    CRIFF riff;
    ASSERT_EQ(riff.Create(mem, FourCC("test")), 1);
    ASSERT_EQ(riff.WriteSubChunk(FourCC("head"), "ab", 2), 1);
    // Patching the sizes must not leave the stream on a header.
    EXPECT_EQ(riff.Write("cd", 2), 2);
    EXPECT_EQ(riff.Write("ef", 2), 2);
    riff.Close();
    EXPECT_EQ(Contents(mem), Header("RIFF", 4 + 10 + 4) + "test" + Chunk("head", "ab") + "cdef");
    DeleteRefObject(&mem);
}

TEST(RiffWrite, RefusesStreamsThatAreNotOpenOrNotWritable) {
    CRIFF riff;
    SetLastError(0);
    EXPECT_EQ(riff.Create(nullptr, FourCC("WAVE")), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_STREAM);

    CMemObj* readOnly = MemStream(Riff("WAVE", {Chunk("data", "")}));
    SetLastError(0);
    EXPECT_EQ(riff.Create(readOnly, FourCC("WAVE")), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_STREAM);
    EXPECT_EQ(readOnly->References(), 1) << "a refused stream is not held";
    EXPECT_EQ(riff.LevelsDown(), -1);
    DeleteRefObject(&readOnly);

    CFileObj* closed = new CFileObj();
    SetLastError(0);
    EXPECT_EQ(riff.Create(closed, FourCC("WAVE")), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_STREAM);
    DeleteRefObject(&closed);
}

// A stream that keeps only small writes (headers) and accepts large ones
// without storing them, so that files near the 4 GiB limit cost nothing.
class CSparseStream : public CRefObj {
public:
    CSparseStream() : CRefObj(1, 0) {}
    int IsOpen() override { return 1; }
    std::int64_t Write(const void* buf, std::int64_t len) override {
        if (len <= 64) stored_[position_] = std::string(static_cast<const char*>(buf), static_cast<std::size_t>(len));
        position_ += len;
        size_ = std::max(size_, position_);
        return len;
    }
    std::int64_t Read(void* buf, std::int64_t len) override {
        const auto found = stored_.find(position_);
        if (found == stored_.end() || static_cast<std::int64_t>(found->second.size()) < len) return 0;
        std::memcpy(buf, found->second.data(), static_cast<std::size_t>(len));
        position_ += len;
        return len;
    }
    int Seek(std::int64_t offset, int whence) override {
        if (whence != 0 || offset < 0 || offset > size_) return 0;
        position_ = offset;
        return 1;
    }
    std::int64_t Tell() override { return position_; }
    std::int64_t Size() override { return size_; }
    std::uint32_t SizeAt(std::int64_t headerOffset) const {
        return ReadLe32(stored_.at(headerOffset), 4);
    }

private:
    std::map<std::int64_t, std::string> stored_;
    std::int64_t position_ = 0;
    std::int64_t size_ = 0;
};

TEST(RiffWrite, WritesThatWouldPassFourGigabytesAreRefused) {
    auto* sparse = new CSparseStream();
    CRIFF riff;
    ASSERT_EQ(riff.Create(sparse, FourCC("WAVE")), 1);
    ASSERT_EQ(riff.StartWriteStream(RIFF_ID_DATA), 1);
    const char piece[16] = {};
    // The sparse stream never reads the buffer of a large write.
    const std::int64_t big = 0xFFFFFFE0;
    ASSERT_EQ(riff.WriteStreamData(piece, big), big);
    SetLastError(0);
    EXPECT_EQ(riff.WriteStreamData(piece, 0x100), 0) << "4 + 8 + 0xFFFFFFE0 + 0x100 is past the limit";
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_READ);
    ASSERT_EQ(riff.WriteStreamData(piece, 16), 16);
    ASSERT_EQ(riff.EndWriteStream(), 1);
    EXPECT_EQ(sparse->SizeAt(0), 0xFFFFFFFCu);
    EXPECT_EQ(sparse->SizeAt(12), 0xFFFFFFF0u);

    const std::int64_t sizeBefore = sparse->Size();
    SetLastError(0);
    EXPECT_EQ(riff.WriteSubChunk(FourCC("LIST"), piece, 16), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_READ);
    EXPECT_EQ(riff.WriteListChunkHeader(FourCC("INFO")), 0);
    EXPECT_EQ(riff.StartWriteStream(FourCC("next")), 0);
    EXPECT_EQ(riff.Write(piece, 0x100), 0);
    EXPECT_EQ(sparse->Size(), sizeBefore) << "nothing refused reaches the stream";
    EXPECT_EQ(sparse->SizeAt(0), 0xFFFFFFFCu);
    riff.Close();
    CRefObj* release = sparse;
    DeleteRefObject(&release);
}

// ---------------------------------------------------------------- reading

std::string WaveWithInfo() {
    return Riff("WAVE", {Chunk("fmt ", Pattern(16)), List("INFO", {Chunk("INAM", "name"), Chunk("ICMT", "note")}),
                         Chunk("data", Pattern(40))});
}

TEST(RiffRead, OpenReadsTheHeaderAndTheFirstChunk) {
    const std::string bytes = WaveWithInfo();
    TOpened open(bytes);
    ASSERT_EQ(open.result, 1);
    EXPECT_EQ(open.header.id, RIFF_ID_RIFF);
    EXPECT_EQ(open.header.size, bytes.size() - 8);
    EXPECT_EQ(open.header.type, FourCC("WAVE"));
    EXPECT_EQ(open.riff.LevelsDown(), 0);
    EXPECT_EQ(open.Sub().id, FourCC("fmt "));
    EXPECT_EQ(open.Sub().size, 16u);
    EXPECT_EQ(open.mem->Tell(), 0) << "Open seeks back to the RIFF header";
    EXPECT_EQ(open.mem->References(), 2);
    EXPECT_EQ(open.riff.GetRefObj(), open.mem);
}

TEST(RiffRead, WalksForwardBackAndThroughLists) {
    TOpened open(WaveWithInfo());
    ASSERT_EQ(open.result, 1);
    CRIFF& riff = open.riff;
    ASSERT_EQ(riff.SeekToNextChunk(), 1);
    EXPECT_EQ(open.Sub().id, RIFF_ID_LIST);
    ASSERT_EQ(riff.Descend(), 1);
    EXPECT_EQ(open.Parent().type, FourCC("INFO"));
    EXPECT_EQ(open.Sub().id, FourCC("INAM"));
    EXPECT_EQ(ReadChunkData(riff), "name");
    ASSERT_EQ(riff.SeekToNextChunk(), 1);
    EXPECT_EQ(ReadChunkData(riff), "note");
    SetLastError(kSentinel);
    EXPECT_EQ(riff.SeekToNextChunk(), 0);
    EXPECT_EQ(GetLastError(), kSentinel) << "the exact end of a parent has no code";
    ASSERT_EQ(riff.SeekToPreviousChunk(), 1);
    EXPECT_EQ(open.Sub().id, FourCC("INAM"));
    SetLastError(0);
    EXPECT_EQ(riff.SeekToPreviousChunk(), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_END);
    ASSERT_EQ(riff.Ascend(), 1);
    EXPECT_EQ(open.Sub().id, RIFF_ID_LIST);
    EXPECT_EQ(open.Parent().id, RIFF_ID_RIFF);
    ASSERT_EQ(riff.SeekToNextChunk(), 1) << "after Ascend the walk goes on after the list";
    EXPECT_EQ(open.Sub().id, RIFF_ID_DATA);
    EXPECT_EQ(ReadChunkData(riff), Pattern(40));
    ASSERT_EQ(riff.SeekToPreviousChunk(), 1);
    EXPECT_EQ(open.Sub().id, RIFF_ID_LIST);
    ASSERT_EQ(riff.SeekToLevelBeginning(), 1);
    EXPECT_EQ(open.Sub().id, FourCC("fmt "));
    EXPECT_EQ(riff.Ascend(), 0) << "nothing above the form";
    EXPECT_EQ(riff.Descend(), 0) << "fmt is not a list";
}

TEST(RiffRead, SeekToChunkAtOffsetStaysInsideTheParent) {
    TOpened open(WaveWithInfo());
    ASSERT_EQ(open.result, 1);
    const std::int64_t data = 12 + 24 + 8 + 4 + 12 + 12;
    ASSERT_EQ(open.riff.SeekToChunkAtOffset(data), 1);
    EXPECT_EQ(open.Sub().id, RIFF_ID_DATA);
    for (std::int64_t outside : {std::int64_t{-1}, static_cast<std::int64_t>(WaveWithInfo().size())}) {
        SetLastError(0);
        EXPECT_EQ(open.riff.SeekToChunkAtOffset(outside), 0) << outside;
        EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_END);
        EXPECT_EQ(open.Sub().id, RIFF_ID_DATA);
    }
    SetLastError(0);
    EXPECT_EQ(open.riff.SeekToChunkAtOffset(data + 46), 0) << "no whole header left there";
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_END);
}

TEST(RiffRead, SeekToChunkSearchAndKeepPosition) {
    const std::string bytes = Riff("WAVE", {Chunk("fmt ", Pattern(16)), Chunk("data", "first"),
                                            Chunk("junk", "xx"), Chunk("data", "second")});
    TOpened open(bytes);
    ASSERT_EQ(open.result, 1);
    CRIFF& riff = open.riff;
    ASSERT_EQ(riff.SeekToChunk(RIFF_ID_DATA, 0, 0), 1);
    EXPECT_EQ(open.mem->Tell(), 12 + 24 + 8) << "a found chunk leaves the stream at its data";
    EXPECT_EQ(ReadChunkData(riff), "first");

    open.mem->Seek(3, 0);
    ASSERT_EQ(riff.SeekToChunk(RIFF_ID_DATA, 0, 0), 1);
    EXPECT_EQ(open.mem->Tell(), 3) << "the current chunk already matches: nothing moves";

    ASSERT_EQ(riff.SeekToChunk(RIFF_ID_DATA, 1, 0), 1);
    EXPECT_EQ(ReadChunkData(riff), "second");

    // Nothing found with keepPosition: current chunk and position stay.
    ASSERT_EQ(riff.SeekToLevelBeginning(), 1);
    open.mem->Seek(5, 0);
    SetLastError(0);
    EXPECT_EQ(riff.SeekToChunk(FourCC("none"), 1, 1), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_END);
    EXPECT_EQ(open.Sub().id, FourCC("fmt "));
    EXPECT_EQ(open.mem->Tell(), 5);

    // Without it the walk leaves the last chunk it passed current.
    EXPECT_EQ(riff.SeekToChunk(FourCC("none"), 1, 0), 0);
    EXPECT_EQ(open.Sub().id, RIFF_ID_DATA);
    EXPECT_EQ(open.Sub().size, 6u);

    // At the last chunk there is no room for another: the same code.
    SetLastError(0);
    EXPECT_EQ(riff.SeekToChunk(FourCC("none"), 1, 0), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_END);
}

TEST(RiffRead, LastChunksWithSmallOrNoDataAreReachable) {
    const std::string bytes = Riff("WAVE", {Chunk("fmt ", Pattern(16)), Chunk("tiny", "ab"), Chunk("none", "")});
    TOpened open(bytes);
    ASSERT_EQ(open.result, 1);
    ASSERT_EQ(open.riff.SeekToChunk(FourCC("tiny"), 0, 0), 1);
    EXPECT_EQ(ReadChunkData(open.riff), "ab");
    ASSERT_EQ(open.riff.SeekToNextChunk(), 1);
    EXPECT_EQ(open.Sub().id, FourCC("none"));
    SetLastError(kSentinel);
    EXPECT_EQ(open.riff.SeekToNextChunk(), 0);
    EXPECT_EQ(GetLastError(), kSentinel);
    ASSERT_EQ(open.riff.SeekToLevelBeginning(), 1);
    ASSERT_EQ(open.riff.SeekToChunk(FourCC("none"), 0, 0), 1);
    EXPECT_EQ(open.Sub().size, 0u);
}

TEST(RiffRead, PadBytesAfterOddChunksFromOtherToolsAreSkipped) {
    // An odd-sized INFO list before "data", padded as other tools write it.
    const std::string padded = Riff("WAVE", {Chunk("fmt ", Pattern(16)),
                                             PaddedChunk("LIST", "INFO" + PaddedChunk("INAM", "abcde")),
                                             PaddedChunk("data", Pattern(7))});
    // Without pads, as our writer makes fixed layouts with padding off.
    const std::string unpadded =
        Riff("WAVE", {Chunk("fmt ", Pattern(16)), List("INFO", {Chunk("INAM", "abcde")}), Chunk("data", Pattern(7))});
    for (const std::string& bytes : {padded, unpadded}) {
        TOpened open(bytes);
        ASSERT_EQ(open.result, 1);
        ASSERT_EQ(open.riff.SeekToChunk(RIFF_ID_DATA, 0, 0), 1);
        EXPECT_EQ(ReadChunkData(open.riff), Pattern(7));
        SetLastError(kSentinel);
        EXPECT_EQ(open.riff.SeekToNextChunk(), 0);
        EXPECT_EQ(GetLastError(), kSentinel) << "a pad byte closing the form is its normal end";
        ASSERT_EQ(open.riff.SeekToPreviousChunk(), 1);
        ASSERT_EQ(open.riff.Descend(), 1);
        EXPECT_EQ(ReadChunkData(open.riff), "abcde");
        EXPECT_EQ(riff_walk::WalkLevel(open.riff), 1);
    }
}

TEST(RiffRead, ReadCurrentSubChunkNeverReadsPastTheChunk) {
    TOpened open(Riff("WAVE", {Chunk("abcd", "12345"), Chunk("next", "zzzz")}));
    ASSERT_EQ(open.result, 1);
    std::string buf(16, '.');
    SetLastError(kSentinel);
    EXPECT_EQ(open.riff.ReadCurrentSubChunk(buf.data(), 16), 5);
    EXPECT_EQ(buf, "12345" + std::string(11, '.'));
    EXPECT_EQ(GetLastError(), kSentinel);
    EXPECT_EQ(open.riff.ReadCurrentSubChunk(buf.data(), 3), 3);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_READ) << "fewer bytes than the chunk holds";

    // Read works at the stream position and reports a short count.
    open.mem->Seek(8, 0);
    SetLastError(kSentinel);
    EXPECT_EQ(open.riff.Read(buf.data(), 4), 4);
    EXPECT_EQ(GetLastError(), kSentinel);
    open.mem->Seek(-2, 2);
    EXPECT_EQ(open.riff.Read(buf.data(), 4), 2);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_READ);
}

TEST(RiffRead, FiftyNestedListsStopAtLevelFortyNine) {
    std::string tree = Chunk("leaf", "x");
    for (int i = 0; i < 50; ++i) tree = Chunk("LIST", "nest" + tree);
    TOpened open(Riff("deep", {tree}));
    ASSERT_EQ(open.result, 1);
    for (int level = 1; level <= 49; ++level) {
        ASSERT_EQ(open.riff.Descend(), 1) << level;
        EXPECT_EQ(open.riff.LevelsDown(), level);
    }
    EXPECT_EQ(open.Sub().id, RIFF_ID_LIST);
    SetLastError(0);
    EXPECT_EQ(open.riff.Descend(), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_TOO_DEEP);
    EXPECT_EQ(open.riff.LevelsDown(), 49);
    for (int level = 48; level >= 0; --level) {
        ASSERT_EQ(open.riff.Ascend(), 1);
        EXPECT_EQ(open.riff.LevelsDown(), level);
    }
    EXPECT_EQ(open.Sub().id, RIFF_ID_LIST);
    EXPECT_EQ(open.Sub().size, tree.size() - 8);
}

// Streams that were never patched: the form takes the rest of the stream
// and a "data" chunk of size 0 runs to its end.
TEST(RiffRead, UnpatchedSizesCoverTheRestOfTheStream) {
    const std::string samples = Pattern(101);
    const std::string crashed = RiffWithSize(0, "WAVE", {Chunk("fmt ", Pattern(16)), Header("data", 0) + samples});
    TOpened open(crashed);
    ASSERT_EQ(open.result, 1);
    EXPECT_EQ(open.header.size, 0u) << "out keeps the stored header";
    EXPECT_EQ(open.Parent().size, crashed.size() - 8);
    ASSERT_EQ(open.riff.SeekToChunk(RIFF_ID_DATA, 0, 0), 1);
    EXPECT_EQ(open.Sub().size, 101u);
    EXPECT_EQ(ReadChunkData(open.riff), samples);
    ASSERT_EQ(open.riff.SeekToPreviousChunk(), 1);
    ASSERT_EQ(open.riff.Ascend(), 0);
    ASSERT_EQ(open.riff.SeekToChunk(FourCC("none"), 1, 0), 0);
}

TEST(RiffRead, AscendKeepsTheFormSizeTakenAtOpen) {
    const std::string crashed = RiffWithSize(0, "WAVE", {List("INFO", {Chunk("INAM", "ab")}), Chunk("data", "xyz")});
    TOpened open(crashed);
    ASSERT_EQ(open.result, 1);
    ASSERT_EQ(open.riff.Descend(), 1);
    ASSERT_EQ(open.riff.Ascend(), 1);
    EXPECT_EQ(open.Parent().size, crashed.size() - 8);
    ASSERT_EQ(open.riff.SeekToNextChunk(), 1);
    EXPECT_EQ(ReadChunkData(open.riff), "xyz");
}

TEST(RiffRead, OurOwnCrashedStreamIsRefusedWithACode) {
    // The form size stops before the streamed chunk, which was never counted.
    CMemObj* mem = new CMemObj();
    ASSERT_EQ(mem->Create(), 1);
    CRIFF writer;
    ASSERT_EQ(writer.Create(mem, FourCC("WAVE")), 1);
    ASSERT_EQ(writer.WriteSubChunk(FourCC("fmt "), Pattern(18).data(), 18), 1);
    ASSERT_EQ(writer.StartWriteStream(RIFF_ID_DATA), 1);
    ASSERT_EQ(writer.WriteStreamData(Pattern(64).data(), 64), 64);
    writer.Close();

    const std::string bytes = Contents(mem);
    DeleteRefObject(&mem);
    TOpened open(bytes);
    ASSERT_EQ(open.result, 1);
    SetLastError(0);
    EXPECT_EQ(open.riff.SeekToChunk(RIFF_ID_DATA, 0, 0), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_END);
}

// Hostile files: each gives its code (or its recovery) and the whole tree can
// be walked without a crash, a hang or a read outside the stream.
TEST(RiffRead, HostileFilesFailCleanly) {
    std::string deep = Chunk("leaf", "x");
    for (int i = 0; i < 60; ++i) deep = Chunk("LIST", "nest" + deep);
    struct TCase {
        const char* name;
        std::string bytes;
        int open;                // Open's result
        std::uint32_t openCode;  // its code, kSentinel for none
        std::uint32_t walkEnd;   // the last code of a walk of the top level
        // What a search for "data" finds and reads; none: whatever it finds
        // reads only what is there.
        std::optional<std::string> data = std::nullopt;
    };
    const std::vector<TCase> cases = {
        {"empty stream", "", 0, kSentinel, 0},
        {"cut RIFF header", "RIFF" + Le32(20), 0, kSentinel, 0},
        {"not RIFF", "RIFX" + Le32(4) + "WAVE" + Chunk("data", ""), 0, FILEKIT_ERR_NOT_RIFF, 0},
        {"cut first chunk header", Header("RIFF", 12) + "WAVE" + "fmt ", 0, FILEKIT_ERR_RIFF_READ, 0},
        {"empty form", Riff("WAVE", {}) + "junkjunk", 1, 0, kSentinel},
        {"size 0xFFFFFFF8", Riff("WAVE", {Header("abcd", 0xFFFFFFF8) + "1234", Chunk("data", "zz")}), 1, 0,
         FILEKIT_ERR_RIFF_END},
        {"chunk past the stream end", RiffWithSize(0xFFFFFFF0, "WAVE", {Header("data", 1000) + "abc"}), 1, 0,
         FILEKIT_ERR_RIFF_READ},
        {"chunk past the form end", Riff("WAVE", {Header("data", 1000) + "abc"}), 1, 0, FILEKIT_ERR_RIFF_END},
        {"next header past the stream end", RiffWithSize(0xFFFFFFF0, "WAVE", {Chunk("fmt ", "ab")}), 1, 0,
         FILEKIT_ERR_RIFF_READ},
        {"cut header inside the form", Riff("WAVE", {Chunk("fmt ", "ab"), std::string("dat")}), 1, 0,
         FILEKIT_ERR_RIFF_END},
        {"list smaller than its type", Riff("WAVE", {Header("LIST", 2) + "IN", Chunk("data", "ab")}), 1, 0,
         kSentinel},
        {"list larger than its parent", Riff("WAVE", {Header("LIST", 500) + "INFO" + Chunk("INAM", "ab")}), 1, 0,
         FILEKIT_ERR_RIFF_END},
        {"sixty nested lists", Riff("deep", {deep}), 1, 0, kSentinel},
        {"data size 0 in a crashed file", RiffWithSize(0, "WAVE", {Header("data", 0) + Pattern(33)}), 1, 0,
         FILEKIT_ERR_RIFF_END, Pattern(33)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(kSentinel);
        TOpened open(c.bytes);
        ASSERT_EQ(open.result, c.open);
        if (c.open == 0) {
            EXPECT_EQ(GetLastError(), c.openCode);
            EXPECT_EQ(open.riff.LevelsDown(), -1);
            EXPECT_EQ(open.mem->References(), 1);
            continue;
        }
        EXPECT_EQ(GetLastError(), c.openCode);
        EXPECT_GT(riff_walk::WalkLevel(open.riff), 0);
        EXPECT_EQ(open.riff.LevelsDown(), 0);
        // The walk ended on the top level's last reachable chunk; one more
        // step reports how it ended.
        SetLastError(kSentinel);
        EXPECT_EQ(open.riff.SeekToNextChunk(), 0);
        EXPECT_EQ(GetLastError(), c.walkEnd);
        // Every search ends too, and a found chunk reads only what is there.
        ASSERT_EQ(open.riff.SeekToLevelBeginning(), 1);
        if (c.data) {
            ASSERT_EQ(open.riff.SeekToChunk(RIFF_ID_DATA, 0, 1), 1);
            EXPECT_EQ(ReadChunkData(open.riff), *c.data) << "read to the stream's end";
        } else if (open.riff.SeekToChunk(RIFF_ID_DATA, 0, 1)) {
            std::vector<char> buf(4096);
            const std::int64_t got = open.riff.ReadCurrentSubChunk(buf.data(), 4096);
            EXPECT_LE(got, static_cast<std::int64_t>(c.bytes.size()));
        }
        while (open.riff.SeekToPreviousChunk()) {
        }
    }
}

TEST(RiffRead, ACutListHeaderStopsDescendWithItsCode) {
    // The stream ends after the list's id and size: its type is missing.
    TOpened open(RiffWithSize(0x100, "WAVE", {Chunk("fmt ", "ab"), Header("LIST", 4)}));
    ASSERT_EQ(open.result, 1);
    ASSERT_EQ(open.riff.SeekToNextChunk(), 1);
    EXPECT_EQ(open.Sub().id, RIFF_ID_LIST);
    SetLastError(0);
    EXPECT_EQ(open.riff.Descend(), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_SHORT_HEADER);
    EXPECT_EQ(open.riff.LevelsDown(), 0);
}

TEST(RiffRead, UnopenedReaderRefusesEverything) {
    CRIFF riff;
    EXPECT_EQ(riff.LevelsDown(), -1);
    EXPECT_EQ(riff.GetRefObj(), nullptr);
    char buf[8];
    SetLastError(0);
    EXPECT_EQ(riff.SeekToNextChunk(), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_STREAM);
    EXPECT_EQ(riff.ReadCurrentSubChunk(buf, 8), -1);
    EXPECT_EQ(riff.Read(buf, 8), 0);
    EXPECT_EQ(riff.Descend(), 0);
    EXPECT_EQ(riff.SeekToChunk(RIFF_ID_DATA, 0, 0), 0);
    EXPECT_EQ(riff.WriteSubChunk(RIFF_ID_DATA, buf, 8), 0);
    EXPECT_EQ(riff.EndWriteStream(), 0);

    CFileObj* closed = new CFileObj();
    SetLastError(0);
    EXPECT_EQ(riff.Open(closed, nullptr), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_RIFF_STREAM);
    DeleteRefObject(&closed);
}

TEST(RiffRead, CopiesHoldTheirOwnReference) {
    CMemObj* mem = MemStream(WaveWithInfo());
    {
        CRIFF first;
        ASSERT_EQ(first.Open(mem, nullptr), 1);
        ASSERT_EQ(first.SeekToNextChunk(), 1);
        ASSERT_EQ(first.Descend(), 1);
        EXPECT_EQ(mem->References(), 2);
        CRIFF copy(first);
        EXPECT_EQ(mem->References(), 3);
        first.Close();
        EXPECT_EQ(mem->References(), 2);
        EXPECT_EQ(copy.LevelsDown(), 1) << "the copy keeps the position in the tree";
        ASSERT_EQ(copy.SeekToNextChunk(), 1);
        EXPECT_EQ(ReadChunkData(copy), "note");

        CRIFF assigned;
        assigned = copy;
        EXPECT_EQ(mem->References(), 3);
        assigned = assigned;
        EXPECT_EQ(mem->References(), 3);
        ASSERT_EQ(assigned.Ascend(), 1);
        ASSERT_EQ(assigned.SeekToNextChunk(), 1);
        EXPECT_EQ(ReadChunkData(assigned), Pattern(40));

        // Opening again releases the stream held before.
        CMemObj* other = MemStream(WaveWithInfo());
        ASSERT_EQ(assigned.Open(other, nullptr), 1);
        EXPECT_EQ(mem->References(), 2);
        DeleteRefObject(&other);
        EXPECT_NE(other, nullptr) << "the reader still holds it";
    }
    EXPECT_EQ(mem->References(), 1);
    DeleteRefObject(&mem);
}

// ---------------------------------------------------------------- sox

// The first line a command prints (its errors included); none when it
// cannot run or ends with a failure.
std::optional<std::string> FirstLineOf(const std::string& command) {
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0) << command << ": " << line;
    if (!read || status != 0) return std::nullopt;
    return std::string(line);
}

class RiffSox : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ToolOnPath("sox")) GTEST_SKIP() << "sox is not installed";
    }
    // Starts a WAVE file at path with its "fmt " chunk; the caller writes the
    // rest, closes riff and releases the file.
    static CFileObj* StartWave(const std::string& path, CRIFF& riff, const WAVEFORMATEX& format,
                               std::int64_t formatBytes) {
        auto* file = new CFileObj();
        EXPECT_EQ(file->Create(path.c_str()), 1);
        EXPECT_EQ(riff.Create(file, FourCC("WAVE")), 1);
        EXPECT_EQ(riff.WriteSubChunk(FourCC("fmt "), &format, formatBytes), 1);
        return file;
    }
    testsupport::TempDir dir_;
};

TEST_F(RiffSox, ReadsAWaveWrittenBySox) {
    const std::string path = dir_.File("tone.wav");
    const std::string command = "sox -n -r 44100 -c 2 -b 16 '" + path + "' synth 0.1 sine 440";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string bytes = testsupport::ReadWholeFile(path);

    CFileObj* file = new CFileObj();
    ASSERT_EQ(file->Open(path.c_str(), 0, 0), 1);
    CRIFF riff;
    _chunkInfo header;
    ASSERT_EQ(riff.Open(file, &header), 1);
    EXPECT_EQ(header.type, FourCC("WAVE"));
    ASSERT_EQ(riff.SeekToChunk(FourCC("fmt "), 0, 0), 1);
    WAVEFORMATEX format{};
    ASSERT_GE(riff.ReadCurrentSubChunk(&format, sizeof format), 16);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.wBitsPerSample, 16);
    ASSERT_EQ(riff.SeekToChunk(RIFF_ID_DATA, 1, 0), 1);
    _subChunk sub;
    riff.GetCurrentChunkInfo(nullptr, &sub);
    EXPECT_EQ(sub.size, 4410u * 4);
    EXPECT_EQ(ReadChunkData(riff), bytes.substr(bytes.size() - sub.size));
    riff.Close();
    DeleteRefObject(&file);
}

TEST_F(RiffSox, OddDataWithAPadByteEndsTheFormNormally) {
    const std::string path = dir_.File("odd.wav");
    // 5 samples at 8 bits: odd data, padded by sox.
    const std::string command = "sox -n -r 8000 -c 1 -b 8 '" + path + "' synth 0.000625 sine 440";
    ASSERT_EQ(std::system(command.c_str()), 0);
    TOpened open(testsupport::ReadWholeFile(path));
    ASSERT_EQ(open.result, 1);
    ASSERT_EQ(open.riff.SeekToChunk(RIFF_ID_DATA, 0, 0), 1);
    EXPECT_EQ(open.Sub().size, 5u);
    SetLastError(kSentinel);
    EXPECT_EQ(open.riff.SeekToNextChunk(), 0);
    EXPECT_EQ(GetLastError(), kSentinel);
}

TEST_F(RiffSox, SoxReadsOurWave) {
    const std::string path = dir_.File("ours.wav");
    CRIFF riff;
    CFileObj* file = StartWave(path, riff, WAVEFORMATEX{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0}, 18);
    ASSERT_EQ(riff.StartWriteStream(RIFF_ID_DATA), 1);
    const std::string samples = Pattern(4 * 250);
    ASSERT_EQ(riff.WriteStreamData(samples.data(), 4 * 100), 400);
    ASSERT_EQ(riff.WriteStreamData(samples.data() + 400, 4 * 150), 600);
    ASSERT_EQ(riff.EndWriteStream(), 1);
    riff.Close();
    DeleteRefObject(&file);

    const std::optional<std::string> samplesSeen = FirstLineOf("soxi -s '" + path + "'");
    ASSERT_TRUE(samplesSeen);
    EXPECT_EQ(std::atoi(samplesSeen->c_str()), 250);
}

// An odd chunk before "data" (a title of odd length in an INFO list) must not
// hide the data from other readers.
TEST_F(RiffSox, OtherReadersTakeOurWaveWithAnOddChunkBeforeTheData) {
    const std::string path = dir_.File("titled.wav");
    CRIFF riff;
    CFileObj* file = StartWave(path, riff, WAVEFORMATEX{WAVE_FORMAT_PCM, 1, 8000, 8000, 1, 8, 0}, 16);
    ASSERT_EQ(riff.WriteListChunkHeader(FourCC("INFO")), 1);
    ASSERT_EQ(riff.Descend(), 1);
    ASSERT_EQ(riff.WriteSubChunk(FourCC("INAM"), "Odd", 4), 1) << "text and terminator";
    ASSERT_EQ(riff.WriteSubChunk(FourCC("IART"), "Artist", 7), 1);
    ASSERT_EQ(riff.Ascend(), 1);
    ASSERT_EQ(riff.StartWriteStream(RIFF_ID_DATA), 1);
    ASSERT_EQ(riff.WriteStreamData(Pattern(101).data(), 101), 101);
    ASSERT_EQ(riff.EndWriteStream(), 1);
    riff.Close();
    DeleteRefObject(&file);

    const struct {
        const char* tool;
        std::string command;
    } readers[] = {
        {"soxi", "soxi -s '" + path + "'"},
        {"python3", "python3 -c 'import sys, wave; print(wave.open(sys.argv[1]).getnframes())' '" + path + "'"},
    };
    for (const auto& reader : readers) {
        SCOPED_TRACE(reader.tool);
        if (!ToolOnPath(reader.tool)) continue;
        const std::optional<std::string> frames = FirstLineOf(reader.command);
        ASSERT_TRUE(frames);
        EXPECT_EQ(std::atoi(frames->c_str()), 101) << *frames;
    }
}

}  // namespace
