// The Library page's trash and removals: throwing nodes into the trash,
// restoring and emptying it, deleting songs for good, cleaning the library
// of songs whose files are gone, and the undo history's callbacks that put
// edits back.
#include <QTreeWidget>
#include <cerrno>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/library_atoms.h"
#include "songsmith/library/library_links.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/library/ui/library_maintenance_dlgs.h"
#include "songsmith/library/ui/library_tab_edit_action.h"
#include "songvault/songvault.h"
#include "utilities/undo_manager.h"

namespace {

long IdOf(const CLibNode* node) { return static_cast<long>(node->databaseId); }

bool IsFolderKind(std::uint32_t kind) {
    return kind == kLibNodeArtist || kind == kLibNodeAlbum || kind == kLibNodeGenre;
}

// What a song's path says of its file.
enum class EFileState { kPresent, kGone, kUnreachable };

// A file counts as gone only when its folder is there and the file is not
// (ENOENT): a song on an unplugged drive or an unreadable folder stays.
EFileState FileState(const std::string& path) {
    struct stat info{};
    if (::stat(path.c_str(), &info) == 0) return EFileState::kPresent;
    if (errno != ENOENT) return EFileState::kUnreachable;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat folderInfo{};
    if (::stat(folder.c_str(), &folderInfo) == 0 && S_ISDIR(folderInfo.st_mode)) return EFileState::kGone;
    return EFileState::kUnreachable;
}

// The undo history takes no new steps while one is being applied.
class CNoUndo {
public:
    CNoUndo() : history_(LibraryPartners().undo) {
        if (history_ != nullptr) history_->DisableNewUndos();
    }
    ~CNoUndo() {
        if (history_ != nullptr) history_->EnableNewUndos();
    }
    CNoUndo(const CNoUndo&) = delete;
    CNoUndo& operator=(const CNoUndo&) = delete;

private:
    CUndoMgr* history_;
};

}  // namespace

void CLibraryTab::BindEdits() {
    hooks.emptyTrash = [this] {
        EmptyTrash();
        RefreshNode(nodes_.Trash());
    };
    hooks.editTag = [this](CLibNode* node) { OnEdit(node); };
    hooks.deleteNode = [this](CLibNode* node) {
        if (node == nullptr) return;
        if (node->IsSong() && node->inTrash) {
            DeleteTrashItem(node, false, false);
            return;
        }
        if (CUndoMgr* history = LibraryPartners().undo) history->NextUndoSet();
        ThrowAway(node, true);
        RefreshNode(nodes_.Trash());
    };
    hooks.undeleteAll = [this] {
        const std::vector<CLibNode*> songs = nodes_.Trash()->children;
        for (CLibNode* song : songs) DeleteTrashItem(song, false, false);
    };
    hooks.cleanLibrary = [this] { RemoveMissingSongs(); };
    hooks.editTagByPath = [this](const char* path) { EditTagByPath(path); };
    hooks.deleteSongByPath = [this](const char* path, bool permanently) { DeleteSongByPath(path, permanently); };
    if (!askEmptyTrash) {
        askEmptyTrash = [this](int& choice) {
            CEmptyTrashDlg dialog(choice);
            return dialog.DoModal(window_);
        };
    }
    if (!openPreferences) {
        // The main window runs the Preferences command.
        openPreferences = [] {
            CAppMessageRouter::Instance().Send(AppWindowReceiver(EAppWindow::kMainWindow),
                                               TAppMessage{WM_COMMAND, cmd::kPreferences, 0, nullptr});
        };
    }
    TLibraryEditHandlers handlers;
    handlers.applyTagChange = [this](std::uint32_t kind, std::int32_t id, const TTagBlock& apply,
                                     const TTagBlock& other) { ApplyTagChange(kind, id, apply, other); };
    handlers.applySongParents = [this](std::uint32_t kind, std::int32_t id, const char* artist, const char* album) {
        ApplySongParents(kind, id, artist, album);
    };
    handlers.addNode = [this](std::uint32_t kind, std::int32_t id, std::uint32_t parentKind, std::int32_t parentId) {
        AddNode(kind, id, parentKind, parentId);
    };
    handlers.throwAwayNode = [this](std::uint32_t kind, std::int32_t id) { ThrowAwayNode(kind, id); };
    SetLibraryEditHandlers(std::move(handlers));
}

