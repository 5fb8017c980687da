// The start-up report's lines about the drive-access layer files: which file
// was found decides the lines, and the chosen layer only counts when its
// last file is there; the Zent engine needs none of them.
#include "songsmith/app/startup_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "songsmith/prefs/preferences.h"
#include "testsupport/log_lines.h"
#include "testsupport/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(StartupReportTest, TheLayerFilesFoundDecideTheLines) {
    const std::string kWhatever = "*** Using whatever ASPI Layer is available.";
    const std::string kNo32 = "ERR *** wnaspi32.dll does not exist!";
    struct TCase {
        const char* what;
        std::vector<std::string> files;
        int useOwn;
        int engine;
        std::vector<std::string> lines;
    } cases[] = {
        {"nothing there", {}, 1, 0, {kWhatever, kNo32}},
        {"NT file, own layer", {"wnaspint.dll"}, 1, 0,
         {"**** Marovelle wnaspint.dll exists!", "*** Using Marovelle ASPI Layer"}},
        {"NT file, system layer", {"wnaspint.dll", "wnaspi32.dll"}, 0, 2,
         {"**** Marovelle wnaspint.dll exists!", kWhatever, "*** wnaspi32.dll exists!"}},
        {"9x file with its driver", {"WNASPI9X.DLL", "IOSUBSYS/WNASPI9X.VXD"}, 1, 0,
         {"***** Marovelle wnaspi9x.dll exists!", "Marovelle IOSUBSYS\\WNASPI9X.VXD exists!",
          "*** Using Marovelle ASPI Layer"}},
        {"9x file without its driver", {"WNASPI9X.DLL"}, 1, 0,
         {"***** Marovelle wnaspi9x.dll exists!", "ERR *****> MISSING Marovelle IOSUBSYS\\WNASPI9X.VXD!", kWhatever,
          kNo32}},
        {"Zent engine", {"wnaspint.dll"}, 1, 1, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir system;
        for (const std::string& file : c.files) {
            fs::create_directories(fs::path(system.File(file)).parent_path());
            testsupport::WriteWholeFile(system.File(file), "x");
        }
        testsupport::TempDir logs;
        LogInit(logs.File("log.txt").c_str());
        LogOn(1);
        CPreferences prefs;
        prefs.UseMarovelleASPI = c.useOwn;
        prefs.WhichBurningEngine = c.engine;
        LogAspiLayerFiles(prefs, system.Path());
        Log("end");
        LogDeinit();
        std::vector<std::string> expected = c.lines;
        expected.push_back("end");
        EXPECT_EQ(testsupport::LogLineTexts(logs.File("log.txt")), expected);
    }
}


}  // namespace
