// The Library page's tag edits: an artist, album or genre renamed or merged
// into another, a song's tag changed or removed, a song moved to another
// artist and album. Each writes the song store first, then the node tree
// and its rows, then the song file's tag and the session's copy of the song.
#include <QTreeWidget>
#include <cstring>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "songsmith/library/genre_table.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/library_atoms.h"
#include "songsmith/library/library_links.h"
#include "songsmith/library/library_load.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/library/song_file_tag.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/library/ui/edit_song_tag_dlg.h"
#include "songsmith/library/ui/library_tab_edit_action.h"
#include "songsmith/library/ui/library_tag_dlgs.h"
#include "songvault/songvault.h"
#include "utilities/undo_manager.h"

namespace {

// A name as the store's 64-byte fields keep it, trimmed.
std::string StoredName(const char* text) {
    return std::string(TrimBlanks(CutToBuffer(text != nullptr ? text : "", SVT_NAME_BYTES)));
}

const char* Shown(const char* given, const char* kept) { return given != nullptr ? given : kept; }

long IdOf(const CLibNode* node) { return static_cast<long>(node->databaseId); }

std::string NameOf(const CLibNode* node) { return node != nullptr ? node->name : std::string(); }

}  // namespace

void CLibraryTab::RecordUndo(CUndoAtom& atom, bool undo) {
    if (!undo) return;
    if (CUndoMgr* history = LibraryPartners().undo) history->AddUndoNode(atom);
}

void CLibraryTab::MoveSong(CLibNode* song, CLibNode* folder, bool removeFolders) {
    CLibNode* old = song->parent;
    if (old == folder) return;
    UnpopulateItem(song);
    nodes_.Reparent(song, folder);
    if (old != nullptr) DeleteEmptyFolder(old, removeFolders);
}

void CLibraryTab::RelinkGenre(CLibNode* song, CLibNode* genre) {
    CLibNode* old = song->genre;
    if (old == genre || genre == nullptr) return;
    if (old != nullptr) std::erase(old->children, song);
    CLibraryNodes::LinkGenre(song, genre);
    // A genre left without songs leaves the tree; the next load weeds out
    // its record.
    if (old != nullptr && old->kind == kLibNodeGenre && old->children.empty()) DestroyNode(old);
}

void CLibraryTab::WriteTagOutward(const TSVT_Song& before, const TSVT_Song& song, const char* logLine) {
    const char* oldPath = before.path;
    if (!WriteSongFileTag(before, song)) {
        LogFmt("CLibraryTab::ChangeTag - Could not write the tag of %s", song.path);
        unwrittenTags_.emplace_back(song.path);
    }
    ReplaceSessionReference(oldPath, song, logLine);
    if (const auto& find = FindTabTagHandler()) find(oldPath, song);
}

void CLibraryTab::WarnUnwrittenTags() {
    if (unwrittenTags_.empty()) return;
    std::string files;
    for (const std::string& path : unwrittenTags_) files += path + "\n";
    unwrittenTags_.clear();
    ShowMessageText(window_, FormatKeyedText("LibTab_TagNotWritten", {files.c_str()}).c_str(),
                    MB_OK | MB_ICONWARNING, KeyedText("LibTab_TagNotWrittenTitle").c_str());
}