void CLibraryTab::ForgetNode(const CLibNode* node) {
    if (clicked_.node == node) clicked_ = {};
    if (playing_ == node) playing_ = nullptr;
    std::erase(checkSelection_, node);
}

void CLibraryTab::DestroyNode(CLibNode* node) {
    if (node == nullptr) return;
    std::function<void(CLibNode*)> forget = [&](CLibNode* below) {
        if (below->kind != kLibNodeGenre && below->kind != kLibNodeNoGenre)
            for (CLibNode* child : below->children) forget(child);
        UnpopulateItem(below);
        ForgetNode(below);
    };
    forget(node);
    CLibNode* genre = node->IsSong() ? node->genre : nullptr;
    nodes_.DestroyNode(node);
    if (genre != nullptr && genre->kind == kLibNodeGenre && genre->children.empty()) DestroyNode(genre);
}

void CLibraryTab::DeleteEmptyFolder(CLibNode* folder, bool remove) {
    if (folder == nullptr || !folder->children.empty() || !IsFolderKind(folder->kind)) return;
    if (remove) {
        ThrowAway(folder, true);
        return;
    }
    // Only out of the tree: its record stays until the next load weeds it
    // out.
    CLibNode* parent = folder->parent;
    DestroyNode(folder);
    DeleteEmptyFolder(parent, false);
}

void CLibraryTab::TakeOutOfTree(CLibNode* node, bool removeFolders) {
    CLibNode* parent = node->parent;
    DestroyNode(node);
    DeleteEmptyFolder(parent, removeFolders);
}

bool CLibraryTab::ThrowAway(CLibNode* node, bool deleteFolders) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (node == nullptr || store == nullptr || node->inTrash || node->kind == kLibNodeRoot ||
        node->kind == kLibNodeTrash)
        return false;
    CEditAction action(*this);
    LogFmt("CLibraryTab::_ThrowAway - Throwing away %s", node->name.c_str());
    // The row after the node's (and after its folder's, when it is the
    // last) becomes the clicked row; by kind and id, as nodes go meanwhile.
    TLibRow after = NextLibRow(nodes_, TLibRow{node, false});
    while (after && (after.node->parent == node || CLibraryNodes::ArtistOfSong(after.node) == node ||
                     after.node->genre == node))
        after = NextLibRow(nodes_, after);
    const std::uint32_t afterKind = after ? after.node->kind : 0;
    const std::int32_t afterId = after ? after.node->databaseId : 0;
    const CLibNode* afterNode = after.node;
    const bool afterGenreRow = after.genreRow;

    const std::uint32_t kind = node->kind;
    const std::int32_t id = node->databaseId;
    auto alive = [this, node, kind, id] { return nodes_.FindNode(kind, id) == node; };
    if (!node->children.empty()) {
        // Always the first remaining child; the node goes with its last.
        while (alive() && !node->children.empty()) {
            CLibNode* child = node->children.front();
            if (!ThrowAway(child, deleteFolders)) break;
        }
    } else if (node->IsSong()) {
        if (!store->DeleteSong(id, false)) {
            LogFmt("CLibraryTab::_ThrowAway - Song could not be moved to the trash, ID = %ld", IdOf(node));
            return false;
        }
        CLibNode* parent = node->parent;
        CThrowAwayAtom atom(kLibNodeSong, id, parent != nullptr ? parent->kind : 0,
                            parent != nullptr ? parent->databaseId : -1);
        RecordUndo(atom, true);
        if (node == playing_) {
            DoSongAction(kSongListLibrary, kSongActionStop, 0, 0, nullptr);
            playing_ = nullptr;
        }
        node->checked = false;
        UnpopulateItem(node);
        if (CLibNode* genre = node->genre) {
            std::erase(genre->children, node);
            node->genre = nullptr;
            if (genre->kind == kLibNodeGenre && genre->children.empty()) {
                DestroyNode(genre);
                RefreshNode(nodes_.GenreRoot());
            } else {
                RefreshNode(genre);
            }
        }
        node->inTrash = true;
        nodes_.Reparent(node, nodes_.Trash());
        node->indent = 0;
        DeleteEmptyFolder(parent, true);
        RefreshNode(node);
    } else {
        // An empty folder.
        if (deleteFolders && IsFolderKind(kind)) {
            for (int twice = 0; twice < 2; ++twice) {
                if (kind == kLibNodeArtist)
                    store->DeleteArtist(id);
                else if (kind == kLibNodeAlbum)
                    store->DeleteAlbum(id);
                else
                    store->DeleteGenre(id);
            }
        }
        if (IsFolderKind(kind)) TakeOutOfTree(node, true);
    }

    if (afterNode != nullptr && nodes_.FindNode(afterKind, afterId) == afterNode) {
        clicked_ = TLibRow{const_cast<CLibNode*>(afterNode), afterGenreRow};
        if (QTreeWidgetItem* item = EnsureRow(clicked_)) {
            populating_ = true;
            tree_->setCurrentItem(item);
            populating_ = false;
        }
    }
    ShowSongCount();
    return true;
}

