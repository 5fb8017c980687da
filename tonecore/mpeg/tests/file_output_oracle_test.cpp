// Files written by the file output module, read back by other programs:
// sox reads the WAV, AIFF and Sun audio headers and samples, and Python's
// wave module reads the WAV files. Both must find the decoded PCM.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "testsupport/temp_dir.h"
#include "tonecore/mpeg/tests/layer3_test_stream.h"
#include "tonecore/mpeg/tests/play_to_file.h"

namespace {

using layer3test::HaveTools;
using layer3test::RunCommand;

// The first line a command prints; empty when it fails.
std::string FirstLine(const std::string& command) {
    std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return {};
    char line[512] = {};
    const bool got = std::fgets(line, sizeof(line), pipe) != nullptr;
    const int status = ::pclose(pipe);
    if (!got || status != 0) return {};
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

constexpr mpegtest::TLayer2Stream kStreams[] = {
    {"MPEG-1 44.1 kHz stereo", false, 0, 12, MPEG_MODE_STEREO, 2, 44100},
    {"MPEG-2 22.05 kHz mono", true, 0, 8, MPEG_MODE_MONO, 1, 22050},
};

}  // namespace

TEST(FileOutputOracle, SoxReadsEveryFormatWeWrite) {
    if (!HaveTools({"sox"})) GTEST_SKIP() << "sox is needed";
    for (const mpegtest::TLayer2Stream& s : kStreams) {
        testsupport::TempDir dir;
        std::string stream;
        const mpegtest::TDecoded decoded = mpegtest::WriteAndDecode(dir, s, 20, 11, stream);
        ASSERT_FALSE(decoded.pcm.empty()) << s.name;
        const std::size_t frames = decoded.pcm.size() / std::size_t{s.channels};

        for (const char* format : {"wav", "aiff", "sun"}) {
            const std::string label = std::string(s.name) + " " + format;
            // sox knows the formats by their usual file name endings.
            const std::string ending = std::strcmp(format, "sun") == 0 ? "au" : format;
            const std::string file = dir.File(std::string("out.") + ending);
            const mpegtest::TPlayed played = mpegtest::PlayToFile(stream, std::string(format) + ":" + file);
            ASSERT_EQ(played.openResult, 0) << label;

            EXPECT_FALSE(RunCommand("sox -V2 " + file + " -n 2>&1 | grep -q WARN")) << label << ": sox warns";
            EXPECT_EQ(FirstLine("sox --i -r " + file), std::to_string(s.rate)) << label;
            EXPECT_EQ(FirstLine("sox --i -c " + file), std::to_string(s.channels)) << label;
            EXPECT_EQ(FirstLine("sox --i -b " + file), "16") << label;
            EXPECT_EQ(FirstLine("sox --i -s " + file), std::to_string(frames)) << label;
            // The samples, back in this machine's order, are the decoded PCM.
            const std::string raw = dir.File("back.raw");
            ASSERT_TRUE(RunCommand("sox " + file + " -t raw -e signed-integer -b 16 -L " + raw)) << label;
            const std::string back = testsupport::ReadWholeFile(raw);
            ASSERT_EQ(back.size(), decoded.pcm.size() * 2) << label;
            EXPECT_EQ(std::memcmp(back.data(), decoded.pcm.data(), back.size()), 0) << label;
        }
    }
}

TEST(FileOutputOracle, PythonWaveReadsOurWaveFiles) {
    if (!HaveTools({"python3"})) GTEST_SKIP() << "python3 is needed";
    for (const mpegtest::TLayer2Stream& s : kStreams) {
        testsupport::TempDir dir;
        std::string stream;
        const mpegtest::TDecoded decoded = mpegtest::WriteAndDecode(dir, s, 8, 5, stream);
        const std::string wav = dir.File("out.wav");
        ASSERT_EQ(mpegtest::PlayToFile(stream, "wav:" + wav).openResult, 0) << s.name;
        const std::string raw = dir.File("frames.raw");
        const std::string script = "import sys, wave\n"
                                   "w = wave.open(sys.argv[1], 'rb')\n"
                                   "open(sys.argv[2], 'wb').write(w.readframes(w.getnframes()))\n"
                                   "print(w.getnchannels(), w.getframerate(), w.getsampwidth(), w.getnframes())\n";
        testsupport::WriteWholeFile(dir.File("read.py"), script);
        const std::string line = FirstLine("python3 " + dir.File("read.py") + " " + wav + " " + raw);
        const std::size_t frames = decoded.pcm.size() / std::size_t{s.channels};
        EXPECT_EQ(line, std::to_string(s.channels) + " " + std::to_string(s.rate) + " 2 " + std::to_string(frames))
            << s.name;
        const std::string back = testsupport::ReadWholeFile(raw);
        ASSERT_EQ(back.size(), decoded.pcm.size() * 2) << s.name;
        EXPECT_EQ(std::memcmp(back.data(), decoded.pcm.data(), back.size()), 0) << s.name;
    }
}
