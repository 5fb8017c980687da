#include "testsupport/song_tree.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace testsupport {

namespace {

namespace fs = std::filesystem;

std::string Be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string SyncSafe(std::uint32_t v) {
    return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
            static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

// 8-bit mono at 1,000 samples a second: one byte per millisecond.
std::string WaveFile(const std::string& title, const std::string& artist, const std::string& album, int ms,
                     std::uint32_t claimedData = 0) {
    const std::string format = Le16(1) + Le16(1) + Le32(1000) + Le32(1000) + Le16(1) + Le16(8);
    std::string samples(static_cast<std::size_t>(ms), '\x80');
    const std::string info = RiffChunk("INAM", title) + RiffChunk("IART", artist) + RiffChunk("IPRD", album);
    const std::string body = "WAVE" + RiffChunk("fmt ", format) + RiffChunk("LIST", "INFO" + info) +
                             RiffChunk("data", samples, claimedData);
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

bool HaveProgram(const char* name) {
    return std::system(("command -v " + std::string(name) + " > /dev/null 2>&1").c_str()) == 0;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

std::string Le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}
std::string Le16(std::uint16_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }

std::string RiffChunk(const std::string& id, const std::string& data, std::uint32_t claimed) {
    std::string chunk = id + Le32(claimed != 0 ? claimed : static_cast<std::uint32_t>(data.size())) + data;
    if (data.size() % 2 != 0) chunk += '\0';
    return chunk;
}

std::string Id3v2Tag(const std::string& title, const std::string& artist, const std::string& album, int track) {
    auto frame = [](const char* id, const std::string& text) {
        return std::string(id) + Be32(static_cast<std::uint32_t>(text.size() + 1)) + std::string(2, '\0') + '\0' +
               text;
    };
    const std::string frames = frame("TIT2", title) + frame("TPE1", artist) + frame("TALB", album) +
                               frame("TRCK", std::to_string(track));
    return std::string("ID3\x03\x00\x00", 6) + SyncSafe(static_cast<std::uint32_t>(frames.size())) + frames;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool CSongTree::HaveLame() { return HaveProgram("lame"); }
bool CSongTree::HaveFfmpeg() { return HaveProgram("ffmpeg"); }

bool CSongTree::MakeMp3Body() {
    if (!mp3Body_.empty()) return true;
    fs::create_directories(work_);
    const std::string wav = work_ + "/body.wav";
    const std::string mp3 = work_ + "/body.mp3";
    // Half a second of quiet noise at 8 kHz.
    const std::string format = Le16(1) + Le16(1) + Le32(8000) + Le32(16000) + Le16(2) + Le16(16);
    std::string samples(8000, '\0');
    for (std::size_t i = 0; i < samples.size(); i += 2) samples[i] = static_cast<char>(i * 7);
    const std::string body = "WAVE" + RiffChunk("fmt ", format) + RiffChunk("data", samples);
    WriteBytes(wav, "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body);
    if (std::system(("lame --silent -b 64 " + Quoted(wav) + " " + Quoted(mp3)).c_str()) != 0) return false;
    mp3Body_ = ReadBytes(mp3);
    fs::remove(wav);
    fs::remove(mp3);
    return !mp3Body_.empty();
}

bool CSongTree::AddMp3s(const std::string& folder, int count, const std::string& artist, int first) {
    if (!MakeMp3Body()) return false;
    fs::create_directories(folder);
    for (int i = first; i < first + count; ++i) {
        TTreeSong song{folder + "/" + std::to_string(i) + ".mp3", artist + " song " + std::to_string(i), artist,
                       "Album " + std::to_string(i % 7), i % 20 + 1, 0};
        WriteBytes(song.path, Id3v2Tag(song.title, song.artist, song.album, song.track) + mp3Body_);
        songs_.push_back(song);
    }
    return true;
}

void CSongTree::AddWavs(const std::string& folder, int count, const std::string& artist, int seconds, int first) {
    fs::create_directories(folder);
    for (int i = first; i < first + count; ++i) {
        TTreeSong song{folder + "/" + std::to_string(i) + ".wav", artist + " wave " + std::to_string(i), artist,
                       "Waves", 0, seconds * 1000};
        WriteBytes(song.path, WaveFile(song.title, song.artist, song.album, song.lengthMs));
        songs_.push_back(song);
    }
}

bool CSongTree::AddWma(const std::string& path, const std::string& title, const std::string& artist,
                       const std::string& album, int year, int track, const std::string& genre) {
    fs::create_directories(fs::path(path).parent_path());
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:sample_rate=44100:duration=3' -ac 2 -c:a wmav2 "
        "-b:a 128k -metadata title=" + Quoted(title) + " -metadata artist=" + Quoted(artist) +
        " -metadata album=" + Quoted(album) + " -metadata genre=" + Quoted(genre) +
        // The attribute names the format's own writers use for these two.
        " -metadata WM/Year=" + std::to_string(year) + " -metadata WM/Track=" + std::to_string(track) + " " +
        Quoted(path);
    if (std::system(command.c_str()) != 0) return false;
    songs_.push_back({path, title, artist, album, track, 3000});
    return true;
}

void CSongTree::AddDamaged(const std::string& folder) {
    fs::create_directories(folder);
    std::mt19937 random(83);
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    // Random bytes without a single frame sync make no MPEG stream.
    for (char& c : noise)
        if (c == '\xff') c = 0;
    WriteBytes(folder + "/noise.mp3", noise);
    WriteBytes(folder + "/empty.wav", "");
    // Its data claims far more than the file holds, and holds nothing.
    WriteBytes(folder + "/overrun.wav", WaveFile("Overrun", "Broken", "", 0, 0x7FFFFFF0));
    // Cut inside its tag: no audio left.
    WriteBytes(folder + "/cut.mp3", Id3v2Tag("Cut", "Broken", "", 1).substr(0, 20));
    std::error_code error;
    fs::create_directory_symlink(folder, folder + "/loop", error);
    // A Latin-1 name: a good song all the same.
    if (MakeMp3Body()) {
        TTreeSong song{folder + "/caf\xe9.mp3", "Cafe song", "Latin", "Names", 1, 0};
        WriteBytes(song.path, Id3v2Tag(song.title, song.artist, song.album, song.track) + mp3Body_);
        songs_.push_back(song);
    }
}

}  // namespace testsupport
