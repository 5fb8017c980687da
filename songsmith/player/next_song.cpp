#include "songsmith/player/next_song.h"

#include "songsmith/cd/cd_track_page.h"
#include "songsmith/player/play_source.h"

namespace {

bool AskSourceList(int source, const TNextSongLists& lists, bool random, bool forward,
                   const std::string& path) {
    switch (source) {
        case kPlaySourceCd:
            return lists.cdTab != nullptr && lists.cdTab->PlayNextSong(random, forward);
        case kPlaySourceFind:
            return lists.findTab && lists.findTab(random, path.c_str(), forward);
        case kPlaySourceLibrary:
            return lists.libraryTab && lists.libraryTab(random, path.c_str(), forward);
        default:
            return false;
    }
}

}  // namespace

bool PlayNextFromSource(int source, const TNextSongLists& lists, bool random, bool forward,
                        const std::string& path, int serial) {
    if (source != kPlaySourceSession && AskSourceList(source, lists, random, forward, path))
        return true;
    return lists.sessionList && lists.sessionList(random, serial, forward);
}
