// CD-audio track files.
#include "tonecore/tags/cda_file.h"

#include <gtest/gtest.h>

#include <string>

#include "filekit/tests/chunk_builder.h"
#include "testsupport/temp_dir.h"

namespace {

using chunk_builder::Chunk;
using chunk_builder::Le32;
using chunk_builder::Riff;

// The 24-byte track record: version, track, serial, start and length in
// sectors, then start and length as frame, second, minute and a spare byte.
std::string Record(int track, std::string startMsf, std::string lengthMsf) {
    return std::string("\1\0", 2) + static_cast<char>(track) + '\0' + Le32(0xCAFE) + Le32(11325) + Le32(20000) +
           startMsf + '\0' + lengthMsf + '\0';
}

TEST(CdaFile, TrackNumberAndTimes) {
    testsupport::TempDir dir;
    const std::string path = dir.File("Track05.cda");
    const std::string file = Riff("CDDA", {Chunk("fmt ", Record(5, {74, 30, 2}, {10, 5, 4}))});
    ASSERT_EQ(file.size(), 44u);
    testsupport::WriteWholeFile(path, file);

    CCDAParser parser;
    EXPECT_EQ(parser.ValidData(), 0);
    ASSERT_NE(parser.Parse(path.c_str()), 0);
    EXPECT_EQ(parser.ValidData(), 1);
    EXPECT_EQ(parser.TrackNum(), 5);
    EXPECT_EQ(parser.TrackOffset(), 150986);  // 2:30 and 74/75 s, truncated
    EXPECT_EQ(parser.TrackLength(), 245133);  // 4:05 and 10/75 s
    EXPECT_EQ(parser.Record().startSectors, 11325u);

    // Another form leaves the parser as it was.
    testsupport::WriteWholeFile(path, Riff("WAVE", {Chunk("fmt ", Record(9, {0, 0, 0}, {0, 0, 0}))}));
    EXPECT_EQ(parser.Parse(path.c_str()), 0);
    EXPECT_EQ(parser.ValidData(), 1);
    EXPECT_EQ(parser.TrackNum(), 5);

    // So does a form without a "fmt " chunk; a short one clears the flag.
    testsupport::WriteWholeFile(path, Riff("CDDA", {Chunk("data", Record(9, {0, 0, 0}, {0, 0, 0}))}));
    EXPECT_EQ(parser.Parse(path.c_str()), 0);
    EXPECT_EQ(parser.ValidData(), 1);
    testsupport::WriteWholeFile(path, Riff("CDDA", {Chunk("fmt ", Record(9, {0, 0, 0}, {0, 0, 0}).substr(0, 20))}));
    EXPECT_EQ(parser.Parse(path.c_str()), 0);
    EXPECT_EQ(parser.ValidData(), 0);

    EXPECT_EQ(parser.Parse(dir.File("missing.cda").c_str()), 0);
    EXPECT_EQ(parser.Parse(static_cast<CRefObj*>(nullptr)), 0);
}

}  // namespace
