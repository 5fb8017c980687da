// The MP3 converter's tags: room reserved before the audio, and the tags
// written into the finished file without touching the audio.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "filekit/file_obj.h"
#include "testsupport/temp_dir.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/tags/id3_tag.h"
#include "tonecore/tags/id3v1.h"
#include "tonecore/convert/lame_conv2mp3.h"
#include "tonecore/tags/tests/id3_test_bytes.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

namespace {

// Stands in for MP3 frames: the tags must leave these bytes as they are.
const std::string kAudio = [] {
    std::string audio;
    for (int i = 0; i < 5000; ++i) audio += static_cast<char>(0xFF - i % 7);
    return audio;
}();

class Conv2MP3Tag : public ::testing::Test {
protected:
    Conv2MP3Tag() : conv_(new CLameConv2MP3()) {}
    ~Conv2MP3Tag() override { DeleteRefObject(&conv_); }

    // Sets the converter's tag type as fitting a target does.
    void UseTagType(std::int32_t tagType) {
        CConv2FileFormat wanted(WAVE_FORMAT_MPEGLAYER3);
        wanted.usePreset = 0;
        wanted.tagType = tagType;
        CConv2FileFormat target(WAVE_FORMAT_MPEGLAYER3);
        const WAVEFORMATEX source = pcmtest::Pcm(44100, 2, 16);
        conv_->GetTargetFormat(&target, &wanted, &source, nullptr, nullptr);
    }

    // The v2 tag at the start of the file, read back.
    static TMusicInfo ReadV2(const std::string& path, CId3TagV2* tag) {
        CFileObj file;
        EXPECT_EQ(file.Open(path.c_str(), 0, 0), 1);
        EXPECT_TRUE(tag->Read(&file, 0));
        TMusicInfo info;
        EXPECT_TRUE(tag->GetMusicInfo(&info));
        return info;
    }

    // A new file as the converter makes it: the reserved tag, then the audio.
    void WriteReservedFile(const std::string& path) {
        ASSERT_EQ(conv_->Create(path.c_str()), 1);
        ASSERT_EQ(conv_->ReserveTagSpace(), 2058);
        const auto bytes = static_cast<std::int64_t>(kAudio.size());
        ASSERT_EQ(conv_->Write(kAudio.data(), bytes), bytes);
        conv_->Close();
    }

    static CId3Tag ReadV1(const std::string& file) {
        CId3Tag v1;
        EXPECT_EQ(v1.loadTag(file.data() + file.size() - kId3v1Bytes), 1);
        return v1;
    }

