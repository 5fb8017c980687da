// Checking and playing on the Library page: a checked song is in the
// session list, a checked folder stands for every song below it, and a song
// row plays its song.
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "songsmith/library/library_links.h"
#include "songsmith/library/node_flag_atom.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/library/ui/library_tab.h"
#include "utilities/undo_manager.h"

namespace {

// The player's list of the Library page.
constexpr int kLibraryPlaySource = 3;

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

bool CLibraryTab::LoadSong(const char* path) {
    entry_.Reset();
    return songLoader && songLoader(path, entry_);
}

void CLibraryTab::SetParentMark(CLibNode* node) {
    CLibNode* parent = node->parent;
    if (parent == nullptr || !parent->IsCheckFolder()) return;
    const bool any = std::any_of(parent->children.begin(), parent->children.end(),
                                 [](const CLibNode* child) { return child->checked; });
    const bool all = !parent->children.empty() &&
                     std::all_of(parent->children.begin(), parent->children.end(),
                                 [](const CLibNode* child) { return child->checked; });
    if (!any && parent->checked) {
        parent->checked = false;
        RedrawRows(parent);
    } else if (all && !parent->checked) {
        parent->checked = true;
        RedrawRows(parent);
    }
}

bool CLibraryTab::OnSelect(CLibNode* node, int mode, bool quiet) {
    if (node == nullptr || (node->IsSpecial() && !node->IsCheckFolder())) return false;
    const bool want = mode == 2 ? !node->checked : mode == 1;
    if (node->checked == want) return true;
    if (node->IsCheckFolder()) {
        if (CUndoMgr* undo = LibraryPartners().undo) {
            CNodeFlagAtom atom(node->kind, node->databaseId, node->checked ? 1 : 0);
            undo->AddUndoNode(atom);
        }
        node->checked = want;
        if (want && !node->expanded) {
            node->expanded = true;
            ExpandRow(node);
        }
        bool result = true;
        // A copy: checking may clean the library, which changes the lists.
        const std::vector<CLibNode*> children = node->children;
        for (CLibNode* child : children) {
            if (!OnSelect(child, want ? 1 : 0, quiet)) {
                result = false;
                break;
            }
        }
        // A folder none of whose children ended checked is not checked.
        if (want && !children.empty() &&
            std::none_of(children.begin(), children.end(), [](const CLibNode* child) { return child->checked; }))
            node->checked = false;
        SetParentMark(node);
        RedrawRows(node);
        return result;
    }
    if (!quiet) {
        if (want && !FileExists(node->text)) {
            WarnMissingSong(node->text.c_str());
            return false;
        }
        if (!want) {
            LoadSong(node->text.c_str());
            DoSongAction(kSongListLibrary, kSongActionRemove, 0, 0, &entry_);
        } else {
            // Kept in ascending byte order of the names, after equal ones.
            const auto at = std::upper_bound(
                checkSelection_.begin(), checkSelection_.end(), node,
                [](const CLibNode* a, const CLibNode* b) { return a->name < b->name; });
            checkSelection_.insert(at, node);
        }
    }
    node->checked = want;
    SetParentMark(node);
    RedrawRows(node);
    return true;
}

void CLibraryTab::SetCheckMark(std::uint32_t kind, std::int32_t id, int value) {
    CLibNode* node = nodes_.FindNode(kind, id);
    if (node == nullptr) return;
    // Marks only: the session list undoes its own changes.
    CUndoMgr* undo = LibraryPartners().undo;
    if (undo != nullptr) undo->DisableNewUndos();
    OnSelect(node, value != 0 ? 1 : 0, true);
    if (undo != nullptr) undo->EnableNewUndos();
}

void CLibraryTab::SetSongPlayState(const char* path, bool playing) {
    CLibNode* node = path != nullptr ? nodes_.FindSongByPath(path) : nullptr;
    if (node == nullptr) return;
    node->checked = playing;
    RedrawRows(node);
}

void CLibraryTab::OnSelectCommand(CLibNode* node) {
    if (node == nullptr) return;
    if (CUndoMgr* undo = LibraryPartners().undo) undo->NextUndoSet();
    checkSelection_.clear();
    OnSelect(node, 2, false);
    if (node->checked) AddCheckedSongsToSession();
}

void CLibraryTab::AddCheckedSongsToSession() {
    const std::vector<CLibNode*> songs = std::move(checkSelection_);
    checkSelection_.clear();
    for (CLibNode* song : songs) {
        LoadSong(song->text.c_str());
        // The entry names the song even when its file could not be read.
        if (!DoSongAction(kSongListLibrary, kSongActionAdd, 0, 0, &entry_)) {
            song->checked = false;
            SetParentMark(song);
            RedrawRows(song);
        }
    }
}

void CLibraryTab::OnPlayStop(CLibNode* node) {
    if (node == nullptr || !node->IsSong()) return;
    if (LibraryPartners().setPlaySource) LibraryPartners().setPlaySource(kLibraryPlaySource);
    if (playing_ != nullptr) {
        CLibNode* was = playing_;
        playing_ = nullptr;
        if (was == node) {
            DoSongAction(kSongListLibrary, kSongActionStop, 0, 0, nullptr);
            RedrawRows(was);
            return;
        }
        RedrawRows(was);
    }
    if (!LoadSong(node->text.c_str())) {
        WarnMissingSong(node->text.c_str());
        return;
    }
    lastPlayedPath_ = node->text;
    DoSongAction(kSongListLibrary, kSongActionPlay, 0, 0, &entry_);
    RedrawRows(node);
}

bool CLibraryTab::PlayNextSong(bool random, const char* path, bool previous) {
    CLibNode* current = path != nullptr ? nodes_.FindSongByPath(path) : nullptr;
    TLibRow start{current, current != nullptr && clicked_.node == current && clicked_.genreRow};
    const TLibRow chosen = PickNextSongRow(
        nodes_, start, previous, random, [this](CLibNode* song) { return LoadSong(song->text.c_str()); },
        this->random);
    if (!chosen) return false;
    CLibNode* song = chosen.node;
    // The song's folders open so that its row can be seen.
    EnsureRow(chosen);
    CLibNode* folder = chosen.genreRow ? song->genre : song->parent;
    for (int level = 0; level < 2 && folder != nullptr; ++level, folder = folder->parent) {
        folder->expanded = true;
        ExpandRow(folder);
    }
    const TLibRow before = clicked_;
    clicked_ = chosen;
    if (before.node != nullptr) RedrawRows(before.node);
    if (QTreeWidgetItem* item = ItemOfRow(chosen)) {
        populating_ = true;
        tree_->setCurrentItem(item);
        populating_ = false;
        tree_->scrollToItem(item);
    }
    lastPlayedPath_ = song->text;
    DoSongAction(kSongListLibrary, kSongActionPlay, 0, 0, &entry_);
    RedrawRows(song);
    return true;
}
