#include "songsmith/library/library_load.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "platform/tick.h"
#include "songsmith/library/library_nodes.h"
#include "songsmith/prefs/preferences.h"
#include "songvault/songvault.h"

namespace {

// The counts read before the load; a negative one is a damaged store.
struct TRecordCounts {
    std::int32_t artists = 0;
    std::int32_t albums = 0;
    std::int32_t genres = 0;
    std::int32_t songs = 0;
};

// Frees the record at index and closes the gap.
template <class T>
void RemoveAt(MvList<T*>& list, std::int32_t index) {
    delete list.items[index];
    std::copy(list.items + index + 1, list.items + list.count, list.items + index);
    --list.count;
}

class CLoad {
public:
    CLoad(CLibraryNodes& nodes, SVTENG_CSongvault& store, CPreferences& prefs, ILibraryLoadHost& host)
        : nodes_(nodes), store_(store), prefs_(prefs), host_(host) {}

    bool Run();

private:
    void OfferStartOver();
    void ReadCounts();
    void LoadArtists(MvList<TSVT_Artist*>& list);
    void LoadAlbums(MvList<TSVT_Album*>& list);
    void LoadGenres(MvList<TSVT_Genre*>& list);
    void LoadSongs();
    void PlaceSong(TSVT_Song& song);
    // The folders of a song, as FindOrAdd gives them. Songs of one album
    // mostly follow each other in the store: the last artist and album and
    // every genre met are remembered, so that most songs need no look-up.
    CLibNode* ArtistNamed(const char* name);
    CLibNode* AlbumNamed(const char* name, CLibNode* artist);
    CLibNode* GenreNumbered(int number);
    void WeedEmptyFolders();
    void SetLoadFailed(int value) {
        prefs_.LibLoadFailed = value;
        host_.SavePreferences();
    }
    const char* Folder() const { return prefs_.LibraryPath; }