void CLibraryTab::ChangeSongTag(CLibNode* song, const char* artist, const char* album, const char* title,
                                const char* path, int year, int genre, bool undo, bool makeFolders,
                                const TSVT_Song* tagBefore) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (song == nullptr || store == nullptr) return;
    CEditAction action(*this);
    TSVT_Song record{};
    if (!store->GetSong(song->databaseId, &record)) {
        LogFmt("CLibraryTab::ChangeSongTag - Song not found in DB with ID = %ld (node = %s)", IdOf(song),
               song->name.c_str());
        return;
    }
    const bool newTitle = title != nullptr && title[0] != '\0';
    const bool newPath = path != nullptr && path[0] != '\0';
    Log("CLibraryTab::ChangeSongTag:");
    LogFmt("   artist: '%s' -> '%s'", record.artist, Shown(artist, record.artist));
    LogFmt("   album: '%s' -> '%s'", record.album, Shown(album, record.album));
    LogFmt("   title: '%s' -> '%s'", record.title, newTitle ? title : record.title);
    LogFmt("   path: '%s' -> '%s'", record.path, newPath ? path : record.path);
    LogFmt("   year: %d -> %d", record.year, year >= 0 ? year : record.year);
    LogFmt("   genre: %d -> %d", record.genre, genre >= 0 ? genre : record.genre);
    // A path the record cannot hold whole is refused rather than cut.
    if (newPath && std::strlen(path) >= sizeof record.path) {
        LogFmt("CLibraryTab::ChangeSongTag - Path too long for the library: %s", path);
        return;
    }
    const TSVT_Song before = record;
    if (artist != nullptr) CopyToField(StoredName(artist), record.artist);
    if (album != nullptr) CopyToField(StoredName(album), record.album);
    if (newTitle) {
        CopyToField(title, record.title);
        CopyToField(title, record.trackName);
    }
    if (newPath) CopyToField(path, record.path);
    if (year >= 0) record.year = static_cast<std::int16_t>(year);
    if (genre >= 0) record.genre = static_cast<std::int16_t>(genre);
    if (!store->UpdateSong(&record)) {
        LogFmt("CLibraryTab::ChangeSongTag - Song could not be written, ID = %ld", IdOf(song));
        return;
    }

    // The new side holds what the record took, so a redo of a change that
    // left fields alone does not blank them.
    CTagChangeAtom atom(kLibNodeSong, song->databaseId,
                        MakeTagBlock(before.artist, before.album, before.title, before.path, before.year, before.genre),
                        MakeTagBlock(record.artist, record.album, record.title, record.path, record.year, record.genre));
    RecordUndo(atom, undo);

    const std::string_view shownTitle = TrimBlanks(FieldText(record.title));
    nodes_.SetNameAndText(song, shownTitle.empty() ? std::string_view(SongNameOfPath(record.path)) : shownTitle,
                          FieldText(record.path));
    CLibNode* artistNode = nodes_.FindOrAddArtist(store, FieldText(record.artist), makeFolders);
    CLibNode* albumNode =
        artistNode != nullptr ? nodes_.FindOrAddAlbum(store, FieldText(record.album), artistNode, makeFolders) : nullptr;

    // An album of this one song follows its year and genre. A missing album
    // record skips only that: the file, the session and the rows still
    // follow the song's record.
    if (CLibNode* parent = song->parent; parent != nullptr && parent->kind == kLibNodeAlbum &&
                                         parent->children.size() == 1) {
        TSVT_Album albumRecord{};
        if (store->GetAlbum(parent->databaseId, &albumRecord)) {
            albumRecord.year = record.year;
            albumRecord.genre = record.genre;
            store->UpdateAlbum(&albumRecord);
        } else {
            LogFmt("CLibraryTab::ChangeSongTag - Album not found in DB with ID = %ld (node = %s)", IdOf(parent),
                   parent->name.c_str());
        }
    }

    if (genre >= 0 && !song->inTrash) {
        CLibNode* genreNode = nodes_.FindOrAddGenre(store, record.genre, true);
        if (genreNode != nullptr && genreNode != song->genre) {
            RelinkGenre(song, genreNode);
            RefreshNode(genreNode);
        }
    }

    TSVT_Song fileBefore = tagBefore != nullptr ? *tagBefore : before;
    CopyToField(FieldText(before.path), fileBefore.path);
    WriteTagOutward(fileBefore, record, "CLibraryTab::ChangeTag - Replacing session reference");

    UnpopulateItem(song);
    RefreshNode(artistNode);
    RefreshNode(albumNode);
    RefreshNode(song);
}

