#pragma once
// Helpers shared by the song store tests: song records, an engine on a
// scratch folder, raw access to store files for fixtures.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "songvault/songvault.h"
#include "testsupport/temp_dir.h"

namespace svtest {

// A live song with every field set to something other than zero.
TSVT_Song MakeSong(std::string_view path, std::string_view title = "A Title");

// Byte-for-byte equality of two records (their reserved bytes included).
bool SameBytes(const TSVT_Song& a, const TSVT_Song& b);

// Names in a folder, sorted.
std::vector<std::string> FolderNames(const std::string& folder);

// Runs SQL on a store file directly, without the engine.
void RunSql(const std::string& file, const char* sql);
// The first column of the first row as text ("" when there is none).
std::string QueryText(const std::string& file, const char* sql);

// An engine with a store open in a scratch folder.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string StoreFile() const { return dir.File("Marovelle.mdb"); }
    // Adds a song at path and returns its id.
    std::int32_t Add(std::string_view path, std::string_view title = "A Title");

    testsupport::TempDir dir;
    SGSMarovelle description;
    SVTENG_CSongvault vault;
};

}  // namespace svtest
