#pragma once
// Loading the Library page's node tree from the song store, with the checks
// that find a damaged store and the repairs that follow: bad records are
// deleted, empty folders weeded out, and one warning shown at the end. The
// preference "LibLoadFailed" is 1 (and saved) exactly while a load runs, so a
// load that dies is noticed at the next start, which then offers to delete
// the library and start over.

#include <cstddef>

class CLibraryNodes;
class CPreferences;
class SVTENG_CSongvault;

// What the load asks of the page around it.
class ILibraryLoadHost {
public:
    virtual ~ILibraryLoadHost() = default;
    // The last load did not finish: the start-up progress is hidden and the
    // user asked. 1: delete the library and start over.
    virtual int AskStartOver() = 0;
    virtual void SavePreferences() = 0;
    // The progress of the load: its total steps, then one step per record.
    virtual void StartProgress(int total) = 0;
    virtual void StepProgress() = 0;
    // The progress is done; the tree may be filled.
    virtual void EndProgress() = 0;
    virtual void ShowSongCount(std::size_t count) = 0;
    // "Possible Library Corruption", once per load.
    virtual void WarnCorruption() = 0;
};

// Fills nodes (reset first) from the store. True when something counted as
// corruption (and was repaired).
bool LoadLibraryNodes(CLibraryNodes& nodes, SVTENG_CSongvault& store, CPreferences& prefs, ILibraryLoadHost& host);

// The text the tree shows of a song without a title: its file name, else
// its path.
const char* SongNameOfPath(const char* path);
