#pragma once
// Stand-ins for the song actions' partners and for the window layer: each
// call and each post is written down as a line of text, in order, so a test
// compares what happened with what it expects.

#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "songsmith/app/app_message.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/session/song_entry.h"

namespace songfakes {

using Lines = std::vector<std::string>;

inline std::string Line(const char* format, auto... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// What the four windows that follow play states are posted, in the order
// they are told.
inline Lines PlayStatePosts(int serial, long lParam) {
    Lines posts;
    for (const char* name : {"session", "find", "library", "player"})
        posts.push_back(Line("%s 1027 %d %ld", name, serial, lParam));
    return posts;
}

class CRecordingPartners : public ISongActionPartners {
public:
    bool AddToSession(const CSongEntry& song, int listType) override {
        calls.push_back(Line("add %s %d", song.path, listType));
        return addAccepted;
    }
    void NextUndoSet() override { calls.push_back("undo step"); }
    void AddShowFocusedTrackAtom() override { calls.push_back("show focused"); }
    void RemoveFromSession(const CSongEntry& song, int listType) override {
        calls.push_back(Line("remove %s %d", song.path, listType));
    }
    void AddClearSelectionAtom() override { calls.push_back("clear selection"); }
    void SetSongPlayState(const char* path, int inSession) override {
        calls.push_back(Line("mark %s %d", path, inSession));
    }
    bool FindTrackTrims(int serial, TTrackTrimPairs& trims) override {
        calls.push_back(Line("find track %d", serial));
        if (!trackFound) return false;
        trims = trackTrims;
        return true;
    }
    bool TrimSoundsAutomatically() override { return trimAutomatically; }
    bool PlaySong(const char* path, int serial, std::int32_t startMs, std::int32_t endMs,
                  int soundId, std::int32_t positionMs) override {
        calls.push_back(
            Line("play %s %d %d %d %d %d", path, serial, startMs, endMs, soundId, positionMs));
        return playAccepted;
    }
    void StopPlayer() override { calls.push_back("stop"); }

    bool addAccepted = true;
    bool trackFound = true;
    TTrackTrimPairs trackTrims{100, 900, 200, 800};
    bool trimAutomatically = true;
    bool playAccepted = true;
    Lines calls;
};

// A poster that knows a set of receivers and writes down each post to one
// of them as "receiver number wParam lParam"; posts to others are refused.
class CRecordingPoster : public IAppMessagePoster {
public:
    bool Post(TReceiverId receiver, TAppMessage message) override {
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (known.count(receiver) == 0) return false;
            posts.push_back(Line("%s %u %ld %ld", known[receiver].c_str(), message.number,
                                 static_cast<long>(message.wParam), static_cast<long>(message.lParam)));
        }
        if (onPost) onPost(message);
        return true;
    }
    std::intptr_t Send(TReceiverId, TAppMessage) override { return 0; }

    Lines Posts() {
        std::lock_guard<std::mutex> hold(lock_);
        return posts;
    }

    std::map<TReceiverId, std::string> known;
    Lines posts;
    // Runs on the posting thread after each post is recorded (set it while
    // no other thread posts).
    std::function<void(const TAppMessage&)> onPost;

private:
    std::mutex lock_;
};

// The program's windows made, each under a name, with the poster and the
// partners installed for the life of a test.
class CSongActionScope {
public:
    CSongActionScope() {
        static const struct {
            EAppWindow window;
            const char* name;
        } kWindows[] = {
            {EAppWindow::kMainWindow, "main"},    {EAppWindow::kSessionList, "session"},
            {EAppWindow::kFindTab, "find"},       {EAppWindow::kLibraryTab, "library"},
            {EAppWindow::kPlayerPanel, "player"},
        };
        TReceiverId id = 100;
        for (const auto& w : kWindows) {
            poster.known[++id] = w.name;
            SetAppWindowReceiver(w.window, id);
        }
        SetAppMessagePoster(&poster);
        SetSongActionPartners(&partners);
    }
    ~CSongActionScope() {
        SetSongActionPartners(nullptr);
        SetAppMessagePoster(nullptr);
        for (int i = 0; i < kAppWindowCount; ++i)
            SetAppWindowReceiver(static_cast<EAppWindow>(i), kNoReceiver);
    }
    CSongActionScope(const CSongActionScope&) = delete;
    CSongActionScope& operator=(const CSongActionScope&) = delete;

    CRecordingPoster poster;
    CRecordingPartners partners;
};

}  // namespace songfakes