    CLibraryNodes& nodes_;
    SVTENG_CSongvault& store_;
    CPreferences& prefs_;
    ILibraryLoadHost& host_;
    TRecordCounts counts_;
    bool corrupt_ = false;
    std::string lastArtistName_;
    CLibNode* lastArtist_ = nullptr;
    std::string lastAlbumName_;
    CLibNode* lastAlbumArtist_ = nullptr;
    CLibNode* lastAlbum_ = nullptr;
    std::array<CLibNode*, 256> genres_{};
};

bool CLoad::Run() {
    if (prefs_.LibLoadFailed != 0) OfferStartOver();
    // A damaged or foreign store file was set aside when the store opened.
    if (store_.FoundDamagedStore()) corrupt_ = true;
    SetLoadFailed(1);
    ReadCounts();
    const std::uint32_t started = GetTickCount();

    nodes_.Reset();
    nodes_.Reserve(static_cast<std::size_t>(std::max(counts_.songs, 0)),
                   static_cast<std::size_t>(std::max(counts_.artists, 0)) +
                       static_cast<std::size_t>(std::max(counts_.albums, 0)) +
                       static_cast<std::size_t>(std::max(counts_.genres, 0)));
    MvList<TSVT_Artist*> artists;
    MvList<TSVT_Album*> albums;
    MvList<TSVT_Genre*> genres;
    store_.FindArtists(artists);
    LoadArtists(artists);
    store_.FindAlbums(albums);
    LoadAlbums(albums);
    store_.FindGenres(genres);
    LoadGenres(genres);
    if (counts_.songs != 0) {
        host_.ShowSongCount(static_cast<std::size_t>(counts_.songs > 0 ? counts_.songs : 0));
        LoadSongs();
    }
    Log("CLibraryTab::_LoadNodeList - Deallocating lists");
    store_.DeallocArtistList(&artists, false);
    store_.DeallocAlbumList(&albums, false);
    store_.DeallocGenreList(&genres, false);
    LogFmt("Tick count: %ld", static_cast<long>(GetTickCount() - started));

    WeedEmptyFolders();
    host_.EndProgress();
    if (corrupt_) host_.WarnCorruption();
    SetLoadFailed(0);
    return corrupt_;
}

void CLoad::OfferStartOver() {
    if (host_.AskStartOver() != 1) return;
    // Nothing of the old store is saved; the file goes with its companion
    // files, which a new store would otherwise take up.
    store_.Shutdown(nullptr);
    if (!store_.DeleteDatabase(Folder())) Log("CLibraryTab::_LoadNodeList - Could not delete the library's files");
    static const SGSMarovelle description;
    store_.Initialize(&description, Folder());
    corrupt_ = true;
}

void CLoad::ReadCounts() {
    struct {
        std::int32_t& count;
        std::int32_t value;
        const char* what;
    } counts[] = {
        {counts_.artists, store_.GetArtistCount(), "artist"},
        {counts_.albums, store_.GetAlbumCount(), "album"},
        {counts_.genres, store_.GetGenreCount(), "genre"},
        {counts_.songs, store_.GetSongCount(), "song"},
    };
    int total = 6;
    for (auto& entry : counts) {
        entry.count = entry.value;
        if (entry.value < 0) {
            LogFmt("CLibraryTab::_LoadNodeList - [ Corruption Check ] Invalid %s count! %ld", entry.what,
                   static_cast<long>(entry.value));
            corrupt_ = true;
        } else {
            total += entry.value;
        }
    }
    host_.StartProgress(total);
}

void CLoad::LoadArtists(MvList<TSVT_Artist*>& list) {
    if (list.count != counts_.artists) {
        Log("CLibraryTab::_LoadNodeList - [ Corruption Check ] Artist list size doesn't match number of records");
        corrupt_ = true;
    }
    for (std::int32_t i = 0; i < list.count;) {
        TSVT_Artist* artist = list.items[i];
        host_.StepProgress();
        if (nodes_.CreateNode(kLibNodeArtist, artist->name, nodes_.ArtistRoot(), artist->id, 0, {}) != nullptr) {
            ++i;
            continue;
        }
        LogFmt("CLibraryTab::_LoadNodeList - [ Corruption Check ] Invalid artist! ArtistID = %ld, name = %s",
               static_cast<long>(artist->id), artist->name);
        store_.DeleteArtist(artist->id);
        RemoveAt(list, i);
        corrupt_ = true;
    }
}

void CLoad::LoadAlbums(MvList<TSVT_Album*>& list) {
    if (list.count != counts_.albums) {
        Log("CLibraryTab::_LoadNodeList - [ Corruption Check ] Album list size doesn't match number of records");
        corrupt_ = true;
    }
    for (std::int32_t i = 0; i < list.count;) {
        TSVT_Album* album = list.items[i];
        host_.StepProgress();
        CLibNode* artist = nodes_.FindOrAddArtist(&store_, album->artist, false);
        CLibNode* parent = artist != nullptr ? artist : nodes_.Untagged();
        if (nodes_.CreateNode(kLibNodeAlbum, album->name, parent, album->id, 0, {}) != nullptr) {
            ++i;
            continue;
        }
        LogFmt("CLibraryTab::_LoadNodeList - [ Corruption Check ] Invalid album!  AlbumID = %ld, name = %s",
               static_cast<long>(album->id), album->name);
        store_.DeleteAlbum(album->id);
        RemoveAt(list, i);
        corrupt_ = true;
    }
}

void CLoad::LoadGenres(MvList<TSVT_Genre*>& list) {
    if (list.count != counts_.genres) {
        Log("CLibraryTab::_LoadNodeList - [ Corruption Check ] Genre list size doesn't match number of records");
        corrupt_ = true;
    }
    for (std::int32_t i = 0; i < list.count;) {
        TSVT_Genre* genre = list.items[i];
        host_.StepProgress();
        if (nodes_.CreateNode(kLibNodeGenre, genre->name, nodes_.GenreRoot(), genre->id, 0,
                              std::to_string(genre->genre)) != nullptr) {
            ++i;
            continue;
        }
        LogFmt("CLibraryTab::_LoadNodeList - [ Corruption Check ] Invalid genre!  GenreID = %ld, genre = %d (%s)",
               static_cast<long>(genre->id), genre->genre, genre->name);
        store_.DeleteGenre(genre->id);
        RemoveAt(list, i);
        corrupt_ = true;
    }
}

void CLoad::LoadSongs() {
    TSVT_Song song{};
    for (std::int32_t pos = store_.GetFirstSong(&song); pos != -1; pos = store_.GetNextSong(pos, &song)) {
        host_.StepProgress();
        PlaceSong(song);
    }
}

void CLoad::PlaceSong(TSVT_Song& song) {
    CLibNode* parent = nullptr;
    CLibNode* genre = nullptr;
    bool trashed = false;
    if (song.artist[0] == '\0' && song.album[0] == '\0') {
        parent = nodes_.Untagged();
    } else if (song.trash < 0) {
        parent = nodes_.Trash();
        trashed = true;
    } else {
        CLibNode* artist = ArtistNamed(song.artist);
        CLibNode* album = AlbumNamed(song.album, artist);
        parent = album != nullptr ? album : artist != nullptr ? artist : nodes_.Untagged();
    }
    if (!trashed) genre = GenreNumbered(song.genre);
    // A song in the trash, or one whose genre could not be made, is listed
    // under "<No Genre>".
    if (genre == nullptr) genre = nodes_.NoGenre();
    // A song without a title is shown by its file name; it is never deleted
    // for that.
    const char* name = song.title;
    CLibNode* node = nodes_.CreateNode(kLibNodeSong, name, parent, song.id, song.trash, song.path);
    if (node == nullptr) node = nodes_.CreateNode(kLibNodeSong, SongNameOfPath(song.path), parent, song.id,
                                                  song.trash, song.path);
    if (node == nullptr) {
        LogFmt("CLibraryTab::_LoadNodeList - [ Corruption Check ] Song without a title or path! SongID = %ld",
               static_cast<long>(song.id));
        corrupt_ = true;
        return;
    }
    if (trashed) node->indent = 0;
    CLibraryNodes::LinkGenre(node, genre);
}

CLibNode* CLoad::ArtistNamed(const char* name) {
    if (lastArtist_ == nullptr || lastArtistName_ != name) {
        lastArtist_ = nodes_.FindOrAddArtist(&store_, name, true);
        lastArtistName_ = name;
    }
    return lastArtist_;
}

CLibNode* CLoad::AlbumNamed(const char* name, CLibNode* artist) {
    if (lastAlbum_ == nullptr || lastAlbumArtist_ != artist || lastAlbumName_ != name) {
        lastAlbum_ = nodes_.FindOrAddAlbum(&store_, name, artist, true);
        lastAlbumArtist_ = artist;
        lastAlbumName_ = name;
    }
    return lastAlbum_;
}

CLibNode* CLoad::GenreNumbered(int number) {
    if (number < 0 || number >= static_cast<int>(genres_.size())) return nodes_.FindOrAddGenre(&store_, number, true);
    CLibNode*& known = genres_[static_cast<std::size_t>(number)];
    if (known == nullptr) known = nodes_.FindOrAddGenre(&store_, number, true);
    return known;
}

void CLoad::WeedEmptyFolders() {
    // Albums first: an artist whose albums were all empty goes too.
    for (std::uint32_t kind : {kLibNodeAlbum, kLibNodeArtist, kLibNodeGenre}) {
        const auto& list = kind == kLibNodeAlbum    ? nodes_.Albums()
                           : kind == kLibNodeArtist ? nodes_.Artists()
                                                    : nodes_.Genres();
        std::vector<CLibNode*> empty;
        for (CLibNode* node : list)
            if (node->children.empty()) empty.push_back(node);
        for (CLibNode* node : empty) {
            if (kind == kLibNodeAlbum)
                store_.DeleteAlbum(node->databaseId);
            else if (kind == kLibNodeArtist)
                store_.DeleteArtist(node->databaseId);
            else
                store_.DeleteGenre(node->databaseId);
        }
        nodes_.DestroyLeaves(empty);
    }
}

}  // namespace

const char* SongNameOfPath(const char* path) {
    if (path == nullptr) return "";
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr && slash[1] != '\0' ? slash + 1 : path;
}

bool LoadLibraryNodes(CLibraryNodes& nodes, SVTENG_CSongvault& store, CPreferences& prefs, ILibraryLoadHost& host) {
    return CLoad(nodes, store, prefs, host).Run();
}
