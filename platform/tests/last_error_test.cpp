#include "platform/last_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

TEST(LastError, EachThreadKeepsItsOwnValue) {
    SetLastError(0x20000080);
    std::uint32_t seenByOtherThread = 1;
    std::thread other([&] {
        seenByOtherThread = GetLastError();
        SetLastError(5);
    });
    other.join();
    EXPECT_EQ(seenByOtherThread, 0u);
    EXPECT_EQ(GetLastError(), 0x20000080u);
}

TEST(LastError, ErrnoMapsToTheCodesCallersCompare) {
    const struct {
        int err;
        std::uint32_t code;
    } cases[] = {
        {0, ERROR_SUCCESS},          {ENOENT, ERROR_FILE_NOT_FOUND}, {EACCES, ERROR_ACCESS_DENIED},
        {EEXIST, ERROR_FILE_EXISTS}, {ENOSPC, ERROR_DISK_FULL},      {EIO, ERROR_ERRNO_BASE + EIO},
    };
    for (const auto& c : cases) {
        SetLastErrorFromErrno(c.err);
        EXPECT_EQ(GetLastError(), c.code) << "errno " << c.err;
    }
}