void CLibraryTab::ChangeSongParents(CLibNode* song, const char* artist, const char* album, bool makeFolders,
                                    bool retag, bool undo) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (song == nullptr || store == nullptr) return;
    CEditAction action(*this);
    TSVT_Song record{};
    if (!store->GetSong(song->databaseId, &record)) {
        LogFmt("CLibraryTab::ChangeSongParents - Song not found in DB with ID = %ld (node = %s)", IdOf(song),
               song->name.c_str());
        return;
    }
    const std::string artistName = StoredName(artist);
    const std::string albumName = StoredName(album);
    CLibNode* targetArtist = nodes_.FindOrAddArtist(store, artistName, makeFolders);
    // Without an artist the album is one of "<Untagged>".
    CLibNode* targetAlbum = nullptr;
    if (!albumName.empty()) {
        if (targetArtist != nullptr) {
            targetAlbum = nodes_.FindOrAddAlbum(store, albumName, targetArtist, makeFolders);
        } else if (artistName.empty()) {
            CLibNode* found = nodes_.FindOrAddAlbum(store, albumName, nodes_.Untagged(), false);
            if (found == nullptr && makeFolders) found = nodes_.FindOrAddAlbum(store, albumName, nullptr, true);
            if (found != nullptr && found->parent == nodes_.Untagged()) targetAlbum = found;
        }
    }
    CLibNode* currentArtist = CLibraryNodes::ArtistOfSong(song);
    CLibNode* currentAlbum = CLibraryNodes::AlbumOfSong(song);
    if (targetArtist == currentArtist && targetAlbum == currentAlbum && !song->inTrash) return;

    CSongParentsAtom atom(kLibNodeSong, song->databaseId, record.artist, record.album, artistName.c_str(),
                          albumName.c_str());
    RecordUndo(atom, undo);

    if (targetAlbum != nullptr && targetAlbum != currentAlbum) {
        MoveSong(song, targetAlbum, true);
    } else if (targetArtist == nullptr) {
        MoveSong(song, targetAlbum != nullptr ? targetAlbum : nodes_.Untagged(), true);
    } else if (targetArtist == currentArtist) {
        // Up from its album to the artist: the emptied album leaves the
        // tree, its record stays until the next load weeds it out.
        MoveSong(song, targetArtist, false);
    } else {
        const std::string name = !albumName.empty() ? albumName : std::string(FieldText(record.album));
        CLibNode* folder = targetArtist;
        if (!name.empty()) {
            CLibNode* found = nodes_.FindOrAddAlbum(store, name, targetArtist, false);
            if (found == nullptr) {
                found = nodes_.FindOrAddAlbum(store, name, targetArtist, true);
                TSVT_Album albumRecord{};
                if (found != nullptr && store->GetAlbum(found->databaseId, &albumRecord)) {
                    albumRecord.year = record.year;
                    albumRecord.genre = record.genre;
                    store->UpdateAlbum(&albumRecord);
                } else if (found != nullptr) {
                    LogFmt("CLibraryTab::ChangeSongParents - Album not found in DB with ID = %ld (node = %s)",
                           IdOf(found), found->name.c_str());
                    return;
                }
            }
            if (found != nullptr) folder = found;
        }
        MoveSong(song, folder, true);
    }

    if (retag) {
        const CLibNode* nowArtist = CLibraryNodes::ArtistOfSong(song);
        const CLibNode* nowAlbum = CLibraryNodes::AlbumOfSong(song);
        ChangeSongTag(song, NameOf(nowArtist).c_str(), NameOf(nowAlbum).c_str(), nullptr, nullptr, -1, -1, undo,
                      false);
    }
    RefreshNode(CLibraryNodes::ArtistOfSong(song));
    RefreshNode(song->parent);
    RefreshNode(song);
}

