// The file output module: its information, the exact bytes of each format
// (headers, sample order, sizes rewritten at the end), open failures, the
// temporary name until close, and whole streams played into WAV files.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <string>
#include <vector>

#include "testsupport/temp_dir.h"
#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/decoder_output.h"
#include "tonecore/mpeg/file_output.h"
#include "tonecore/mpeg/tests/decoder_test_support.h"
#include "tonecore/mpeg/tests/play_to_file.h"

using namespace decodertest;

namespace {

using TBytes = std::vector<std::uint8_t>;

// A decoder with only the file output registered.
TDecoderPtr MakeFileOutputDecoder() {
    TDecoderPtr decoder(MakeDecoder(nullptr));
    DecoderOutputModuleMethods methods;
    FileOutputModuleGetMethods(&methods);
    DecoderOutputModuleRegister(decoder.get(), &methods);
    return decoder;
}

std::int32_t OpenOutput(DecoderControl* control, const std::string& name) {
    const std::int32_t made = DecoderOutputNew(control, name.c_str(), -1);
    return made != 0 ? made : DecoderOutputOpen(control);
}

TBytes FileBytes(const std::string& path) {
    const std::string text = testsupport::ReadWholeFile(path);
    return TBytes(text.begin(), text.end());
}

TBytes Tag(const char* text) {
    return TBytes(text, text + std::strlen(text));
}

TBytes Little(std::uint32_t value, int bytes) {
    TBytes out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}

TBytes Big(std::uint64_t value, int bytes) {
    TBytes out;
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}

TBytes Join(std::initializer_list<TBytes> parts) {
    TBytes all;
    for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The names in a folder.
std::vector<std::string> FolderNames(const std::string& folder) {
    struct TCloser {
        void operator()(DIR* dir) const { closedir(dir); }
    };
    std::vector<std::string> names;
    std::unique_ptr<DIR, TCloser> dir(opendir(folder.c_str()));
    if (!dir) return names;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    return names;
}

}  // namespace

TEST(FileOutputModule, InformationAndNames) {
    DecoderOutputModuleMethods methods;
    ASSERT_EQ(FileOutputModuleGetMethods(&methods), 0);
    ExpectModuleInfo(methods.info, "Output To File", "Version 1.2", 2, "-", "standard output", 0);
    struct TDevice {
        const char* pattern;
        const char* description;
    };
    const TDevice devices[] = {{"*, or raw:*", "file name (raw PCM format)"}, {"wav:*", "file name (WAV format)"}};
    for (std::int32_t index = 0; index < 2; ++index) {
        DecoderModuleInfo info;
        info.index = index;
        ASSERT_EQ(methods.info(&info, DECODER_INFO_DEVICE), 0);
        EXPECT_STREQ(info.text, devices[index].pattern);
        EXPECT_STREQ(info.text2, devices[index].description);
        EXPECT_EQ(info.deviceFlags, 1u);
    }

    TDecoderPtr decoder = MakeFileOutputDecoder();
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        Messages().clear();
        EXPECT_EQ(DecoderOutputNew(decoder.get(), name, -1), DECODER_ERR_BAD_ARGUMENT);
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].heading, "internal error");
        EXPECT_EQ(Messages()[0].detail, "null params or null/empty output name");
    }
}

TEST(FileOutputModule, WaveFileOfAThousandBytes) {
    testsupport::TempDir dir;
    const std::string path = dir.File("out.wav");
    TDecoderPtr decoder = MakeFileOutputDecoder();
    ASSERT_EQ(OpenOutput(decoder.get(), "wav:" + path), 0);
    std::vector<std::int16_t> pcm(500);
    for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<std::int16_t>(i * 97 - 20000);
    EXPECT_EQ(DecoderOutputWrite(decoder.get(), pcm.data(), 1000, 2, 2, 44100), 1000);
    // Until the output closes the file has a temporary name.
    EXPECT_NE(::access(path.c_str(), F_OK), 0);
    ASSERT_EQ(DecoderOutputClose(decoder.get()), 0);

    const TBytes bytes = FileBytes(path);
    ASSERT_EQ(bytes.size(), 1044u);
    const TBytes header = Join({Tag("RIFF"), Little(1036, 4), Tag("WAVE"), Tag("fmt "), Little(16, 4), Little(1, 2),
                                Little(2, 2), Little(44100, 4), Little(176400, 4), Little(4, 2), Little(16, 2),
                                Tag("data"), Little(1000, 4)});
    EXPECT_EQ(TBytes(bytes.begin(), bytes.begin() + 44), header);
    EXPECT_EQ(std::memcmp(bytes.data() + 44, pcm.data(), 1000), 0);
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out.wav"});
}

