#pragma once
// The Library page's node tree: one node per tree entry, mirroring the song
// store's artist, album, genre and song records, beside the five special
// folders. The page owns the nodes through CLibraryNodes, which keeps the
// lists of every node and of each kind, and index maps beside them so that
// no look-up by name, path or id walks every node: a library of 100,000
// songs loads in time proportional to its size. Each map answers what the
// matching walk over the lists would (the first node in list order).
//
// Names and paths compare byte for byte, case included. Main thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class SVTENG_CSongvault;

enum ELibNodeKind : std::uint32_t {
    kLibNodeRoot = 1,      // "Browse by Artist", "Browse by Genre"
    kLibNodeTrash = 2,
    kLibNodeUntagged = 3,
    kLibNodeNoGenre = 4,
    kLibNodeArtist = 5,
    kLibNodeAlbum = 6,
    kLibNodeGenre = 7,
    kLibNodeSong = 8,
    kLibNodeAnyKind = 9,   // search key only
};

struct CLibNode {
    std::uint32_t kind = 0;
    // Artist, album or genre name, song title; trimmed when made.
    std::string name;
    // Song: its file path; genre: its genre number in decimal.
    std::string text;
    // The node's rows in the tree control (opaque here); null while not
    // inserted. A song's second row sits under its genre.
    void* treeItem = nullptr;
    void* genreTreeItem = nullptr;
    CLibNode* parent = nullptr;
    // Song only: the genre folder whose children hold it too.
    CLibNode* genre = nullptr;
    std::int32_t databaseId = -1;
    std::int32_t indent = 0;
    bool checked = false;
    bool expanded = false;
    bool inTrash = false;
    // Hit boundaries as last drawn; -1 without a glyph.
    std::int32_t glyphLeft = -1;
    std::int32_t buttonRight = -1;
    std::int32_t boxLeft = -1;
    std::vector<CLibNode*> children;
    // Where the node list keeps it.
    std::size_t slot = 0;

    bool IsSong() const { return kind == kLibNodeSong; }
    // Roots, the trash and the untagged and no-genre folders.
    bool IsSpecial() const { return kind >= kLibNodeRoot && kind <= kLibNodeNoGenre; }
    // Folders a check mark applies to as a whole.
    bool IsCheckFolder() const { return kind >= kLibNodeUntagged && kind <= kLibNodeGenre; }
};

class CLibraryNodes {
public:
    CLibraryNodes();
    ~CLibraryNodes();
    CLibraryNodes(const CLibraryNodes&) = delete;
    CLibraryNodes& operator=(const CLibraryNodes&) = delete;

    // Destroys every node and makes the five special folders anew, in the
    // order trash, artist root, untagged, genre root, no-genre.
    void Reset();

    // Makes room for that many more songs and folders, so that a load
    // grows no list on the way.
    void Reserve(std::size_t songs, std::size_t folders);

    // Makes a node: the name trimmed of white space; an empty result makes
    // none (null). Without a parent, artists go under the artist root,
    // genres under the genre root, albums and songs under "<Untagged>". The
    // indent is the parent's + 1; a negative trash marker marks it in the
    // trash.
    CLibNode* CreateNode(std::uint32_t kind, std::string_view name, CLibNode* parent, std::int32_t id,
                         std::int32_t trash, std::string_view text);

    // Find a folder by exact name; with make set a missing one is made
    // together with a new store record (id -1 through the store's Update
    // call; the node takes the id the store gives). Empty names find none.
    CLibNode* FindOrAddArtist(SVTENG_CSongvault* store, std::string_view name, bool make);
    // Under artist when given, else among every album (a new one goes under
    // "<Untagged>" with an empty artist name).
    CLibNode* FindOrAddAlbum(SVTENG_CSongvault* store, std::string_view name, CLibNode* artist, bool make);
    // Genre 255 (or any number without a name) gives "<No Genre>".
    CLibNode* FindOrAddGenre(SVTENG_CSongvault* store, int number, bool make);

    CLibNode* FindSongByPath(std::string_view path) const;
    // kind kLibNodeAnyKind matches every kind.
    CLibNode* FindNode(std::uint32_t kind, std::int32_t id) const;
    // The song's artist (its parent, or its parent's parent) and album.
    static CLibNode* ArtistOfSong(const CLibNode* song);
    static CLibNode* AlbumOfSong(const CLibNode* song);
    // A song by title: under album, else under the artist and its albums,
    // else among every song.
    CLibNode* FindSongByTitle(std::string_view title, const CLibNode* album, const CLibNode* artist) const;