CLibNode* CLibraryTab::RestoreParent(const TSVT_Song& song) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (song.artist[0] == '\0' && song.album[0] == '\0') return nodes_.Untagged();
    CLibNode* artist = nodes_.FindOrAddArtist(store, song.artist, true);
    CLibNode* album = nodes_.FindOrAddAlbum(store, song.album, artist, true);
    return album != nullptr ? album : artist != nullptr ? artist : nodes_.Untagged();
}

void CLibraryTab::DeleteTrashItem(CLibNode* node, bool remove, bool keepPlace) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (node == nullptr || store == nullptr || !node->IsSong() || !node->inTrash) return;
    CEditAction action(*this);
    LogFmt(remove ? "CLibraryTab::_DeleteTrashItem - Deleting %s" : "CLibraryTab::_DeleteTrashItem - Restoring %s",
           node->name.c_str());
    if (remove) {
        if (store->DeleteSong(node->databaseId, false)) DestroyNode(node);
        ShowSongCount();
        return;
    }
    if (!store->UndeleteSong(node->databaseId)) {
        LogFmt("CLibraryTab::_DeleteTrashItem - Song could not be restored, ID = %ld", IdOf(node));
        return;
    }
    node->inTrash = false;
    if (keepPlace) {
        RedrawRows(node);
        return;
    }
    TSVT_Song record{};
    if (!store->GetSong(node->databaseId, &record, true)) {
        LogFmt("CLibraryTab::_DeleteTrashItem - Song not found in DB with ID = %ld (node = %s)", IdOf(node),
               node->name.c_str());
        return;
    }
    CLibNode* parent = RestoreParent(record);
    CLibNode* genre = nodes_.FindOrAddGenre(store, record.genre, true);
    MoveSong(node, parent, false);
    if (genre == nullptr) genre = nodes_.NoGenre();
    RelinkGenre(node, genre);
    RefreshNode(parent);
    RefreshNode(node);
    RefreshNode(nodes_.Trash());
    RefreshNode(genre);
    clicked_ = TLibRow{node, false};
    if (QTreeWidgetItem* item = EnsureRow(clicked_)) {
        populating_ = true;
        tree_->setCurrentItem(item);
        populating_ = false;
        tree_->scrollToItem(item);
    }
}

