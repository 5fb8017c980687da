// Every text key the sources ask for must be in a shipped keyed text file;
// a missing one would show its key to the user.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "testsupport/temp_dir.h"
#include "utilities/profile_file.h"

namespace {

namespace fs = std::filesystem;

struct TKeyUse {
    std::string key;
    std::string where;  // file:line
    bool operator<(const TKeyUse& other) const {
        return std::tie(key, where) < std::tie(other.key, other.where);
    }
};

bool SkippedFolder(const fs::path& folder) {
    const std::string name = folder.filename().string();
    // Build trees, hidden folders, and tests (which ask for missing keys on
    // purpose).
    return name.empty() || name[0] == '.' || name.rfind("build", 0) == 0 || name == "tests";
}

// Literal keys passed to the text loaders in the C++ sources below root.
std::set<TKeyUse> KeysUsedIn(const fs::path& root) {
    static const std::regex call(R"re(\s*\(\s*"([^"\\]+)")re");
    std::set<TKeyUse> uses;
    fs::recursive_directory_iterator it(root), end;
    for (; it != end; ++it) {
        if (it->is_directory() && SkippedFolder(it->path())) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string ext = it->path().extension().string();
        if (!it->is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        const std::string text = testsupport::ReadWholeFile(it->path().string());
        // Each loader's name, then the call's opening up to the key (which
        // may stand on the next line).
        for (const std::string name :
             {"MyLoadString", "ToneCoreLoadString", "UtilityString", "ProgString"}) {
            for (std::size_t at = text.find(name); at != std::string::npos;
                 at = text.find(name, at + 1)) {
                if (at > 0 && (std::isalnum(static_cast<unsigned char>(text[at - 1])) ||
                               text[at - 1] == '_')) {
                    continue;  // part of a longer name
                }
                std::smatch m;
                const auto from = text.begin() + static_cast<std::ptrdiff_t>(at + name.size());
                if (!std::regex_search(from, text.end(), m, call,
                                       std::regex_constants::match_continuous)) {
                    continue;
                }
                const auto line = 1 + std::count(text.begin(), from, '\n');
                uses.insert(
                    {m[1], fs::relative(it->path(), root).string() + ":" + std::to_string(line)});
            }
        }
    }
    return uses;
}

// Keys of section "Strings" in every keyed text file of the folder.
std::set<std::string> KeysShippedIn(const fs::path& resources) {
    std::set<std::string> keys;
    for (const auto& entry : fs::directory_iterator(resources)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".ini" && ext != ".txt") continue;
        for (std::string& key :
             GetPrivateProfileKeyNames("Strings", entry.path().string().c_str())) {
            // Lookups ignore case.
            for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            keys.insert(key);
        }
    }
    return keys;
}

std::string MissingKeys(const fs::path& sources, const fs::path& resources) {
    const std::set<std::string> shipped = KeysShippedIn(resources);
    std::ostringstream missing;
    for (const TKeyUse& use : KeysUsedIn(sources)) {
        std::string key = use.key;
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (shipped.count(key) == 0) missing << use.key << " (" << use.where << ")\n";
    }
    return missing.str();
}

}  // namespace

TEST(TextKeysTest, TheCheckFindsAMissingKey) {
    testsupport::TempDir dir;
    const fs::path root = dir.Path();
    fs::create_directories(root / "lib" / "tests");
    fs::create_directories(root / "res");
    testsupport::WriteWholeFile((root / "lib" / "a.cpp").string(),
                                "MyLoadString(\"BD_Title\", out, 64, nullptr);\n"
                                "ToneCoreLoadString( \"IDS_Gone\", buf, n);\n"
                                "MyLoadString(key, out, 64);  // not a literal\n"
                                "MyLoadString(\n    \"CD_Split\", out, 64);\n");
    testsupport::WriteWholeFile((root / "lib" / "tests" / "a_test.cpp").string(),
                                "MyLoadString(\"Test_Only\", out, 64);\n");
    testsupport::WriteWholeFile((root / "res" / "strings.ini").string(),
                                "[Strings]\nbd_title=Title\n");
    EXPECT_EQ(MissingKeys(root / "lib", root / "res"), "CD_Split (a.cpp:4)\nIDS_Gone (a.cpp:2)\n");
}

TEST(TextKeysTest, EveryKeyInTheSourcesIsShipped) {
    const fs::path root = TRACKPRESS_SOURCE_DIR;
    ASSERT_TRUE(fs::is_directory(root / "resources"));
    EXPECT_EQ(MissingKeys(root, root / "resources"), "")
        << "keys asked for in the sources but missing from resources/";
}
