#include "songsmith/library/library_feed.h"

#include <algorithm>
#include <cstring>

#include "filekit/log.h"
#include "songsmith/library/library_load.h"
#include "songsmith/library/library_nodes.h"
#include "songvault/songvault.h"

namespace {

// The folder a tagged song goes in: its album, else its artist, else
// "<Untagged>".
CLibNode* FolderOf(CLibraryNodes& nodes, CLibNode* artist, CLibNode* album) {
    return album != nullptr ? album : artist != nullptr ? artist : nodes.Untagged();
}

// The title the tree shows: the song's, else its file name.
const char* ShownTitle(const TSVT_Song& song) {
    for (const char* at = song.title; *at != '\0'; ++at)
        if (*at != ' ' && *at != '\t' && *at != '\r' && *at != '\n') return song.title;
    return SongNameOfPath(song.path);
}

void Relink(CLibNode* song, CLibNode* genre) {
    if (song->genre == genre) return;
    if (song->genre != nullptr) {
        auto& siblings = song->genre->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), song), siblings.end());
        song->genre = nullptr;
    }
    CLibraryNodes::LinkGenre(song, genre);
}

}  // namespace

CLibNode* AddRippedSong(CLibraryNodes& nodes, SVTENG_CSongvault& store, TSVT_Song& song) {
    TSVT_Song stored{};
    if (store.FindSongByPath(&stored, song.path, 0)) song.id = stored.id;
    const std::int32_t id = store.AddSong(&song, false);
    LogFmt("CLibraryTab::WM_RIP_TRACKDONE - db AddSong returned %ld", static_cast<long>(id));
    if (id < 0) return nullptr;

    CLibNode* artist = nodes.FindOrAddArtist(&store, song.artist, true);
    CLibNode* album = nodes.FindOrAddAlbum(&store, song.album, artist, true);
    CLibNode* parent = FolderOf(nodes, artist, album);
    const char* title = ShownTitle(song);
    // The tree's node of this song: the one of its path, else one of its
    // title under the same folders that stands for the same record. A node
    // of the same title for another file is another song and stays.
    CLibNode* node = nodes.FindSongByPath(song.path);
    if (node == nullptr) {
        CLibNode* titled = nodes.FindSongByTitle(title, album, album != nullptr ? nullptr : artist);
        if (titled != nullptr && titled->databaseId == id) node = titled;
    }
    if (node != nullptr) {
        node->inTrash = song.trash < 0;
        if (node->parent != parent) nodes.Reparent(node, parent);
    } else {
        node = nodes.CreateNode(kLibNodeSong, title, parent, id, song.trash, song.path);
        if (node == nullptr) return nullptr;
    }
    // The first song of an album gives the album its year and genre.
    if (album != nullptr && album->children.size() == 1) {
        TSVT_Album record{};
        if (store.GetAlbum(album->databaseId, &record)) {
            record.year = song.year;
            record.genre = song.genre;
            store.UpdateAlbum(&record);
        }
    }
    CLibNode* genre = nodes.FindOrAddGenre(&store, song.genre, true);
    Relink(node, genre != nullptr ? genre : nodes.NoGenre());
    return node;
}

CLibNode* AddImportedSong(CLibraryNodes& nodes, SVTENG_CSongvault& store, TSVT_Song& song) {
    LogFmt("CLibraryTab::WM_IMPORT_FOUNDSONG - ImportSong returned ID %d on %s", song.id, song.path);
    CLibNode* artist = nodes.FindOrAddArtist(&store, song.artist, true);
    CLibNode* album = nodes.FindOrAddAlbum(&store, song.album, artist, true);
    CLibNode* genre = nodes.FindOrAddGenre(&store, song.genre, true);
    if (ShownTitle(song) != song.title) {
        const char* name = SongNameOfPath(song.path);
        const std::size_t length = std::min(std::strlen(name), sizeof song.title - 1);
        std::memmove(song.title, name, length);
        song.title[length] = '\0';
    }
    CLibNode* node = nodes.CreateNode(kLibNodeSong, song.title, FolderOf(nodes, artist, album), song.id,
                                      song.trash, song.path);
    if (node == nullptr) return nullptr;
    CLibraryNodes::LinkGenre(node, genre != nullptr ? genre : nodes.NoGenre());
    return node;
}
