// One copy of the program using a shared store: waits for a byte on its
// standard input (so that a test can start several at once), then opens the
// store, adds and edits a song, searches and closes it again, round after
// round. It prints "open <round>" once each open succeeded and "done" at the
// end; on a failure "failed <step> <error>" and exits with 1.
//
// Usage: songvault_instance_loop <folder> <instance number> <rounds>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/last_error.h"
#include "songvault/songvault.h"
#include "songvault/tests/crash_song.h"
#include "songvault/tests/record_fill.h"

namespace {

int Fail(const char* step, int round) {
    std::printf("failed %s in round %d: 0x%x\n", step, round, GetLastError());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const char* folder = argv[1];
    const int instance = std::atoi(argv[2]);
    const std::string name = "instance" + std::to_string(instance);
    const int rounds = std::atoi(argv[3]);
    char go = 0;
    if (read(STDIN_FILENO, &go, 1) != 1) return 2;

    SGSMarovelle description;
    SVTENG_CSongvault vault;
    for (int round = 0; round < rounds; ++round) {
        if (!vault.Initialize(&description, folder)) return Fail("Initialize", round);
        std::printf("open %d\n", round);
        std::fflush(stdout);
        TSVT_Song song = svtest::CrashSong(instance * 100000LL + round);
        svtest::FillText(song.title, name);
        const std::int32_t id = vault.AddSong(&song, false);
        if (id <= 0) return Fail("AddSong", round);
        song.id = id;
        song.year = static_cast<std::int16_t>(2000 + round);
        if (!vault.UpdateSong(&song)) return Fail("UpdateSong", round);
        if (vault.FindSongsByText(name.c_str()) < round + 1) return Fail("FindSongsByText", round);
        if (!vault.Shutdown(folder)) return Fail("Shutdown", round);
    }
    std::printf("done\n");
    return 0;
}