void CLibraryTab::ChangeArtistTag(CLibNode* artist, const char* name, bool undo) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (artist == nullptr || store == nullptr || name == nullptr) return;
    CEditAction action(*this);
    TSVT_Artist record{};
    if (!store->GetArtist(artist->databaseId, &record)) {
        LogFmt("CLibraryTab::ChangeArtistTag - Artist not found in DB with ID = %ld (node = %s)", IdOf(artist),
               artist->name.c_str());
        return;
    }
    const std::string newName = StoredName(name);
    LogFmt("   name: '%s' -> '%s'", record.name, newName.c_str());
    if (newName.empty() || newName == artist->name) return;

    if (CLibNode* other = nodes_.FindOrAddArtist(store, newName, false); other != nullptr && other != artist) {
        // A merge: every child moves to the other artist; the last one to
        // leave takes this artist with it.
        const std::vector<CLibNode*> children = artist->children;
        for (CLibNode* child : children) {
            if (child->kind == kLibNodeAlbum)
                ChangeAlbumTag(child, newName.c_str(), nullptr, -1, -1, undo);
            else if (child->IsSong())
                ChangeSongParents(child, newName.c_str(), nullptr, false, true, undo);
        }
        RefreshNode(other);
        return;
    }

    CTagChangeAtom atom(kLibNodeArtist, artist->databaseId, MakeTagBlock(record.name, nullptr, nullptr, nullptr, -1, -1),
                        MakeTagBlock(newName.c_str(), nullptr, nullptr, nullptr, -1, -1));
    RecordUndo(atom, undo);
    CopyToField(newName, record.name);
    if (!store->UpdateArtist(&record)) {
        LogFmt("CLibraryTab::ChangeArtistTag - Artist could not be written, ID = %ld", IdOf(artist));
        return;
    }
    const std::string text = artist->text;
    nodes_.SetNameAndText(artist, newName, text);
    const std::vector<CLibNode*> children = artist->children;
    for (CLibNode* child : children) {
        if (child->kind == kLibNodeAlbum)
            ChangeAlbumTag(child, newName.c_str(), nullptr, -1, -1, false);
        else if (child->IsSong())
            ChangeSongTag(child, newName.c_str(), nullptr, nullptr, nullptr, -1, -1, false, false);
    }
    RefreshNode(artist);
}

