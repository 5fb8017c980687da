#pragma once
// Songs that reach the Library page from elsewhere: a track the CD page
// ripped, and a song the library import found. Each is written to the song
// store (the rip) or already there (the import), and placed in the node tree
// in the same step, its artist, album and genre folders found or made.

class CLibraryNodes;
struct CLibNode;
class SVTENG_CSongvault;
struct TSVT_Song;

// Stores a ripped song (an update when the store has its path already) and
// places it: the song's node, reused when the tree shows that song already,
// else made. Null when the store refused the song.
CLibNode* AddRippedSong(CLibraryNodes& nodes, SVTENG_CSongvault& store, TSVT_Song& song);

// Places a song the import stored; a blank title becomes the file name,
// also in the record. Always a new node.
CLibNode* AddImportedSong(CLibraryNodes& nodes, SVTENG_CSongvault& store, TSVT_Song& song);
