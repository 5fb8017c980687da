#pragma once
// What the session list asks of the song player: which song plays, under
// which sound id, and telling it which session track a sound belongs to.
// The program answers it with its one player; tests with set values.

#include <cstdint>
#include <string>

class ISessionPlayer {
public:
    virtual ~ISessionPlayer() = default;
    // The player plays the file at path (its current request, playing).
    virtual bool IsPlayingFile(const char* path) = 0;
    // The sound id of the player's current request.
    virtual std::uint16_t CurrentSoundId() = 0;
    // The path of the song with this sound id (low 16 bits); false when no
    // slot holds it.
    virtual bool SongPathById(std::uint32_t soundId, std::string& path) = 0;
    // The sound with this id belongs to the session track with serial (-1:
    // to none); the player takes that track's volume.
    virtual void SetSoundSerial(std::uint32_t soundId, int serial) = 0;
    // The playing song takes its track's volume anew.
    virtual void RefreshGain() = 0;
};

class CSongPlayer;

// The program's one player as the session list sees it.
class CSongPlayerForSession final : public ISessionPlayer {
public:
    explicit CSongPlayerForSession(CSongPlayer& player) : player_(player) {}
    bool IsPlayingFile(const char* path) override;
    std::uint16_t CurrentSoundId() override;
    bool SongPathById(std::uint32_t soundId, std::string& path) override;
    void SetSoundSerial(std::uint32_t soundId, int serial) override;
    void RefreshGain() override;

private:
    CSongPlayer& player_;
};