TEST(FileOutputModule, EachFormatsBytes) {
    // Three mono 22050 Hz samples, written as 3 + 3 bytes so that one sample
    // is split between the writes.
    const std::int16_t samples[3] = {0x0102, -2, 0x7FFF};
    const TBytes little = {0x02, 0x01, 0xFE, 0xFF, 0xFF, 0x7F};
    const TBytes big = {0x01, 0x02, 0xFF, 0xFE, 0x7F, 0xFF};
    struct TCase {
        const char* prefix;
        TBytes expected;
    };
    const TCase cases[] = {
        {"", little},
        {"raw:", little},
        {"wav:", Join({Tag("RIFF"), Little(42, 4), Tag("WAVE"), Tag("fmt "), Little(16, 4), Little(1, 2), Little(1, 2),
                       Little(22050, 4), Little(44100, 4), Little(2, 2), Little(16, 2), Tag("data"), Little(6, 4),
                       little})},
        {"aiff:", Join({Tag("FORM"), Big(52, 4), Tag("AIFF"), Tag("COMM"), Big(18, 4), Big(1, 2), Big(3, 4),
                        Big(16, 2), Big(0x400D, 2), Big(0xAC44000000000000, 8), Tag("SSND"), Big(14, 4), Big(0, 4),
                        Big(0, 4), big})},
        {"sun:", Join({Tag(".snd"), Big(28, 4), Big(6, 4), Big(3, 4), Big(22050, 4), Big(1, 4), Big(0, 4), big})},
    };
    for (const TCase& c : cases) {
        testsupport::TempDir dir;
        const std::string path = dir.File("out");
        TDecoderPtr decoder = MakeFileOutputDecoder();
        ASSERT_EQ(OpenOutput(decoder.get(), c.prefix + path), 0) << c.prefix;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
        EXPECT_EQ(DecoderOutputWrite(decoder.get(), bytes, 3, 2, 1, 22050), 3);
        EXPECT_EQ(DecoderOutputWrite(decoder.get(), bytes + 3, 3, 2, 1, 22050), 3);
        ASSERT_EQ(DecoderOutputClose(decoder.get()), 0);
        EXPECT_EQ(FileBytes(path), c.expected) << c.prefix;
    }
}

TEST(FileOutputModule, FirstWriteSetsTheFormatAndReopeningStartsAgain) {
    testsupport::TempDir dir;
    const std::string path = dir.File("out.au");
    TDecoderPtr decoder = MakeFileOutputDecoder();
    ASSERT_EQ(OpenOutput(decoder.get(), "sun:" + path), 0);
    const std::int16_t pcm[4] = {1, 2, 3, 4};
    // A write that names no format keeps the defaults, 44100 Hz stereo;
    // later writes cannot change it.
    EXPECT_EQ(DecoderOutputWrite(decoder.get(), pcm, 4, 2, 0, 0), 4);
    EXPECT_EQ(DecoderOutputWrite(decoder.get(), pcm, 8, 2, 1, 8000), 8);
    ASSERT_EQ(DecoderOutputClose(decoder.get()), 0);
    TBytes bytes = FileBytes(path);
    ASSERT_EQ(bytes.size(), 28u + 12u);
    EXPECT_EQ(TBytes(bytes.begin() + 8, bytes.begin() + 24), Join({Big(12, 4), Big(3, 4), Big(44100, 4), Big(2, 4)}));

    // Opened again: a new file from the start, with the defaults again.
    ASSERT_EQ(DecoderOutputOpen(decoder.get()), 0);
    EXPECT_EQ(DecoderOutputWrite(decoder.get(), pcm, 2, 2, 1, 8000), 2);
    ASSERT_EQ(DecoderOutputClose(decoder.get()), 0);
    bytes = FileBytes(path);
    EXPECT_EQ(bytes,
              Join({Tag(".snd"), Big(28, 4), Big(2, 4), Big(3, 4), Big(8000, 4), Big(1, 4), Big(0, 4), {0x00, 0x01}}));

    // Nothing written: still a well-formed empty file in the defaults.
    ASSERT_EQ(DecoderOutputOpen(decoder.get()), 0);
    ASSERT_EQ(DecoderOutputClose(decoder.get()), 0);
    EXPECT_EQ(FileBytes(path), Join({Tag(".snd"), Big(28, 4), Big(0, 4), Big(3, 4), Big(44100, 4), Big(2, 4), Big(0, 4)}));
}