void CLibraryTab::EmptyTrash() {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (store == nullptr || !nodes_.TrashHasSongs()) return;
    int choice = emptyTrashChoice;
    if (!askEmptyTrash || askEmptyTrash(choice) != 1) return;
    emptyTrashChoice = choice;
    bool kept = false;
    {
        CEditAction action(*this);
        const std::vector<CLibNode*> songs = nodes_.Trash()->children;
        for (CLibNode* song : songs) {
            if (!song->IsSong()) continue;
            // A file that is gone already cannot go to the desktop's trash;
            // its song leaves the library all the same.
            const bool deleteFile = choice == 0 && FileState(song->text) != EFileState::kGone;
            if (store->DeleteSong(song->databaseId, deleteFile)) {
                DestroyNode(song);
            } else {
                LogFmt("CLibraryTab::_EmptyTrash - Could not delete %s", song->text.c_str());
                kept = true;
            }
        }
    }
    if (kept)
        ShowMessageKey(window_, "LibTab_CantDelete", MB_OK | MB_ICONWARNING,
                       KeyedText("LibTab_CantDeleteTitle").c_str());
    {
        CEditAction action(*this);
        store->WriteDB();
    }
    store->RebuildIndices();
    ShowSongCount();
    if (choice == 1) {
        if (prefs_ != nullptr) prefs_->CurrentPrefPage = 4;
        if (openPreferences) openPreferences();
    }
    if (CUndoMgr* history = LibraryPartners().undo) history->ClearUndoHistory();
}

void CLibraryTab::RemoveMissingSongs() {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (store == nullptr) return;
    int removed = 0;
    int kept = 0;
    {
        CEditAction action(*this);
        const std::vector<CLibNode*> songs = nodes_.Songs();
        for (CLibNode* song : songs) {
            const EFileState state = FileState(song->text);
            if (state == EFileState::kUnreachable) ++kept;
            if (state != EFileState::kGone) continue;
            // Twice: into the store's trash, then out of it (a song in the
            // trash goes at once).
            store->DeleteSong(song->databaseId, false);
            store->DeleteSong(song->databaseId, false);
            TakeOutOfTree(song, true);
            ++removed;
        }
        store->WriteDB();
    }
    store->RebuildIndices();
    ShowSongCount();
    clicked_ = {};
    if (tree_ != nullptr) {
        populating_ = true;
        tree_->setCurrentItem(nullptr);
        populating_ = false;
    }
    if (removed + kept > 0)
        ShowMessageText(window_, FormatKeyedText("LibTab_CleanResult", {removed, kept}).c_str(),
                        MB_OK | MB_ICONINFORMATION, KeyedText("LibTab_CleanCaption").c_str());
}

void CLibraryTab::DeleteSongByPath(const char* path, bool permanently) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    CLibNode* node = path != nullptr ? nodes_.FindSongByPath(path) : nullptr;
    if (node == nullptr || store == nullptr) return;
    if (CUndoMgr* history = LibraryPartners().undo) history->NextUndoSet();
    CEditAction action(*this);
    if (permanently) {
        store->DeleteSong(node->databaseId, false);
        store->DeleteSong(node->databaseId, false);
        TakeOutOfTree(node, true);
        RefreshNode(nodes_.ArtistRoot());
        ShowSongCount();
    } else {
        ThrowAway(node, false);
        RefreshNode(nodes_.Trash());
    }
}

void CLibraryTab::EditTagByPath(const char* path) {
    if (CLibNode* node = path != nullptr ? nodes_.FindSongByPath(path) : nullptr) OnEdit(node);
}

