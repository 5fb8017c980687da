#include "filekit/file_obj.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "filekit/errors.h"
#include "platform/last_error.h"
#include "testsupport/temp_dir.h"

namespace {

// 200 bytes whose value is their offset modulo 256.
std::string Counting(int n) {
    std::string bytes;
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<char>(i & 0xff));
    return bytes;
}

class FileObjTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("data.bin");
        testsupport::WriteWholeFile(path_, Counting(200));
    }
    testsupport::TempDir dir_;
    std::string path_;
};

}  // namespace

TEST_F(FileObjTest, ReadStopsAtTheEndOfTheFile) {
    CFileObj file;
    ASSERT_EQ(file.Open(path_.c_str(), 0, 0), 1);
    EXPECT_EQ(file.WriteMode(), 0);
    EXPECT_EQ(file.Size(), 200);
    char buf[64];
    ASSERT_EQ(file.Seek(190, 0), 1);
    EXPECT_EQ(file.Read(buf, 64), 10) << "a read across the end gets the remaining bytes";
    EXPECT_EQ(buf[9], static_cast<char>(199));
    EXPECT_EQ(file.Read(buf, 64), 0);
    EXPECT_EQ(file.Read(buf, -1), 0);
}

TEST_F(FileObjTest, OriginBecomesPositionZero) {
    CFileObj file;
    ASSERT_EQ(file.Open(path_.c_str(), 100, 0), 1);
    EXPECT_EQ(file.Tell(), 0);
    EXPECT_EQ(file.Size(), 100);
    unsigned char byte = 0;
    ASSERT_EQ(file.Read(&byte, 1), 1);
    EXPECT_EQ(byte, 100);
    ASSERT_EQ(file.Seek(0, 0), 1);
    EXPECT_EQ(file.Tell(), 0);
    ASSERT_EQ(file.Seek(5, 1), 1);
    EXPECT_EQ(file.Tell(), 5);

    SetLastError(12345);
    EXPECT_EQ(file.Seek(-10, 2), 0) << "seeks from the end refuse a nonzero origin";
    EXPECT_EQ(GetLastError(), 12345u) << "...without an error code";
    EXPECT_EQ(file.Tell(), 5);
}

TEST_F(FileObjTest, SeekOutOfRangeFailsWithTheSeekCode) {
    CFileObj file;
    ASSERT_EQ(file.Open(path_.c_str(), 0, 0), 1);
    const struct {
        std::int64_t offset;
        int whence;
        int result;
        std::int64_t tellAfter;
    } cases[] = {
        {201, 0, 0, 0},  {201, 2, 0, 0},   {-1, 0, 0, 0},  {-5, 2, 1, 195},
        {200, 0, 1, 200}, {-300, 1, 0, 200}, {-250, 2, 0, 200}, {7, 99, 0, 200},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(file.Seek(c.offset, c.whence), c.result) << c.offset << "," << c.whence;
        EXPECT_EQ(GetLastError(), c.result ? 0u : FILEKIT_ERR_SEEK) << c.offset << "," << c.whence;
        EXPECT_EQ(file.Tell(), c.tellAfter) << c.offset << "," << c.whence;
    }
}

TEST_F(FileObjTest, LoopModeWrapsRelativeSeeks) {
    CFileObj file;
    ASSERT_EQ(file.Open(path_.c_str(), 0, 0), 1);
    file.SetDataMode(CRefObj::kLoopData);
    ASSERT_EQ(file.Seek(150, 0), 1);
    EXPECT_EQ(file.Seek(230, 1), 1);
    EXPECT_EQ(file.Tell(), 30) << "offset past the size wraps to offset - size from the start";
    EXPECT_EQ(file.Seek(-40, 1), 1);
    EXPECT_EQ(file.Tell(), 190) << "before the start wraps to a seek from the end";
}

TEST_F(FileObjTest, ClosedStreamFailsEveryOperation) {
    CFileObj file;
    char buf[8] = {};
    EXPECT_EQ(file.IsOpen(), 0);
    EXPECT_EQ(file.Read(buf, 8), 0);
    EXPECT_EQ(file.Write(buf, 8), 0);
    EXPECT_EQ(file.Seek(0, 0), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_SEEK);
    EXPECT_EQ(file.SeekToData(0), 0);
    EXPECT_EQ(file.ReadData(buf, 8), 0);
    EXPECT_EQ(file.WriteData(buf, 8, 1), -1);
    EXPECT_EQ(file.ReadNextString(buf, 7), 0);
    EXPECT_EQ(file.DataSize(), -1);
}

