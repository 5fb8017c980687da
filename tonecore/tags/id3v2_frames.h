#pragma once
// The ten ID3 v2.3 frames the engine understands, by their index in this
// order: TPE1 artist, TALB album, TIT2 title, COMM comment, TENC encoded by,
// TCOP copyright, MCDI CD identifier, TYER year, TCON genre, TRCK track. Each
// reads its frame's data into a TMusicInfo and builds frame data from one.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TMusicInfo;

inline constexpr int kId3UnderstoodFrames = 10;
enum : int {
    kId3Artist,
    kId3Album,
    kId3Title,
    kId3Comment,
    kId3Encoder,
    kId3Copyright,
    kId3CdIdentifier,
    kId3Year,
    kId3Genre,
    kId3Track,
};

// The frame id of index 0-9; null for any other index.
const char* Id3FrameId(int index);
// The index of a frame id, or -1.
int Id3FrameIndex(const char id[4]);

// What a walk over a tag's frames carries from one frame to the next. A tag
// may hold several comment frames: players add their own under descriptions
// such as "iTunNORM" beside the plain comment (no description, or the
// "Comments" this engine writes). A plain comment is preferred over a
// described one, and among those alike one in the engine's language, else
// the first.
struct TId3FrameWalk {
    int commentRank = -1;  // of the comment frame taken; -1 for none yet
};

// Reads one frame's data into the record's fields; walk, when given, is the
// same for every frame of one tag. False for a comment frame whose
// description has no end (the tag is corrupt).
bool ReadId3Frame(int index, std::span<const std::uint8_t> data, TMusicInfo& info, TId3FrameWalk* walk = nullptr);
// The data of the frame that holds the record's value, empty when the value
// is empty (or out of the range the frame stores): no frame is written.
std::vector<std::uint8_t> BuildId3Frame(int index, const TMusicInfo& info);

// The language of the comment frames the engine writes and prefers ("eng"
// unless set); shared by the whole engine.
std::string GetLangCode();
void SetLangCode(const char* code);