TEST(FileOutputModule, ReplacesAnExistingFileOnlyWhenClosed) {
    testsupport::TempDir dir;
    const std::string path = dir.File("song.raw");
    testsupport::WriteWholeFile(path, "old");
    TDecoderPtr decoder = MakeFileOutputDecoder();
    ASSERT_EQ(OpenOutput(decoder.get(), path), 0);
    const std::int16_t pcm[2] = {0x4142, 0x4344};
    EXPECT_EQ(DecoderOutputWrite(decoder.get(), pcm, 4, 2, 2, 44100), 4);
    EXPECT_EQ(testsupport::ReadWholeFile(path), "old");
    // Deleting the output closes it, which puts the file in place.
    ASSERT_EQ(DecoderOutputDelete(decoder.get()), 0);
    EXPECT_EQ(testsupport::ReadWholeFile(path), "BADC");
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"song.raw"});

    // A device is written where it is.
    ASSERT_EQ(OpenOutput(decoder.get(), "wav:/dev/null"), 0);
    EXPECT_EQ(DecoderOutputWrite(decoder.get(), pcm, 4, 2, 2, 44100), 4);
    EXPECT_EQ(DecoderOutputClose(decoder.get()), 0);
}

namespace {

// Plays four bytes of 8 kHz mono into "wav:-" with the process's standard
// output sent to `fd` meanwhile.
void WriteWaveToStandardOutput(int fd) {
    std::fflush(stdout);
    const int savedStdout = ::dup(STDOUT_FILENO);
    ASSERT_GE(savedStdout, 0);
    ASSERT_EQ(::dup2(fd, STDOUT_FILENO), STDOUT_FILENO);
    std::int32_t opened = 0;
    std::int32_t written = 0;
    {
        TDecoderPtr decoder = MakeFileOutputDecoder();
        opened = OpenOutput(decoder.get(), "wav:-");
        const std::int16_t pcm[2] = {0x0102, 0x0304};
        written = DecoderOutputWrite(decoder.get(), pcm, 4, 2, 1, 8000);
        DecoderOutputClose(decoder.get());
    }
    std::fflush(stdout);
    ::dup2(savedStdout, STDOUT_FILENO);
    ::close(savedStdout);
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(written, 4);
}

TBytes WaveOfFourBytes(std::uint32_t sizeInHeader) {
    return Join({Tag("RIFF"), Little(sizeInHeader + 36, 4), Tag("WAVE"), Tag("fmt "), Little(16, 4), Little(1, 2),
                 Little(1, 2), Little(8000, 4), Little(16000, 4), Little(2, 2), Little(16, 2), Tag("data"),
                 Little(sizeInHeader, 4), {0x02, 0x01, 0x04, 0x03}});
}

}  // namespace