    testsupport::TempDir dir_;
    CLameConv2MP3* conv_;
};

TEST_F(Conv2MP3Tag, NoTagTypeWritesNothingAndOpensNothing) {
    UseTagType(TAG_TYPE_NONE);
    EXPECT_EQ(conv_->ReserveTagSpace(), 0);
    EXPECT_EQ(conv_->WriteTag(dir_.File("absent.mp3").c_str(), "", nullptr, nullptr), 0);
    EXPECT_EQ(conv_->IsOpen(), 0);
}

TEST_F(Conv2MP3Tag, AnId3v1BlockIsReplacedNotAppended) {
    UseTagType(TAG_TYPE_ID3V1);
    EXPECT_EQ(conv_->TagReserve(), 128);
    const std::string path = dir_.File("Song Name.mp3");
    testsupport::WriteWholeFile(path, kAudio);
    TMusicInfo info;
    std::strcpy(info.artist, "First Artist");
    info.trackNumber = 4;
    info.year = 1999;
    EXPECT_EQ(conv_->WriteTag(path.c_str(), "Encoder 1.0", &info, nullptr), 128);
    std::string file = testsupport::ReadWholeFile(path);
    ASSERT_EQ(file.size(), kAudio.size() + 128);
    EXPECT_EQ(file.substr(0, kAudio.size()), kAudio);
    CId3Tag v1 = ReadV1(file);
    EXPECT_STREQ(v1.TitleString(), "Song Name") << "the file name stands in for a missing title";
    EXPECT_STREQ(v1.ArtistString(), "First Artist");
    EXPECT_EQ(v1.getTrackNumber(), 4);
    EXPECT_EQ(v1.getYear(), 1999);
    EXPECT_EQ(info.title[0], '\0') << "the caller's record is left as it was";

    std::strcpy(info.artist, "Second Artist");
    EXPECT_EQ(conv_->WriteTag(path.c_str(), "", &info, nullptr), 128);
    file = testsupport::ReadWholeFile(path);
    ASSERT_EQ(file.size(), kAudio.size() + 128) << "one block, however often the tag is written";
    EXPECT_STREQ(ReadV1(file).ArtistString(), "Second Artist");
}

TEST_F(Conv2MP3Tag, TheV2TagTakesTheReservedRoomAndKeepsTheAudio) {
    UseTagType(TAG_TYPE_ID3V2);
    const std::string path = dir_.File("reserved.mp3");
    WriteReservedFile(path);

    TMusicInfo info;
    std::strcpy(info.title, "A Title");
    std::strcpy(info.album, "An Album");
    EXPECT_EQ(conv_->WriteTag(path.c_str(), "Encoder 2.0", &info, nullptr), 2058 + 128);
    const std::string file = testsupport::ReadWholeFile(path);
    ASSERT_EQ(file.size(), 2058 + kAudio.size() + 128);
    EXPECT_EQ(file.substr(2058, kAudio.size()), kAudio);
    CId3TagV2 tag;
    const TMusicInfo back = ReadV2(path, &tag);
    EXPECT_STREQ(back.title, "A Title");
    EXPECT_STREQ(back.album, "An Album");
    EXPECT_STREQ(back.encodedBy, "Encoder 2.0") << "the text given names the encoder";
    EXPECT_STREQ(ReadV1(file).AlbumString(), "An Album");
}

TEST_F(Conv2MP3Tag, ALargerTagMovesTheAudioInsteadOfOverwritingIt) {
    UseTagType(TAG_TYPE_ID3V2);
    const std::string path = dir_.File("grown.mp3");
    WriteReservedFile(path);
    TMusicInfo info;
    for (char* field : {info.title, info.artist, info.album, info.comment}) {
        std::memset(field, 'x', TMusicInfo::kTextChars - 1);
    }
    const std::int64_t written = conv_->WriteTag(path.c_str(), "", &info, nullptr);
    ASSERT_GT(written, 2058 + 128);
    const std::string file = testsupport::ReadWholeFile(path);
    ASSERT_EQ(file.size(), static_cast<std::size_t>(written) + kAudio.size());
    EXPECT_EQ(file.substr(static_cast<std::size_t>(written) - 128, kAudio.size()), kAudio);

    // A file without any tag gets one in front of its audio.
    const std::string bare = dir_.File("bare.mp3");
    testsupport::WriteWholeFile(bare, kAudio);
    const std::int64_t bareWritten = conv_->WriteTag(bare.c_str(), "", nullptr, nullptr);
    ASSERT_EQ(bareWritten, 2058 + 128);
    EXPECT_EQ(testsupport::ReadWholeFile(bare).substr(2058, kAudio.size()), kAudio);
}

TEST_F(Conv2MP3Tag, FramesTheEngineDoesNotKnowAreCarriedOver) {
    UseTagType(TAG_TYPE_ID3V2);
    using namespace id3test;
    const std::string sourcePath = dir_.File("source.mp3");
    const std::string privateFrame = Frame23("PRIV", std::string("owner\0data", 10));
    testsupport::WriteWholeFile(sourcePath, Tag(3, Frame23("TIT2", Latin1("Old")) + privateFrame, 512) + kAudio);
    CFileObj source;
    ASSERT_EQ(source.Open(sourcePath.c_str(), 0, 0), 1);

    const std::string path = dir_.File("copy.mp3");
    testsupport::WriteWholeFile(path, kAudio);
    TMusicInfo info;
    info.tagType = TAG_TYPE_ID3V2;
    std::strcpy(info.title, "New");
    ASSERT_GT(conv_->WriteTag(path.c_str(), "", &info, &source), 0);
    CId3TagV2 tag;
    const TMusicInfo back = ReadV2(path, &tag);
    EXPECT_STREQ(back.title, "New");
    std::uint32_t offset = 0, size = 0;
    ASSERT_TRUE(tag.FindFrame("PRIV", &offset, &size));
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag.Data()) + offset + 10, size), "owner" + std::string(1, '\0') + "data");
}

}  // namespace
