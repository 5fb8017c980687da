#pragma once
// The look over the session that the burn progress dialog takes once before
// the write may begin: a song whose file is gone stops the burn, and a song
// that decoded to silence, or one that seems cut off (when the user wants to
// hear of those), is put to the user once. Only the tracks that reach onto
// the disc are looked at.

#include <cstdint>
#include <optional>
#include <string>

class CTrackList;

struct TSessionProblem {
    enum class EKind { kMissingFile, kSilent, kIncomplete };
    EKind kind = EKind::kMissingFile;
    // The track's place in the session, from 0.
    int index = 0;
    std::string title;
};

class CBurnSessionCheck {
public:
    // capacityMs is read by the caller beforehand: the walk holds the
    // list's lock, under which the controller's lock may not be taken.
    CBurnSessionCheck(CTrackList& tracks, std::int32_t capacityMs, bool automaticTrims, bool warnIncomplete);

    // The next track that needs the user's word; a silent or incomplete one
    // is marked as warned about, so it is put to the user only once. None
    // once the tracks that reach onto the disc have all been looked at.
    std::optional<TSessionProblem> Next();

private:
    CTrackList& tracks_;
    std::int32_t capacityMs_;
    bool automaticTrims_;
    bool warnIncomplete_;
    int next_ = 0;
    // The trimmed lengths of the tracks looked at so far.
    std::int64_t summedMs_ = 0;
};