TEST(FileOutputModule, StandardOutputGoesBackForTheSizeOnlyWhereItCan) {
    // A pipe has no start to go back to: the header of the first write stays.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    WriteWaveToStandardOutput(pipeEnds[1]);
    ::close(pipeEnds[1]);
    TBytes got(100);
    const ssize_t count = ::read(pipeEnds[0], got.data(), got.size());
    ::close(pipeEnds[0]);
    ASSERT_GE(count, 0);
    got.resize(static_cast<std::size_t>(count));
    EXPECT_EQ(got, WaveOfFourBytes(0));

    // A file that already holds bytes: the header after them is rewritten
    // in place, and they stay; a file opened to append cannot be rewritten.
    for (const int append : {0, O_APPEND}) {
        testsupport::TempDir dir;
        const std::string path = dir.File("stdout.bin");
        testsupport::WriteWholeFile(path, "log\n");
        const int fd = ::open(path.c_str(), O_WRONLY | append);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::lseek(fd, 0, SEEK_END), 4);
        WriteWaveToStandardOutput(fd);
        ::close(fd);
        EXPECT_EQ(FileBytes(path), Join({Tag("log\n"), WaveOfFourBytes(append != 0 ? 0 : 4)})) << append;
    }
}

TEST(FileOutputModule, AMissingFolderIsReported) {
    testsupport::TempDir dir;
    TDecoderPtr decoder = MakeFileOutputDecoder();
    Messages().clear();
    EXPECT_EQ(OpenOutput(decoder.get(), "wav:" + dir.File("missing/out.wav")), DECODER_ERR_OPEN);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].heading, "cannot open output file");
    EXPECT_EQ(Messages()[0].detail, std::strerror(ENOENT));
    EXPECT_EQ(decoder->output->state, 0);
}

TEST(FileOutputModule, PermissionDeniedIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    testsupport::TempDir dir;
    TDecoderPtr decoder = MakeFileOutputDecoder();
    const std::string locked = dir.File("locked");
    ASSERT_EQ(::mkdir(locked.c_str(), 0555), 0);
    const std::string readOnly = dir.File("read-only.wav");
    testsupport::WriteWholeFile(readOnly, "keep");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    for (const std::string& name : {"wav:" + locked + "/out.wav", "aiff:" + readOnly}) {
        Messages().clear();
        EXPECT_EQ(OpenOutput(decoder.get(), name), DECODER_ERR_PERMISSION) << name;
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].heading, "cannot open output file");
        EXPECT_EQ(Messages()[0].detail, "permission denied");
    }
    EXPECT_EQ(testsupport::ReadWholeFile(readOnly), "keep");
    ::chmod(locked.c_str(), 0755);
}

TEST(FileOutputDecoding, PlayedStreamsBecomeWaveFilesOfTheDecodedPcm) {
    const mpegtest::TLayer2Stream cases[] = {
        {"MPEG-1 48 kHz stereo", false, 1, 12, MPEG_MODE_STEREO, 2, 48000},
        {"MPEG-2 24 kHz mono", true, 1, 8, MPEG_MODE_MONO, 1, 24000},
    };
    for (const mpegtest::TLayer2Stream& c : cases) {
        testsupport::TempDir dir;
        std::string stream;
        const mpegtest::TDecoded decoded = mpegtest::WriteAndDecode(dir, c, 12, 7, stream);
        ASSERT_EQ(decoded.frameSamples.size(), 12u) << c.name;

        const std::string wav = dir.File("out.wav");
        const mpegtest::TPlayed played = mpegtest::PlayToFile(stream, "wav:" + wav);
        ASSERT_EQ(played.openResult, 0) << c.name;
        EXPECT_EQ(played.endResult, DECODER_ERR_END_OF_INPUT) << c.name;
        EXPECT_EQ(played.frames, 12) << c.name;

        const TBytes bytes = FileBytes(wav);
        const std::uint32_t dataSize = static_cast<std::uint32_t>(decoded.pcm.size() * 2);
        ASSERT_EQ(bytes.size(), 44u + dataSize) << c.name;
        EXPECT_EQ(TBytes(bytes.begin() + 22, bytes.begin() + 28), Join({Little(c.channels, 2), Little(c.rate, 4)}));
        EXPECT_EQ(TBytes(bytes.begin() + 40, bytes.begin() + 44), Little(dataSize, 4));
        EXPECT_EQ(std::memcmp(bytes.data() + 44, decoded.pcm.data(), dataSize), 0) << c.name;
    }
}
