#pragma once
// Trees of generated song files for the tests of the library import and
// search: MP3 files (one MPEG body made once by lame, each file with its own
// ID3 v2 tag written here), WAV files with a LIST "INFO" chunk, WMA files
// made by ffmpeg, and damaged files that no reader should take.

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Pieces of song files: little-endian numbers, a RIFF chunk (padded to an
// even size; claimed: the size written in its header when not 0) and an ID3
// v2.3 tag of Latin-1 text frames.
std::string Le16(std::uint16_t value);
std::string Le32(std::uint32_t value);
std::string RiffChunk(const std::string& id, const std::string& data, std::uint32_t claimed = 0);
std::string Id3v2Tag(const std::string& title, const std::string& artist, const std::string& album, int track);
// A whole file's bytes (empty when it cannot be read), and writing them.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// One song file written, with what its tags say.
struct TTreeSong {
    std::string path;
    std::string title;
    std::string artist;
    std::string album;
    int track = 0;
    int lengthMs = 0;  // what the file's format gives
};

class CSongTree {
public:
    // work: a scratch folder for the files the outside programs make.
    explicit CSongTree(std::string work) : work_(std::move(work)) {}

    // Whether the outside programs are there (lame for MP3, ffmpeg for WMA).
    static bool HaveLame();
    static bool HaveFfmpeg();

    // count MP3 files named "<first + i>.mp3" in folder (made with its
    // parents); false without lame.
    bool AddMp3s(const std::string& folder, int count, const std::string& artist, int first = 0);
    // count WAV files of seconds each (a rate of 1,000 bytes a second keeps
    // long songs small).
    void AddWavs(const std::string& folder, int count, const std::string& artist, int seconds, int first = 0);
    // One WMA file of three seconds with its tags; false without ffmpeg.
    bool AddWma(const std::string& path, const std::string& title, const std::string& artist,
                const std::string& album, int year, int track, const std::string& genre);
    // Files no reader takes as a song: random bytes named .mp3, an empty
    // .wav, a WAV whose data runs past the file, an MP3 cut inside its
    // tag, a folder link round to itself and a song whose name is not UTF-8
    // (that one is a good song: returned in songs()).
    void AddDamaged(const std::string& folder);

    const std::vector<TTreeSong>& songs() const { return songs_; }

private:
    bool MakeMp3Body();

    std::string work_;
    std::string mp3Body_;
    std::vector<TTreeSong> songs_;
};

}  // namespace testsupport
