#include "songsmith/player/session_player.h"

#include "filekit/path_helpers.h"
#include "songsmith/player/song_player.h"

bool CSongPlayerForSession::IsPlayingFile(const char* path) {
    std::string current;
    return player_.IsPlaying() && player_.GetCurrentSongPath(current) && SamePath(current.c_str(), path) != 0;
}

std::uint16_t CSongPlayerForSession::CurrentSoundId() {
    return player_.GetCurrentSoundId();
}

bool CSongPlayerForSession::SongPathById(std::uint32_t soundId, std::string& path) {
    return player_.GetSongPathById(soundId, path);
}

void CSongPlayerForSession::SetSoundSerial(std::uint32_t soundId, int serial) {
    player_.SetSoundSerial(soundId, serial);
}

void CSongPlayerForSession::RefreshGain() {
    player_.RefreshGain();
}
