// The automatic save's file name: its fixed pattern with the time, and a
// first track name that could otherwise leave the temporary folder.
#include "songsmith/session/autosave_name.h"

#include <gtest/gtest.h>

namespace {

std::tm Time(int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

TEST(AutoSaveNameTest, NamesTheFileByTrackAndTime) {
    struct Case {
        std::string folder;
        std::string first;
        std::string expected;
    };
    const Case cases[] = {
        {"/tmp/snd", "Song ", "/tmp/snd/Song  - 03-07 04 hrs 05 mins 06 secs (AutoSave).tps"},
        {"/tmp/snd/", "", "/tmp/snd/ - 03-07 04 hrs 05 mins 06 secs (AutoSave).tps"},
        // The title's separators stay inside the one file name.
        {"/tmp/snd", "a/b:c ", "/tmp/snd/a_b_c  - 03-07 04 hrs 05 mins 06 secs (AutoSave).tps"},
        {"/tmp/snd", "../../x ", "/tmp/snd/.._.._x  - 03-07 04 hrs 05 mins 06 secs (AutoSave).tps"},
        // A '%' of a title is text, not a format.
        {"/tmp/snd", "100%s ", "/tmp/snd/100%s  - 03-07 04 hrs 05 mins 06 secs (AutoSave).tps"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MakeAutoSavePath(c.folder, c.first, Time(3, 7, 4, 5, 6), "AutoSave"), c.expected)
            << c.first;
    }
}

}  // namespace
