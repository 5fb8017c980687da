#pragma once
// What kind of file a path names, judged by its extension alone (ASCII case
// ignored): songs the session takes, MPEG audio, playlists, WMA and WAV.

// mp3, mp2, mp1, mpg, wav, m3u, pls, pl, wma.
bool IsAddableFile(const char* path);
// mp3, mp2, mp1.
bool IsMpegAudioFile(const char* path);
// m3u, pls, pl, tps.
bool IsPlaylistFile(const char* path);
// wma.
bool IsWmaFile(const char* path);
// wav.
bool IsWavFile(const char* path);
