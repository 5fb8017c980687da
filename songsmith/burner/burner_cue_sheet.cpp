// The cue sheet of a burn: the disc's title and each track's file and
// title. The disc writer takes the titles from it for CD-Text; the layout
// lines are for a person reading the sheet.
#include <cstdio>
#include <string>

#include "filekit/log.h"
#include "platform/file_replace.h"
#include "platter/write_plan.h"
#include "songsmith/burner/burn_file_type.h"
#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/session/track_list.h"
#include "utilities/keyed_text.h"

namespace {

constexpr std::int32_t kTransitionGap = 1;

template <typename... Values>
std::string Format(const char* format, Values... values) {
    const int size = std::snprintf(nullptr, 0, format, values...);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}

// The session file's name without its folder and its extension; the text
// of "Untitled" for a session never saved.
std::string DiscTitle(const std::string& sessionPath) {
    std::string name = sessionPath.substr(sessionPath.find_last_of('/') + 1);
    if (name.empty()) {
        char untitled[256];
        MyLoadString("Untitled", untitled, sizeof untitled);
        return untitled;
    }
    if (name.size() > 4) name.resize(name.size() - 4);
    return name;
}

// Each line of text into the log (the log ends lines itself).
void LogLines(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        Log(text.substr(start, end - start).c_str());
        start = end + 2;
    }
}

}  // namespace

bool CBurner::CreateCueSheet(const char* path, int count) {
    if (tracks_ == nullptr || path == nullptr) return false;
    Log("Creating cue sheet....");
    const TFadePreferences fade = BurnFadeSettings(prefs_);
    const bool gaps = fade.transitionMode == kTransitionGap && fade.gapMs > 0;
    std::string sheet = Format("TITLE \"%s\"\r\n", CleanCueTitle(DiscTitle(tracks_->GetSessionName())).c_str());
    LogLines(sheet);
    tracks_->Lock();
    for (int i = 0; i < count; ++i) {
        const CCDTrack* track = tracks_->GetAt(i);
        if (track == nullptr) break;
        const std::string song = track->GetPath();
        std::string file = track->GetTempFile();
        if (file.empty()) file = song;
        const std::string gap = gaps && i + 1 < count ? Format("        POSTGAP %02d:%02d:00\r\n", fade.gapMs / 60000,
                                                               (fade.gapMs % 60000) / 1000)
                                                      : std::string();
        const char* kind = BurnFileIsMp3(file, song) ? "MP3" : "WAVE";
        const std::string block = Format(
            "FILE \"%s\" %s\r\n  TRACK %02d AUDIO\r\n    INDEX 01 00:00:00\r\n%s      TITLE \"%s\"\r\n",
            file.c_str(), kind, i + 1, gap.c_str(), CleanCueTitle(track->GetMusicInfo().title).c_str());
        LogLines(block);
        sheet += block;
    }
    tracks_->Unlock();
    const bool written = ReplaceFileContents(path, sheet) == 0;
    Log("End cue sheet....");
    return written;
}