void CLibraryTab::ApplyTagChange(std::uint32_t kind, std::int32_t id, const TTagBlock& apply,
                                 const TTagBlock& other) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (store == nullptr) return;
    CNoUndo noUndo;
    CLibNode* node = nodes_.FindNode(kind, id);
    // A folder whose node went (merged away, emptied) is looked up by the
    // name the other side gave it.
    switch (kind) {
        case kLibNodeArtist:
            if (node == nullptr) node = nodes_.FindOrAddArtist(store, other.artist, false);
            if (node != nullptr) ChangeArtistTag(node, apply.artist, false);
            break;
        case kLibNodeAlbum:
            if (node == nullptr)
                node = nodes_.FindOrAddAlbum(store, other.album, nodes_.FindOrAddArtist(store, other.artist, false),
                                             false);
            if (node != nullptr) ChangeAlbumTag(node, apply.artist, apply.album, apply.year, apply.genre, false);
            break;
        case kLibNodeGenre:
            if (node == nullptr) node = nodes_.FindOrAddGenre(store, other.genre, false);
            if (node != nullptr && node->kind == kLibNodeGenre) ChangeGenreTag(node, apply.genre, false);
            break;
        case kLibNodeSong:
            // A song that is not in the tree is skipped.
            if (node == nullptr) return;
            ChangeSongParents(node, apply.artist, apply.album, true, false, false);
            ChangeSongTag(node, apply.artist, apply.album, apply.title, apply.path, apply.year, apply.genre, false,
                          true);
            break;
        default: break;
    }
}

void CLibraryTab::ApplySongParents(std::uint32_t kind, std::int32_t id, const char* artist, const char* album) {
    CNoUndo noUndo;
    CLibNode* node = nodes_.FindNode(kind, id);
    if (node == nullptr || !node->IsSong()) return;
    ChangeSongParents(node, artist, album, true, false, false);
}

void CLibraryTab::AddNode(std::uint32_t kind, std::int32_t id, std::uint32_t parentKind, std::int32_t parentId) {
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (store == nullptr || kind != kLibNodeSong) return;
    CNoUndo noUndo;
    TSVT_Song record{};
    if (!store->GetSong(id, &record, true)) {
        LogFmt("CLibraryTab::AddNode - Song not found in DB with ID = %ld", static_cast<long>(id));
        return;
    }
    CLibNode* node = nodes_.FindNode(kind, id);
    // The former folder, when it is still there; else the song goes where
    // its record places it, as a restore does.
    CLibNode* parent = nodes_.FindNode(parentKind, parentId);
    if (parentKind == kLibNodeUntagged) parent = nodes_.Untagged();
    if (parent != nullptr && parent->kind != kLibNodeArtist && parent->kind != kLibNodeAlbum &&
        parent->kind != kLibNodeUntagged)
        parent = nullptr;
    if (node == nullptr) {
        if (record.trash < 0 && !store->UndeleteSong(id)) return;
        record.trash = 0;
        CLibNode* folder = parent != nullptr ? parent : RestoreParent(record);
        node = nodes_.CreateNode(kLibNodeSong, record.title, folder, id, 0, record.path);
        if (node == nullptr) return;
        CLibNode* genre = nodes_.FindOrAddGenre(store, record.genre, true);
        CLibraryNodes::LinkGenre(node, genre != nullptr ? genre : nodes_.NoGenre());
    } else if (node->inTrash) {
        if (parent == nullptr) {
            DeleteTrashItem(node, false, false);
        } else {
            DeleteTrashItem(node, false, true);
            MoveSong(node, parent, false);
            CLibNode* genre = nodes_.FindOrAddGenre(store, record.genre, true);
            CLibraryNodes::LinkGenre(node, genre != nullptr ? genre : nodes_.NoGenre());
        }
    }
    RefreshNode(node->parent);
    RefreshNode(node);
    RefreshNode(nodes_.Trash());
    ShowSongCount();
}

void CLibraryTab::ThrowAwayNode(std::uint32_t kind, std::int32_t id) {
    CNoUndo noUndo;
    CLibNode* node = nodes_.FindNode(kind, id);
    if (node == nullptr || node->inTrash) return;
    ThrowAway(node, false);
    RefreshNode(nodes_.Trash());
}
