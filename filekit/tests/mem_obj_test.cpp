#include "filekit/mem_obj.h"

#include <gtest/gtest.h>

#include <list>
#include <string>

TEST(MemObj, WritePastTheEndAddsOneBlockForTheRest) {
    CMemObj mem;
    ASSERT_EQ(mem.Create(), 1);
    EXPECT_EQ(mem.WriteMode(), 1);
    EXPECT_EQ(mem.Type(), CMemObj::kMemory);
    const std::string hundred(100, 'a');
    const std::string fifty(50, 'b');
    ASSERT_EQ(mem.Write(hundred.data(), 100), 100);
    ASSERT_EQ(mem.Seek(80, 0), 1);
    ASSERT_EQ(mem.Write(fifty.data(), 50), 50);
    EXPECT_EQ(mem.Tell(), 130);
    EXPECT_EQ(mem.Size(), 130);
    EXPECT_EQ(mem.BlockSizes(), (std::list<std::int64_t>{100, 30}));

    char back[130];
    ASSERT_EQ(mem.Seek(0, 0), 1);
    ASSERT_EQ(mem.Read(back, 200), 130) << "reads stop at the end of the blocks";
    EXPECT_EQ(std::string(back, 130), std::string(80, 'a') + fifty);
}

TEST(MemObj, SeekKeepsAnyPositionButReportsRange) {
    CMemObj mem;
    const unsigned char bytes[] = {1, 2, 3, 4};
    ASSERT_EQ(mem.Open(bytes, 4), 1);
    EXPECT_EQ(mem.Seek(5, 0), 0);
    EXPECT_EQ(mem.Tell(), 5);
    EXPECT_EQ(mem.Seek(-1, 2), 1);
    EXPECT_EQ(mem.Tell(), 3);
    EXPECT_EQ(mem.Seek(-10, 1), 0);
    EXPECT_EQ(mem.Tell(), -7);

    char buf[4];
    EXPECT_EQ(mem.Read(buf, 4), 0) << "no read before the first block";
    mem.SetWriteMode(1);
    EXPECT_EQ(mem.Write("x", 1), 0) << "no write before the first block";
}

TEST(MemObj, WriteAfterAFailedSeekZeroFillsTheGap) {
    CMemObj mem;
    ASSERT_EQ(mem.Create(), 1);
    ASSERT_EQ(mem.Write("abcd", 4), 4);
    EXPECT_EQ(mem.Seek(10, 0), 0);
    ASSERT_EQ(mem.Write("z", 1), 1);
    EXPECT_EQ(mem.Size(), 11);
    EXPECT_EQ(mem.BlockSizes(), (std::list<std::int64_t>{4, 7}));
    char back[11];
    ASSERT_EQ(mem.Seek(0, 0), 1);
    ASSERT_EQ(mem.Read(back, 11), 11);
    EXPECT_EQ(std::string(back, 11), std::string("abcd\0\0\0\0\0\0z", 11));
}

TEST(MemObj, SetDataOffsetsTakesEachEndOnlyWhenInRange) {
    CMemObj mem;
    const unsigned char bytes[10] = {};
    ASSERT_EQ(mem.Open(bytes, 10), 1);
    EXPECT_EQ(mem.SetDataOffsets(0, 11), 0);
    EXPECT_EQ(mem.GetDataStart(), 0) << "the start is taken although the end is refused";
    EXPECT_EQ(mem.GetDataEnd(), -1);
    EXPECT_EQ(mem.SetDataOffsets(3, 3), 0);
    EXPECT_EQ(mem.SetDataOffsets(2, 8), 1);
    EXPECT_EQ(mem.DataSize(), 6);
}

TEST(MemObj, CopyIsReadOnlyAndStartsAtZero) {
    CMemObj mem;
    ASSERT_EQ(mem.Create(), 1);
    mem.SetName("loop");
    ASSERT_EQ(mem.Write("hello ", 6), 6);
    ASSERT_EQ(mem.Write("world", 5), 5);
    ASSERT_EQ(mem.SetDataOffsets(0, 5), 1);

    CRefObj* copy = mem.Copy();
    ASSERT_NE(copy, nullptr);
    auto* memCopy = static_cast<CMemObj*>(copy);
    EXPECT_EQ(copy->Tell(), 0);
    EXPECT_EQ(copy->WriteMode(), 0);
    EXPECT_EQ(copy->GetDataEnd(), 5);
    EXPECT_EQ(memCopy->Name(), "loop");
    EXPECT_EQ(memCopy->BlockSizes().size(), 1u);
    char back[11];
    ASSERT_EQ(copy->Read(back, 11), 11);
    EXPECT_EQ(std::string(back, 11), "hello world");
    EXPECT_EQ(copy->WriteData("x", 1, 0), -1);
    DeleteRefObject(&copy);
}

TEST(MemObj, NamesAreCutOnACharacterBoundary) {
    // 254 ASCII bytes then a two-byte character: the character would end at
    // byte 256, so it is dropped whole.
    const std::string e = "\xc3\xa9";
    const struct {
        std::string name;
        std::string kept;
    } cases[] = {
        {std::string(254, 'a') + e, std::string(254, 'a')},
        {std::string(253, 'a') + e + "z", std::string(253, 'a') + e},
        {std::string(300, 'a'), std::string(255, 'a')},
        {"short " + e, "short " + e},
    };
    for (const auto& c : cases) {
        CMemObj mem;
        mem.SetName(c.name);
        EXPECT_EQ(mem.Name(), c.kept) << c.name.size();
    }
}

TEST(MemObj, CloseFreesTheBlocksButKeepsTheState) {
    CMemObj mem;
    ASSERT_EQ(mem.Create(), 1);
    ASSERT_EQ(mem.Write("abc", 3), 3);
    mem.Close();
    EXPECT_EQ(mem.IsOpen(), 1);
    EXPECT_EQ(mem.Size(), 3);
    EXPECT_EQ(mem.Tell(), 3);
    EXPECT_TRUE(mem.BlockSizes().empty());
    char buf[3];
    ASSERT_EQ(mem.Seek(0, 0), 1);
    EXPECT_EQ(mem.Read(buf, 3), 0);
}

TEST(MemObj, NeverOpenedStreamRefusesWrites) {
    CMemObj mem;
    EXPECT_EQ(mem.IsOpen(), 0);
    EXPECT_EQ(mem.Write("abc", 3), 0);
    EXPECT_TRUE(mem.BlockSizes().empty());
    EXPECT_EQ(mem.Open(nullptr, 5), 0);
}
