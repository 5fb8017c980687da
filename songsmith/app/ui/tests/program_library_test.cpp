// The session list's commands that reach the Library page, run through the
// whole program: deleting the focused track's song from the library takes
// its row with it, and one undo brings both back.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMainWindow>
#include <string>

#include "songsmith/app/ui/tests/program_fixture.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/library_tab.h"
#include "testsupport/temp_dir.h"

namespace {

using ProgramLibraryTest = ProgramFixture;

std::string Le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

TEST_F(ProgramLibraryTest, DeletingTheFocusedTracksSongTakesItsRowAsOneUndoStep) {
    testsupport::TempDir songs;
    const std::string path = songs.File("tone.wav");
    {
        const std::string pcm(44100 / 10 * 4, '\0');
        const std::string format = Le(1, 2) + Le(2, 2) + Le(44100, 4) + Le(44100 * 4, 4) + Le(4, 2) + Le(16, 2);
        const std::string body =
            "WAVE" + std::string("fmt ") + Le(16, 4) + format + "data" + Le(pcm.size(), 4) + pcm;
        testsupport::WriteWholeFile(path, "RIFF" + Le(body.size(), 4) + body);
    }
    struct {
        bool imported = false;
        bool inTrash = false;
        int tracksAfterDelete = -1;
        bool restored = false;
        int tracksAfterUndo = -1;
    } seen;
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        CLibraryTab* page = program.mainWindow.TabPane()->GetLibraryTab();
        // The silent song would bring the loader's own question whenever it
        // got to it, and its analysis would mark the session modified:
        // held back, neither comes.
        HoldLoader(program);
        // Added through the add list, which imports the song into the library.
        program.sessionList->BeginAddList({path}, true, false);
        while (program.sessionList->AddListTick()) {
        }
        program.sessionList->FinishAddList();
        // The import's message places the song in the library's tree.
        seen.imported = WaitFor([&] { return page->Nodes().FindSongByPath(path) != nullptr; });
        if (seen.imported && program.trackList.GetCount() == 1) {
            program.sessionList->SelectTrack(program.trackList.GetAt(0)->GetSerial());
            program.mainWindow.OnCommand(cmd::kTrackLibDelete);
            const CLibNode* song = page->Nodes().FindSongByPath(path);
            seen.inTrash = song != nullptr && song->inTrash;
            seen.tracksAfterDelete = program.trackList.GetCount();
            program.undo.Undo();
            song = page->Nodes().FindSongByPath(path);
            seen.restored = song != nullptr && !song->inTrash;
            seen.tracksAfterUndo = program.trackList.GetCount();
        }
        // The session is not kept: No to the close's question.
        if (program.trackList.IsDirty()) ui_.ExpectMessage("Ses_Dirty", IDNO);
        EXPECT_TRUE(program.mainWindow.Window()->close());
    };
    CProgram program(options);
    program.SetSessionLoader([](const std::vector<std::string>&) {});
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    EXPECT_TRUE(seen.imported);
    EXPECT_TRUE(seen.inTrash);
    EXPECT_EQ(seen.tracksAfterDelete, 0);
    EXPECT_TRUE(seen.restored);
    EXPECT_EQ(seen.tracksAfterUndo, 1);
}

}  // namespace
