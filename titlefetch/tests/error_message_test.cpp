#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/last_error.h"
#include "titlefetch/cddb.h"

TEST(CddbErrors, TextsOfTheThreadsLastError) {
    struct Case {
        std::uint32_t threadError;
        const char* text;
    };
    const Case cases[] = {
        {CDDB_ERR_INVALID_ARGUMENT, "The server's name could not be resolved."},
        {CDDB_ERR_BAD_ANSWER, "The CDDB server's answer could not be used."},
        {CDDB_ERR_TIMED_OUT, "The CDDB server did not answer in time."},
        {ERROR_ERRNO_BASE + ECONNREFUSED, "Connection refused"},
        {ERROR_FILE_NOT_FOUND, "No such file or directory"},
        {12345, ""},
    };
    for (const Case& c : cases) {
        CCDDB cddb;
        SetLastError(c.threadError);
        EXPECT_STREQ(cddb.getErrorMessage(), c.text) << c.threadError;
        EXPECT_EQ(GetLastError(), c.threadError) << "the value survives its lookup";
        EXPECT_EQ(cddb.getLastError(), c.threadError);
    }
}

TEST(CddbErrors, ADeviceCodeIsKeptAndTakesPrecedence) {
    CCDDB cddb;
    SetLastError(CDDB_ERR_TIMED_OUT);
    EXPECT_STREQ(cddb.getErrorMessage(CDDB_DEVERR_NO_AUDIO), "The disc holds no audio tracks.");
    EXPECT_EQ(cddb.lastError(), CDDB_DEVERR_NO_AUDIO);
    EXPECT_EQ(cddb.getLastError(), CDDB_DEVERR_NO_AUDIO);
    // -1 asks again about the kept code.
    EXPECT_STREQ(cddb.getErrorMessage(), "The disc holds no audio tracks.");
    EXPECT_STREQ(cddb.getErrorMessage(CDDB_DEVERR_CANNOT_OPEN), "The CD drive or disc image could not be opened.");
    // 0 hands the question back to the thread's value.
    EXPECT_STREQ(cddb.getErrorMessage(0), "The CDDB server did not answer in time.");
    EXPECT_EQ(cddb.getLastError(), CDDB_ERR_TIMED_OUT);
    EXPECT_STREQ(cddb.getErrorMessage(999), "");
}
