#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/mem_obj.h"
#include "testsupport/temp_dir.h"

namespace {

std::vector<std::string> AllLines(CRefObj& stream, std::int64_t len) {
    std::vector<std::string> lines;
    std::vector<char> buf(static_cast<std::size_t>(len) + 1);
    for (int guard = 0; guard < 1000; ++guard) {
        const std::int64_t n = stream.ReadNextString(buf.data(), len);
        EXPECT_EQ(static_cast<std::size_t>(n), std::string(buf.data()).size());
        if (n == 0) break;
        lines.emplace_back(buf.data());
    }
    return lines;
}

struct LineCase {
    const char* name;
    std::string text;
    std::int64_t len;
    std::vector<std::string> lines;
};

std::vector<LineCase> Cases() {
    const std::string pieceMinusOne(1023, 'x');
    const std::string longLine(3000, 'L');
    return {
        {"crlf with an empty line", "ab\r\n\r\ncd", 100, {"ab", "cd"}},
        {"lf, cr and mixed ends", "one\ntwo\rthree\r\n\n\rfour", 100, {"one", "two", "three", "four"}},
        {"leading breaks", "\r\n\nfirst\r\n", 100, {"first"}},
        {"only breaks", "\r\n\r\n\n", 100, {}},
        {"crlf split over the piece boundary", pieceMinusOne + "\r\nsecond", 2000,
         {pieceMinusOne, "second"}},
        {"break as the last byte of a piece", pieceMinusOne + "\n\nnext\n", 2000,
         {pieceMinusOne, "next"}},
        {"cut line leaves the stream after it", "abcdefgh\nij\r\nkl", 3, {"abc", "ij", "kl"}},
        {"cut line longer than a piece", longLine + "\r\nnext", 10, {std::string(10, 'L'), "next"}},
        {"line spanning pieces", longLine + "\nz", 4000, {longLine, "z"}},
    };
}

}  // namespace

TEST(ReadNextString, LinesFromMemoryAndFileStreams) {
    testsupport::TempDir dir;
    for (const LineCase& c : Cases()) {
        CMemObj mem;
        ASSERT_EQ(mem.Open(reinterpret_cast<const unsigned char*>(c.text.data()),
                           static_cast<std::int64_t>(c.text.size())),
                  1);
        EXPECT_EQ(AllLines(mem, c.len), c.lines) << c.name << " (memory)";

        // A file opened at an origin must give the same lines.
        const std::string path = dir.File("lines.txt");
        testsupport::WriteWholeFile(path, "HEADER" + c.text);
        CFileObj file;
        ASSERT_EQ(file.Open(path.c_str(), 6, 0), 1);
        EXPECT_EQ(AllLines(file, c.len), c.lines) << c.name << " (file)";
    }
}

TEST(ReadNextString, EndAndZeroLengthGiveEmptyText) {
    CMemObj mem;
    const unsigned char text[] = {'a', 'b'};
    ASSERT_EQ(mem.Open(text, 2), 1);
    char buf[8] = {'?', '?'};
    EXPECT_EQ(mem.ReadNextString(buf, 0), 0);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(mem.ReadNextString(buf, 7), 2);
    EXPECT_EQ(mem.ReadNextString(buf, 7), 0);
    EXPECT_EQ(std::string(buf), "");
}