void CLibraryTab::ChangeAlbumTag(CLibNode* album, const char* artist, const char* name, int year, int genre,
                                 bool undo) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (album == nullptr || store == nullptr) return;
    CEditAction action(*this);
    TSVT_Album record{};
    if (!store->GetAlbum(album->databaseId, &record)) {
        LogFmt("CLibraryTab::ChangeAlbumTag - Album not found in DB with ID = %ld (node = %s)", IdOf(album),
               album->name.c_str());
        return;
    }
    const std::string artistName = artist != nullptr ? StoredName(artist) : std::string(FieldText(record.artist));
    const std::string newName = name != nullptr && StoredName(name) != "" ? StoredName(name)
                                                                          : std::string(FieldText(record.name));
    const int newYear = year >= 0 ? year : record.year;
    const int newGenre = genre >= 0 ? genre : record.genre;
    LogFmt("   name: '%s' -> '%s'", record.name, newName.c_str());
    LogFmt("   artist: '%s' -> '%s'", record.artist, artistName.c_str());
    LogFmt("   year: %d -> %d", record.year, newYear);
    LogFmt("   genre: %d -> %d", record.genre, newGenre);

    CLibNode* currentArtist = album->parent != nullptr && album->parent->kind == kLibNodeArtist ? album->parent : nullptr;
    CLibNode* targetArtist = nodes_.FindOrAddArtist(store, artistName, false);
    CLibNode* existing = targetArtist != nullptr ? nodes_.FindOrAddAlbum(store, newName, targetArtist, false) : nullptr;
    const std::vector<CLibNode*> songs = album->children;
    CLibNode* result = album;
    CTagChangeAtom atom(kLibNodeAlbum, album->databaseId,
                        MakeTagBlock(record.artist, record.name, nullptr, nullptr, record.year, record.genre),
                        MakeTagBlock(artistName.c_str(), newName.c_str(), nullptr, nullptr, newYear, newGenre));

    if (targetArtist == currentArtist && (existing == nullptr || existing == album)) {
        // Renamed in place. The songs take what was given; a year or genre
        // left alone keeps each song's own.
        RecordUndo(atom, undo);
        CopyToField(artistName, record.artist);
        CopyToField(newName, record.name);
        record.year = static_cast<std::int16_t>(newYear);
        record.genre = static_cast<std::int16_t>(newGenre);
        if (!store->UpdateAlbum(&record)) {
            LogFmt("CLibraryTab::ChangeAlbumTag - Album could not be written, ID = %ld", IdOf(album));
            return;
        }
        const std::string text = album->text;
        nodes_.SetNameAndText(album, newName, text);
        if (genre >= 0) nodes_.FindOrAddGenre(store, newGenre, true);
        for (CLibNode* song : songs)
            if (song->IsSong())
                ChangeSongTag(song, artistName.c_str(), newName.c_str(), nullptr, nullptr, year, genre, false, false);
    } else if (existing != nullptr) {
        // A merge into the album of that name.
        for (CLibNode* song : songs) {
            if (!song->IsSong()) continue;
            ChangeSongParents(song, artistName.c_str(), newName.c_str(), false, false, undo);
            ChangeSongTag(song, artistName.c_str(), newName.c_str(), nullptr, nullptr, year, genre, undo, false);
        }
        result = existing;
    } else {
        // To another artist (made when missing): the songs move, making the
        // album under it. The songs' own undo steps take them back; no step
        // names this album, whose record goes with its last song and whose
        // id the store may hand to the next album made.
        CopyToField(artistName, record.artist);
        CopyToField(newName, record.name);
        record.year = static_cast<std::int16_t>(newYear);
        record.genre = static_cast<std::int16_t>(newGenre);
        store->UpdateAlbum(&record);
        targetArtist = nodes_.FindOrAddArtist(store, artistName, true);
        for (CLibNode* song : songs)
            if (song->IsSong()) ChangeSongParents(song, artistName.c_str(), newName.c_str(), true, true, undo);
        result = nodes_.FindOrAddAlbum(store, newName, targetArtist, false);
    }
    if (result != nullptr) RefreshNode(result);
}

void CLibraryTab::ChangeGenreTag(CLibNode* genre, int number, bool undo) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (genre == nullptr || store == nullptr || genre->kind != kLibNodeGenre) return;
    CEditAction action(*this);
    TSVT_Genre record{};
    if (!store->GetGenre(genre->databaseId, &record)) {
        LogFmt("CLibraryTab::ChangeGenreTag - Genre not found in DB with ID = %ld (node = %s)", IdOf(genre),
               genre->name.c_str());
        return;
    }
    LogFmt("   genre: %d -> %d", record.genre, number);
    const std::vector<CLibNode*> songs = genre->children;
    CLibNode* other = nodes_.FindOrAddGenre(store, number, false);
    if (other != nullptr && other != genre) {
        // A merge: each song retagged moves to the other genre's songs.
        const std::int32_t id = genre->databaseId;
        for (CLibNode* song : songs) ChangeSongTag(song, nullptr, nullptr, nullptr, nullptr, -1, number, undo, false);
        // The last song to leave takes the genre's node with it.
        if (nodes_.FindNode(kLibNodeGenre, id) == genre && genre->children.empty()) DestroyNode(genre);
    } else {
        const char* name = GenreTableName(number);
        if (name == nullptr) return;
        CTagChangeAtom atom(kLibNodeGenre, genre->databaseId, MakeTagBlock(nullptr, nullptr, nullptr, nullptr, -1, record.genre),
                            MakeTagBlock(nullptr, nullptr, nullptr, nullptr, -1, number));
        RecordUndo(atom, undo);
        nodes_.SetNameAndText(genre, name, std::to_string(number));
        for (CLibNode* song : songs) ChangeSongTag(song, nullptr, nullptr, nullptr, nullptr, -1, number, false, false);
    }
    RefreshNode(nodes_.GenreRoot());
}