TEST_F(FileObjTest, OpenFailuresLeaveTheStreamClosed) {
    CFileObj file;
    EXPECT_EQ(file.Open(dir_.File("missing").c_str(), 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(file.Open(dir_.Path().c_str(), 0, 0), 0) << "a folder is not a file";
    EXPECT_EQ(file.Open(nullptr, 0, 0), 0);
    EXPECT_EQ(file.Create(dir_.File("no/such/folder").c_str()), 0);
    EXPECT_EQ(file.IsOpen(), 0);
}

TEST_F(FileObjTest, WritesAreOnDiskAtOnceAndMixWithReads) {
    const std::string path = dir_.File("new.bin");
    CFileObj file;
    ASSERT_EQ(file.Create(path.c_str()), 1);
    EXPECT_EQ(file.WriteMode(), 1);
    ASSERT_EQ(file.Write("0123456789", 10), 10);
    EXPECT_EQ(testsupport::ReadWholeFile(path), "0123456789") << "flushed by the write";

    ASSERT_EQ(file.Seek(2, 0), 1);
    char buf[4] = {};
    ASSERT_EQ(file.Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "234");
    ASSERT_EQ(file.Write("xy", 2), 2) << "a write straight after a read lands at the position";
    ASSERT_EQ(file.Read(buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "78");
    ASSERT_EQ(file.Seek(0, 2), 1);
    ASSERT_EQ(file.Write("END", 3), 3);
    EXPECT_EQ(file.Size(), 13);
    EXPECT_EQ(testsupport::ReadWholeFile(path), "01234xy789END");
}

TEST_F(FileObjTest, CopyReopensReadOnlyWithTheSameWindow) {
    CFileObj file;
    ASSERT_EQ(file.Open(path_.c_str(), 50, 1), 1);
    ASSERT_EQ(file.SetDataOffsets(10, 30), 1);
    file.SetDataMode(CRefObj::kLoopData);
    ASSERT_EQ(file.Seek(20, 0), 1);

    CRefObj* copy = file.Copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Tell(), 0);
    EXPECT_EQ(copy->Size(), 150);
    EXPECT_EQ(copy->WriteMode(), 0);
    EXPECT_EQ(copy->DataMode(), 0);
    EXPECT_EQ(copy->GetDataStart(), 10);
    EXPECT_EQ(copy->GetDataEnd(), 30);
    unsigned char byte = 0;
    ASSERT_EQ(copy->Read(&byte, 1), 1);
    EXPECT_EQ(byte, 50);
    EXPECT_EQ(copy->WriteData("z", 1, 1), -1) << "copies are read-only";
    DeleteRefObject(&copy);

    CFileObj closed;
    CRefObj* none = closed.Copy();
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_COPY_REOPEN);
}

// Copies reopen the file by its path: once the file is deleted, both ways of
// copying fail with the reopen code and leave nothing open.
TEST_F(FileObjTest, CopyOfAFileDeletedMeanwhileFails) {
    CFileObj file;
    ASSERT_EQ(file.Open(path_.c_str(), 0, 1), 1);
    ASSERT_EQ(std::remove(path_.c_str()), 0);
    SetLastError(0);
    EXPECT_EQ(file.Copy(), nullptr);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_COPY_REOPEN);
    SetLastError(0);
    CFileObj constructed(file);
    EXPECT_EQ(constructed.IsOpen(), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_COPY_REOPEN);
}

TEST_F(FileObjTest, SetDataOffsetsRefusesAnEmptyWindowAndClearsTheErrorOnSuccess) {
    CFileObj file;
    ASSERT_EQ(file.Open(path_.c_str(), 20, 1), 1);
    SetLastError(FILEKIT_ERR_SEEK);
    EXPECT_EQ(file.SetDataOffsets(7, 7), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_SEEK) << "a refusal sets no code of its own";
    EXPECT_EQ(file.SetDataOffsets(5, 25), 1);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(file.DataSize(), 20);
}

TEST_F(FileObjTest, PathIsKeptAndCopiedWithinBounds) {
    CFileObj file;
    ASSERT_EQ(file.Open(path_.c_str(), 0, 0), 1);
    EXPECT_EQ(std::string(file.FilePath()), path_);
    char fits[512];
    file.GetFilePath(fits, sizeof(fits));
    EXPECT_EQ(std::string(fits), path_);
    char tooSmall[4] = {'x', 'x', 'x', 'x'};
    file.GetFilePath(tooSmall, sizeof(tooSmall));
    EXPECT_EQ(tooSmall[0], '\0');
}