    // Appends a song to a genre folder's children and links it.
    static void LinkGenre(CLibNode* song, CLibNode* genre);
    // Moves node under parent (appended; the indent follows the parent's).
    void Reparent(CLibNode* node, CLibNode* parent);
    // Takes node out of its parent's and its genre's children.
    void Detach(CLibNode* node);
    // Renames a node (name trimmed) and sets its text, keeping the look-ups
    // in step.
    void SetNameAndText(CLibNode* node, std::string_view name, std::string_view text);
    // Detaches and destroys node and everything below it. Rows must be gone.
    void DestroyNode(CLibNode* node);
    // Destroys many childless nodes at once, in one pass over the lists.
    void DestroyLeaves(const std::vector<CLibNode*>& nodes);

    // Whether the folder holds at least one song in the trash.
    bool TrashHasSongs() const { return !trash_->children.empty(); }

    const std::vector<CLibNode*>& All() const { return all_; }
    const std::vector<CLibNode*>& Artists() const { return artists_; }
    const std::vector<CLibNode*>& Albums() const { return albums_; }
    const std::vector<CLibNode*>& Genres() const { return genres_; }
    const std::vector<CLibNode*>& Songs() const { return songs_; }
    std::size_t SongCount() const { return songs_.size(); }

    CLibNode* Trash() const { return trash_; }
    CLibNode* Untagged() const { return untagged_; }
    CLibNode* ArtistRoot() const { return artistRoot_; }
    CLibNode* GenreRoot() const { return genreRoot_; }
    CLibNode* NoGenre() const { return noGenre_; }

private:
    // The nodes of one key in list order; most keys have one node, held
    // without a heap block of its own.
    struct TBucket {
        CLibNode* first = nullptr;
        std::vector<CLibNode*> more;
        void Add(CLibNode* node);
        // False when the bucket is empty afterwards.
        bool Remove(const CLibNode* node);
    };
    // Keys look into the nodes' own texts (the first node's of the
    // bucket), so no name or path is held twice.
    using TNameIndex = std::unordered_map<std::string_view, TBucket>;
    struct TAlbumKeyHash {
        std::size_t operator()(const std::pair<const CLibNode*, std::string_view>& key) const {
            return std::hash<std::string_view>()(key.second) ^ (std::hash<const void*>()(key.first) << 1);
        }
    };
    using TAlbumIndex = std::unordered_map<std::pair<const CLibNode*, std::string_view>, TBucket, TAlbumKeyHash>;

    CLibNode* MakeSpecial(std::uint32_t kind, const char* name, CLibNode* parent, std::int32_t indent);
    CLibNode* Own(std::unique_ptr<CLibNode> node);
    std::vector<CLibNode*>* ListOfKind(std::uint32_t kind);
    void AddToIndexes(CLibNode* node);
    void RemoveFromIndexes(CLibNode* node);
    static void IndexAdd(TNameIndex& index, const std::string& key, CLibNode* node);
    static void IndexRemove(TNameIndex& index, const std::string& key, const CLibNode* node);
    static CLibNode* IndexFirst(const TNameIndex& index, std::string_view key);
    void SetId(CLibNode* node, std::int32_t id);
    bool Owns(const CLibNode* node) const;

    // Every node, each knowing its slot here.
    std::vector<std::unique_ptr<CLibNode>> owned_;
    std::vector<CLibNode*> all_;
    std::vector<CLibNode*> artists_;
    std::vector<CLibNode*> albums_;
    std::vector<CLibNode*> genres_;
    std::vector<CLibNode*> songs_;

    // Artists under the artist root, albums by (parent, name) and by name
    // alone, genres by name, songs by path and title, every node by id.
    TNameIndex artistsByName_;
    TAlbumIndex albumsByParentAndName_;
    TNameIndex albumsByName_;
    TNameIndex genresByName_;
    // The look-ups a load does not use (songs by path and title, nodes by
    // id) are built from the lists at their first use, then kept in step:
    // a load of 100,000 songs does not fill them on the way.
    void BuildLookups() const;
    mutable bool lookupsBuilt_ = false;
    mutable TNameIndex songsByPath_;
    mutable TNameIndex songsByTitle_;
    mutable std::unordered_map<std::int32_t, TBucket> byId_;

    CLibNode* trash_ = nullptr;
    CLibNode* artistRoot_ = nullptr;
    CLibNode* untagged_ = nullptr;
    CLibNode* genreRoot_ = nullptr;
    CLibNode* noGenre_ = nullptr;
};