void CLibraryTab::DeleteTag(CLibNode* song, bool undo) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (song == nullptr || store == nullptr) return;
    CEditAction action(*this);
    TSVT_Song record{};
    if (!store->GetSong(song->databaseId, &record)) {
        LogFmt("CLibraryTab::DeleteTag - Song not found in DB with ID = %ld (node = %s)", IdOf(song),
               song->name.c_str());
        return;
    }
    LogFmt("CLibraryTab::DeleteTag - Deleting tag of %s", song->name.c_str());
    const TSVT_Song before = record;
    std::memset(record.artist, 0, sizeof record.artist);
    std::memset(record.album, 0, sizeof record.album);
    record.year = 0;
    record.genre = SVT_GENRE_NONE;
    if (!store->UpdateSong(&record)) {
        LogFmt("CLibraryTab::DeleteTag - Song could not be written, ID = %ld", IdOf(song));
        return;
    }
    CTagChangeAtom atom(kLibNodeSong, song->databaseId,
                        MakeTagBlock(before.artist, before.album, before.title, before.path, before.year, before.genre),
                        MakeTagBlock("", "", nullptr, nullptr, 0, SVT_GENRE_NONE));
    RecordUndo(atom, undo);
    MoveSong(song, nodes_.Untagged(), false);
    song->indent = 2;
    if (!song->inTrash) RelinkGenre(song, nodes_.NoGenre());
    WriteTagOutward(before, record, "CLibraryTab::DeleteTag - Replacing session reference");
    RefreshNode(song);
}

void CLibraryTab::OnEdit(CLibNode* node) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (node == nullptr || store == nullptr) return;
    CUndoMgr* history = LibraryPartners().undo;
    auto notFound = [node](const char* what) {
        LogFmt("CLibraryTab::_OnEdit - %s not found in DB with ID = %ld (node = %s)", what, IdOf(node),
               node->name.c_str());
    };
    switch (node->kind) {
        case kLibNodeArtist: {
            TSVT_Artist record{};
            if (!store->GetArtist(node->databaseId, &record)) return notFound("Artist");
            if (history != nullptr) history->NextUndoSet();
            CEditArtistDlg dialog(record);
            if (dialog.DoModal(window_) == 1) ChangeArtistTag(node, record.name, true);
            break;
        }
        case kLibNodeAlbum: {
            TSVT_Album record{};
            if (!store->GetAlbum(node->databaseId, &record)) return notFound("Album");
            if (history != nullptr) history->NextUndoSet();
            CEditAlbumDlg dialog(record);
            if (dialog.DoModal(window_) == 1)
                ChangeAlbumTag(node, record.artist, record.name, record.year, record.genre, true);
            break;
        }
        case kLibNodeGenre: {
            TSVT_Genre record{};
            if (!store->GetGenre(node->databaseId, &record)) return notFound("Genre");
            if (history != nullptr) history->NextUndoSet();
            CEditGenreDlg dialog(record);
            if (dialog.DoModal(window_) == 1) ChangeGenreTag(node, record.genre, true);
            break;
        }
        case kLibNodeSong: {
            TSVT_Song record{};
            if (!store->GetSong(node->databaseId, &record)) return notFound("Song");
            TSVT_Song copy = record;
            // The record as the file's tag was written from: the comment
            // reaches the store before the rest of the edit.
            const TSVT_Song original = record;
            if (history != nullptr) history->NextUndoSet();
            CEditSongTagDlg dialog(record);
            if (dialog.DoModal(window_) != 1) break;
            CEditAction action(*this);
            if (std::strcmp(record.artist, copy.artist) != 0 || std::strcmp(record.album, copy.album) != 0)
                ChangeSongParents(node, record.artist, record.album, true, false, true);
            CopyToField(FieldText(record.comment), copy.comment);
            store->UpdateSong(&copy);
            ChangeSongTag(node, record.artist, record.album, record.title, record.path, record.year, record.genre,
                          true, true, &original);
            break;
        }
        default: break;
    }
}
