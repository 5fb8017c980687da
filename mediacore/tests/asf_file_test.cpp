// Reading a song's ASF header from disk: the size field is the file's word,
// so the file's length and a fixed cap decide how much is read and kept.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "mediacore/asf_file.h"
#include "mediacore/errors.h"
#include "mediacore/tests/asf_builder.h"
#include "testsupport/temp_dir.h"

namespace {

using namespace asftest;

// A file that starts with a Header Object head claiming claimedSize bytes
// and is fileSize bytes long (a sparse file: the tail takes no disk).
std::string FileWithClaim(const testsupport::TempDir& dir, std::uint64_t claimedSize, std::uint64_t fileSize) {
    Buffer head;
    AppendGuid(head, ASF_Header_Object);
    AppendU64(head, claimedSize);
    AppendU32(head, 0);
    head.push_back(1);
    head.push_back(2);
    const std::string path = dir.File("claim.wma");
    testsupport::WriteWholeFile(path, std::string(head.begin(), head.end()));
    std::filesystem::resize_file(path, fileSize);
    return path;
}

}  // namespace

TEST(AsfFile, TheHeaderSizeIsBoundByTheFileAndTheCap) {
    testsupport::TempDir dir;
    struct Case {
        const char* what;
        std::uint64_t claimed;
        std::uint64_t fileSize;
        HRESULT result;
    };
    const Case cases[] = {
        {"a header as long as the file", 4096, 4096, S_OK},
        {"a header beyond the file's end", 4097, 4096, MEDIACORE_E_BAD_HEADER},
        {"a header shorter than its own head", 29, 4096, MEDIACORE_E_BAD_HEADER},
        // A 600 MB file whose header claims all of it, and one just past the
        // cap: refused before anything is allocated or read.
        {"a header claiming a 600 MB file", 600'000'000, 600'000'000, MEDIACORE_E_BAD_HEADER},
        {"a header one byte past the cap", kMaxAsfHeaderBytes + 1, kMaxAsfHeaderBytes + 1, MEDIACORE_E_BAD_HEADER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = FileWithClaim(dir, c.claimed, c.fileSize);
        std::vector<std::uint8_t> header;
        std::uint64_t fileSize = 0;
        EXPECT_EQ(ReadAsfHeaderBytes(path, header, fileSize), c.result);
        if (c.result == S_OK) {
            EXPECT_EQ(header.size(), c.claimed);
            EXPECT_EQ(fileSize, c.fileSize);
        } else {
            EXPECT_LT(header.capacity(), 1024u * 1024u);
        }
    }
}
