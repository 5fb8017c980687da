// The list the next song comes from: the play source's list first, the
// session list when that one starts none or is the session.
#include "songsmith/player/next_song.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "songsmith/cd/tests/fake_cd_page.h"
#include "songsmith/player/play_source.h"

namespace {

using songfakes::Line;

// A tab page's list that writes down what it is asked.
TPageNextSong RecordingList(const char* name, bool answer, std::vector<std::string>& calls) {
    return [name, answer, &calls](bool random, const char* path, bool forward) {
        calls.push_back(Line("%s %d %s %d", name, random ? 1 : 0, path, forward ? 1 : 0));
        return answer;
    };
}

TEST(NextSong, TheSourceListIsAskedFirstAndTheSessionWhenItStartsNone) {
    const struct {
        int source;
        bool sourceAnswer;
        bool sessionAnswer;
        bool result;
        std::vector<std::string> calls;
    } cases[] = {
        {kPlaySourceCd, true, true, true, {"next 1 0"}},
        {kPlaySourceCd, false, true, true, {"next 1 0", "session 1 7 0"}},
        {kPlaySourceFind, true, false, true, {"find 1 /m/a.mp3 0"}},
        {kPlaySourceFind, false, false, false, {"find 1 /m/a.mp3 0", "session 1 7 0"}},
        {kPlaySourceLibrary, true, false, true, {"library 1 /m/a.mp3 0"}},
        {kPlaySourceLibrary, false, true, true, {"library 1 /m/a.mp3 0", "session 1 7 0"}},
        {kPlaySourceSession, true, true, true, {"session 1 7 0"}},
        {kPlaySourceSession, true, false, false, {"session 1 7 0"}},
        // A source that names no list: the session alone.
        {1, true, true, true, {"session 1 7 0"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> calls;
        songfakes::CFakeCdPage cd;
        cd.nextPlays = c.sourceAnswer;
        TNextSongLists lists{
            &cd, RecordingList("find", c.sourceAnswer, calls),
            RecordingList("library", c.sourceAnswer, calls), [&](bool random, int serial, bool forward) {
                calls.push_back(Line("session %d %d %d", random ? 1 : 0, serial, forward ? 1 : 0));
                return c.sessionAnswer;
            }};
        EXPECT_EQ(PlayNextFromSource(c.source, lists, true, false, "/m/a.mp3", 7), c.result)
            << c.source;
        calls.insert(calls.begin(), cd.calls.begin(), cd.calls.end());
        EXPECT_EQ(calls, c.calls) << c.source << " " << c.sourceAnswer;
    }
}

TEST(NextSong, AMissingListStartsNothingAndPassesToTheSession) {
    int sessionAsked = 0;
    TNextSongLists lists;
    for (const int source : {kPlaySourceCd, kPlaySourceFind, kPlaySourceLibrary})
        EXPECT_FALSE(PlayNextFromSource(source, lists, false, true, "", 0));
    lists.sessionList = [&](bool, int, bool forward) {
        ++sessionAsked;
        return forward;
    };
    for (const int source : {kPlaySourceCd, kPlaySourceFind, kPlaySourceLibrary})
        EXPECT_TRUE(PlayNextFromSource(source, lists, false, true, "", 0));
    EXPECT_EQ(sessionAsked, 3);
}

}  // namespace
