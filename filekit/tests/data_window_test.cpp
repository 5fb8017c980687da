// The data window behaves the same on file and memory streams.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "filekit/file_obj.h"
#include "filekit/mem_obj.h"
#include "testsupport/temp_dir.h"

namespace {

// 40 bytes "0123456789" four times; the window is bytes 10 to 20.
const std::string kContent = "0123456789012345678901234567890123456789";

struct FileStream {
    testsupport::TempDir dir;
    CFileObj* stream = new CFileObj();
    explicit FileStream(std::int64_t origin = 0) {
        const std::string path = dir.File("w.bin");
        testsupport::WriteWholeFile(path, std::string(static_cast<std::size_t>(origin), '#') + kContent);
        stream->Open(path.c_str(), origin, 1);
    }
    ~FileStream() { DeleteRefObject(&stream); }
};

struct MemStream {
    CMemObj* stream = new CMemObj();
    MemStream() {
        stream->Open(reinterpret_cast<const unsigned char*>(kContent.data()),
                     static_cast<std::int64_t>(kContent.size()));
        stream->SetWriteMode(1);
    }
    ~MemStream() { DeleteRefObject(&stream); }
};

template <typename Holder>
class DataWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(s()->SetDataOffsets(10, 20), 1); }
    CRefObj* s() { return holder_.stream; }
    std::string ReadData(std::int64_t n) {
        std::string out(static_cast<std::size_t>(n), '\0');
        out.resize(static_cast<std::size_t>(s()->ReadData(out.data(), n)));
        return out;
    }
    Holder holder_;
};

using StreamKinds = ::testing::Types<FileStream, MemStream>;
TYPED_TEST_SUITE(DataWindowTest, StreamKinds);

}  // namespace

TYPED_TEST(DataWindowTest, LoopedReadRepeatsTheWindow) {
    this->s()->SetDataMode(CRefObj::kLoopData);
    ASSERT_EQ(this->s()->SeekToData(0), 1);
    EXPECT_EQ(this->ReadData(25), "0123456789012345678901234");
}

TYPED_TEST(DataWindowTest, SingleReadStopsAtTheWindowEnd) {
    ASSERT_EQ(this->s()->SeekToData(6), 1);
    EXPECT_EQ(this->ReadData(25), "6789");
    EXPECT_EQ(this->ReadData(25), "");
}

TYPED_TEST(DataWindowTest, SeekToDataWrapsAndHonoursTheVirtualStart) {
    const struct {
        std::int64_t virtualStart;
        std::int64_t offset;
        std::int64_t tell;
    } cases[] = {{0, 13, 13}, {2, 13, 15}, {0, -1, 19}, {2, -23, 19}, {0, 10, 10}};
    for (const auto& c : cases) {
        ASSERT_EQ(this->s()->SetVirtualStart(c.virtualStart), 1);
        ASSERT_EQ(this->s()->SeekToData(c.offset), 1) << c.offset;
        EXPECT_EQ(this->s()->Tell(), c.tell) << c.virtualStart << "," << c.offset;
    }
}

TYPED_TEST(DataWindowTest, VirtualStartOutsideTheWindowIsRefused) {
    ASSERT_EQ(this->s()->SetVirtualStart(4), 1);
    EXPECT_EQ(this->s()->SetVirtualStart(-1), 0);
    EXPECT_EQ(this->s()->SetVirtualStart(11), 0);
    EXPECT_EQ(this->s()->GetVirtualStart(), 4);
    EXPECT_EQ(this->s()->SetVirtualStart(10), 1);
}

TYPED_TEST(DataWindowTest, WriteDataOverwritesInsideOrAppendsAtTheEnd) {
    ASSERT_EQ(this->s()->SeekToData(8), 1);
    EXPECT_EQ(this->s()->WriteData("abcd", 4, 0), 2) << "an overwrite stays inside the window";
    EXPECT_EQ(this->s()->WriteData("XYZ", 3, 1), 3);
    EXPECT_EQ(this->s()->GetDataEnd(), 23);
    ASSERT_EQ(this->s()->Seek(16, 0), 1);
    char back[8];
    ASSERT_EQ(this->s()->Read(back, 8), 8);
    EXPECT_EQ(std::string(back, 8), "67abXYZ3");

    this->s()->SetWriteMode(0);
    EXPECT_EQ(this->s()->WriteData("q", 1, 1), -1);
}

TYPED_TEST(DataWindowTest, OffsetsNearTheLimitsAreRefusedNotWrapped) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    // Window offsets wrap by the window size, whatever their magnitude:
    // kMax - 1 is 6 and kMin is 2 (mod 10), plus the virtual start 5.
    ASSERT_EQ(this->s()->SetVirtualStart(5), 1);
    ASSERT_EQ(this->s()->SeekToData(kMax - 1), 1);
    EXPECT_EQ(this->s()->Tell(), 11);
    ASSERT_EQ(this->s()->SeekToData(kMin), 1);
    EXPECT_EQ(this->s()->Tell(), 17);

    const struct {
        std::int64_t offset;
        int whence;
    } seeks[] = {{kMax, 0}, {kMax - 1, 1}, {kMax, 1}, {kMax, 2}, {kMin, 1}, {kMin, 0}};
    char buf[8] = {};
    for (const auto& c : seeks) {
        ASSERT_EQ(this->s()->Seek(4, 0), 1);
        EXPECT_EQ(this->s()->Seek(c.offset, c.whence), 0) << c.offset << "," << c.whence;
        // A refused seek stays put or leaves a position out of range, from
        // which no transfer runs.
        const std::int64_t at = this->s()->Tell();
        if (at == 4) continue;
        EXPECT_LE(this->s()->Read(buf, 8), 0) << at;
        EXPECT_LE(this->s()->Write("abcdefgh", 8), 0) << at;
        EXPECT_LE(this->s()->ReadData(buf, 8), 0) << at;
        EXPECT_LE(this->s()->WriteData("abcdefgh", 8, 0), 0) << at;
    }
    ASSERT_EQ(this->s()->Seek(-3, 2), 1);
    EXPECT_EQ(this->s()->Read(buf, kMax), 3) << "a length beyond every size";
    EXPECT_EQ(this->s()->Size(), 40);
}

TEST(DataWindow, WithoutAWindowSeekToDataFails) {
    FileStream file;
    EXPECT_EQ(file.stream->DataSize(), -1);
    EXPECT_EQ(file.stream->SeekToData(3), 0);
    MemStream mem;
    EXPECT_EQ(mem.stream->SeekToData(3), 0);
    char buf[4];
    mem.stream->SetDataMode(CRefObj::kLoopData);
    EXPECT_EQ(mem.stream->ReadData(buf, 4), 0);
}

TEST(DataWindow, FileWindowCountsFromTheOrigin) {
    FileStream file(100);
    ASSERT_EQ(file.stream->SetDataOffsets(10, 20), 1);
    EXPECT_EQ(file.stream->GetDataStart(), 10);
    ASSERT_EQ(file.stream->SeekToData(0), 1);
    EXPECT_EQ(file.stream->Tell(), 10);
    char buf[3];
    ASSERT_EQ(file.stream->ReadData(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "012");
    EXPECT_EQ(file.stream->Seek(std::numeric_limits<std::int64_t>::max() - 50, 0), 0)
        << "the origin added to an offset near the limit";
}
