// Adds songs to the store in the folder given until it is killed. After each
// AddSong has returned it prints "<n> <id>" on a line of its own, so every
// printed id names a write the store reported done.
//
// Usage: songvault_crash_writer <folder> <first n>
#include <cstdio>
#include <cstdlib>

#include "songvault/songvault.h"
#include "songvault/tests/crash_song.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    if (!vault.Initialize(&description, argv[1])) {
        std::printf("failed\n");
        return 1;
    }
    const long long first = std::atoll(argv[2]);
    // A bound, so that a writer whose test has gone away still ends.
    for (long long n = first; n < first + 100000; ++n) {
        TSVT_Song song = svtest::CrashSong(n);
        const std::int32_t id = vault.AddSong(&song, false);
        if (id <= 0) return 1;
        std::printf("%lld %d\n", n, id);
        std::fflush(stdout);
    }
    vault.Shutdown(nullptr);
    return 0;
}
