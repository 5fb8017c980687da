// Every text key the program's sources ask for is in the shipped keyed text
// file, so no user ever reads a bare key. The keys are the literals handed
// to the text functions, the constants named k...Key, and the keys of the
// menu and toolbar tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "songsmith/app/menu_texts.h"
#include "songsmith/app/toolbar_buttons.h"
#include "testsupport/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Keys = std::set<std::string>;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return text;
}

bool IsSourceFile(const fs::path& path) {
    const std::string ext = path.extension().string();
    if (ext != ".cpp" && ext != ".h") return false;
    for (const fs::path& part : path)
        if (part == "tests") return false;
    return true;
}

// The key literals of one source text.
void CollectKeys(const std::string& source, Keys& keys) {
    static const std::regex kCall(
        R"(\b(?:ProgString|FormatKeyedText|KeyedText|MyLoadString|LoadLanguageString|LoadLanguageStringFormatted)\s*\(\s*"([^"]+)\")");
    static const std::regex kConstant(R"(\bk\w*Key\s*=\s*"([^"]+)\")");
    for (const std::regex* pattern : {&kCall, &kConstant}) {
        for (std::sregex_iterator it(source.begin(), source.end(), *pattern), end; it != end; ++it)
            keys.insert((*it)[1].str());
    }
}

Keys KeysInSources(const fs::path& folder) {
    Keys keys;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || !IsSourceFile(entry.path())) continue;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        CollectKeys(text.str(), keys);
    }
    for (const TMenuText& menu : MainMenuTexts()) {
        keys.insert(menu.key);
        for (const TMenuItemText& item : menu.items)
            if (item.key != nullptr) keys.insert(item.key);
    }
    for (const TToolbarButton& button : ToolbarButtons())
        if (button.tipKey != nullptr) keys.insert(button.tipKey);
    return keys;
}

// The keys of the file's "Strings" section, in lower case (keys are found
// without regard to case).
Keys KeysInStringFile(const fs::path& file) {
    Keys keys;
    std::ifstream in(file);
    std::string line;
    bool inStrings = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            inStrings = Lower(line) == "[strings]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inStrings && equals != std::string::npos) keys.insert(Lower(line.substr(0, equals)));
    }
    return keys;
}

Keys MissingKeys(const Keys& wanted, const Keys& present) {
    Keys missing;
    for (const std::string& key : wanted)
        if (present.count(Lower(key)) == 0) missing.insert(key);
    return missing;
}

const fs::path kSourceRoot = TRACKPRESS_SOURCE_DIR;
const fs::path kStringFile = kSourceRoot / "resources" / "progstrings.txt";

TEST(KeyCoverage, EveryKeyTheProgramAsksForIsInTheTextFile) {
    const Keys wanted = KeysInSources(kSourceRoot / "songsmith");
    ASSERT_FALSE(wanted.empty());
    const Keys missing = MissingKeys(wanted, KeysInStringFile(kStringFile));
    std::string list;
    for (const std::string& key : missing) list += key + " ";
    EXPECT_TRUE(missing.empty()) << "missing from progstrings.txt: " << list;
}

// The check really looks: a key taken out of the file is reported.
TEST(KeyCoverage, AKeyTakenOutOfTheFileIsReported) {
    const Keys wanted = KeysInSources(kSourceRoot / "songsmith");
    for (const char* key : {"Ready", "MUCT_Drive", "TB_Burn"}) {
        SCOPED_TRACE(key);
        ASSERT_EQ(wanted.count(key), 1u);
        testsupport::TempDir dir;
        const fs::path copy = dir.File("progstrings.txt");
        std::ifstream in(kStringFile);
        std::ofstream out(copy);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(std::string(key) + "=", 0) != 0) out << line << '\n';
        out.close();
        EXPECT_EQ(MissingKeys(wanted, KeysInStringFile(copy)), Keys{key});
    }
}

}  // namespace
