#pragma once
// The generated fixture streams and their reference decodes for oracle
// tests: a folder made at test time by make_fixtures.sh and
// reference_output.sh (the small set), or the folder named by
// TRACKPRESS_MPEG_FIXTURES (made with "make_fixtures.sh --full" and
// "reference_output.sh --folder").

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport/temp_dir.h"
#include "tonecore/mpeg/tests/layer3_test_stream.h"

namespace mpegtest {

struct TFixtureEntry {
    std::string file;
    std::string sound;
    int rateHz = 0;
    std::string mode;
    std::string rateControl;
    std::string crc;
    std::string notes;

    int Channels() const { return mode == "m" ? 1 : 2; }
    bool Has(const char* note) const { return notes.find(note) != std::string::npos; }
};

inline std::vector<TFixtureEntry> ReadManifest(const std::string& folder) {
    std::vector<TFixtureEntry> entries;
    std::ifstream in(folder + "/manifest.tsv");
    std::string line;
    std::getline(in, line);  // heading
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream s(line);
        std::string field;
        while (std::getline(s, field, '\t')) fields.push_back(field);
        fields.resize(7);
        entries.push_back({fields[0], fields[1], std::atoi(fields[2].c_str()), fields[3], fields[4], fields[5],
                           fields[6]});
    }
    return entries;
}

// A test fixture class whose tests see `folder_` filled with the streams.
class CMpegFixtureTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* given = std::getenv("TRACKPRESS_MPEG_FIXTURES")) {
            folder_ = given;
            return;
        }
        if (!layer3test::HaveTools({"lame", "sox", "mpg123"})) GTEST_SKIP() << "lame, sox and mpg123 are needed";
        dir_ = std::make_unique<testsupport::TempDir>();
        folder_ = dir_->Path();
        const std::string scripts = layer3test::ScriptFolderForTests();
        ASSERT_TRUE(layer3test::RunCommand(scripts + "/make_fixtures.sh " + folder_));
        ASSERT_TRUE(layer3test::RunCommand(scripts + "/reference_output.sh --folder " + folder_));
    }

    std::string Path(const TFixtureEntry& e) const { return folder_ + "/" + e.file; }

    std::unique_ptr<testsupport::TempDir> dir_;
    std::string folder_;
};

}  // namespace mpegtest
