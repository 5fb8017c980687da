#include "songsmith/core/library_nodes.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "songsmith/core/genre_table.h"
#include "songvault/records.h"
#include "songvault/songvault.h"

namespace {

// The node names of the special folders.
constexpr const char* kTrashName = "<Trash>";
constexpr const char* kArtistRootName = "Browse by Artist";
constexpr const char* kUntaggedName = "<Untagged>";
constexpr const char* kGenreRootName = "Browse by Genre";
constexpr const char* kNoGenreName = "<No Genre>";

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

template <std::size_t N>
void CopyField(char (&field)[N], std::string_view text) {
    const std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

void Erase(std::vector<CLibNode*>& list, const CLibNode* node) {
    const auto at = std::find(list.begin(), list.end(), node);
    if (at != list.end()) list.erase(at);
}

template <class Map, class Key>
void EraseFromIndex(Map& index, const Key& key, const CLibNode* node) {
    const auto entry = index.find(key);
    if (entry == index.end()) return;
    Erase(entry->second, node);
    if (entry->second.empty()) index.erase(entry);
}

template <class Map, class Key>
CLibNode* FirstOf(const Map& index, const Key& key) {
    const auto entry = index.find(key);
    return entry == index.end() || entry->second.empty() ? nullptr : entry->second.front();
}

}  // namespace

CLibraryNodes::CLibraryNodes() { Reset(); }

CLibraryNodes::~CLibraryNodes() = default;

void CLibraryNodes::Reset() {
    owned_.clear();
    all_.clear();
    artists_.clear();
    albums_.clear();
    genres_.clear();
    songs_.clear();
    artistsByName_.clear();
    albumsByParentAndName_.clear();
    albumsByName_.clear();
    genresByName_.clear();
    songsByPath_.clear();
    songsByTitle_.clear();
    byId_.clear();
    trash_ = MakeSpecial(kLibNodeTrash, kTrashName, nullptr, 0);
    artistRoot_ = MakeSpecial(kLibNodeRoot, kArtistRootName, nullptr, 0);
    untagged_ = MakeSpecial(kLibNodeUntagged, kUntaggedName, artistRoot_, 1);
    genreRoot_ = MakeSpecial(kLibNodeRoot, kGenreRootName, nullptr, 0);
    noGenre_ = MakeSpecial(kLibNodeNoGenre, kNoGenreName, genreRoot_, 1);
}

CLibNode* CLibraryNodes::MakeSpecial(std::uint32_t kind, const char* name, CLibNode* parent, std::int32_t indent) {
    auto node = std::make_unique<CLibNode>();
    node->kind = kind;
    node->name = name;
    node->parent = parent;
    node->indent = indent;
    CLibNode* made = node.get();
    owned_.emplace(made, std::move(node));
    if (parent != nullptr) parent->children.push_back(made);
    all_.push_back(made);
    AddToIndexes(made);
    return made;
}

std::vector<CLibNode*>* CLibraryNodes::ListOfKind(std::uint32_t kind) {
    switch (kind) {
        case kLibNodeArtist: return &artists_;
        case kLibNodeAlbum: return &albums_;
        case kLibNodeGenre: return &genres_;
        case kLibNodeSong: return &songs_;
        default: return nullptr;
    }
}

std::string CLibraryNodes::AlbumKey(const CLibNode* parent, std::string_view name) {
    // The parent's address stands for the parent: albums match by name
    // under one folder only.
    std::string key(reinterpret_cast<const char*>(&parent), sizeof parent);
    key.append(name);
    return key;
}

void CLibraryNodes::AddToIndexes(CLibNode* node) {
    byId_[node->databaseId].push_back(node);
    switch (node->kind) {
        case kLibNodeArtist:
            if (node->parent == artistRoot_) artistsByName_[node->name].push_back(node);
            break;
        case kLibNodeAlbum:
            albumsByParentAndName_[AlbumKey(node->parent, node->name)].push_back(node);
            albumsByName_[node->name].push_back(node);
            break;
        case kLibNodeGenre:
            genresByName_[node->name].push_back(node);
            break;
        case kLibNodeSong:
            songsByPath_[node->text].push_back(node);
            songsByTitle_[node->name].push_back(node);
            break;
        default:
            break;
    }
}

void CLibraryNodes::RemoveFromIndexes(CLibNode* node) {
    EraseFromIndex(byId_, node->databaseId, node);
    switch (node->kind) {
        case kLibNodeArtist: EraseFromIndex(artistsByName_, node->name, node); break;
        case kLibNodeAlbum:
            EraseFromIndex(albumsByParentAndName_, AlbumKey(node->parent, node->name), node);
            EraseFromIndex(albumsByName_, node->name, node);
            break;
        case kLibNodeGenre: EraseFromIndex(genresByName_, node->name, node); break;
        case kLibNodeSong:
            EraseFromIndex(songsByPath_, node->text, node);
            EraseFromIndex(songsByTitle_, node->name, node);
            break;
        default: break;
    }
}

void CLibraryNodes::SetId(CLibNode* node, std::int32_t id) {
    EraseFromIndex(byId_, node->databaseId, node);
    node->databaseId = id;
    byId_[id].push_back(node);
}

CLibNode* CLibraryNodes::CreateNode(std::uint32_t kind, std::string_view name, CLibNode* parent, std::int32_t id,
                                    std::int32_t trash, std::string_view text) {
    const std::string_view trimmed = Trimmed(name);
    if (trimmed.empty()) return nullptr;
    if (parent == nullptr) {
        parent = kind == kLibNodeArtist ? artistRoot_ : kind == kLibNodeGenre ? genreRoot_ : untagged_;
    }
    auto owned = std::make_unique<CLibNode>();
    CLibNode* node = owned.get();
    node->kind = kind;
    node->name.assign(trimmed);
    node->text.assign(text);
    node->databaseId = id;
    node->parent = parent;
    node->indent = parent->indent + 1;
    node->inTrash = trash < 0;
    owned_.emplace(node, std::move(owned));
    parent->children.push_back(node);
    all_.push_back(node);
    if (auto* list = ListOfKind(kind)) list->push_back(node);
    AddToIndexes(node);
    return node;
}

CLibNode* CLibraryNodes::FindOrAddArtist(SVTENG_CSongvault* store, std::string_view name, bool make) {
    if (name.empty()) return nullptr;
    if (CLibNode* found = FirstOf(artistsByName_, std::string(name))) return found;
    if (!make) return nullptr;
    TSVT_Artist record{};
    record.id = SVT_NEW_RECORD;
    CopyField(record.name, name);
    if (store != nullptr) store->UpdateArtist(&record);
    return CreateNode(kLibNodeArtist, name, artistRoot_, record.id, 0, {});
}

CLibNode* CLibraryNodes::FindOrAddAlbum(SVTENG_CSongvault* store, std::string_view name, CLibNode* artist,
                                        bool make) {
    if (name.empty()) return nullptr;
    CLibNode* found = artist != nullptr ? FirstOf(albumsByParentAndName_, AlbumKey(artist, name))
                                        : FirstOf(albumsByName_, std::string(name));
    if (found != nullptr || !make) return found;
    TSVT_Album record{};
    record.id = SVT_NEW_RECORD;
    CopyField(record.name, name);
    if (artist != nullptr) CopyField(record.artist, artist->name);
    if (store != nullptr) store->UpdateAlbum(&record);
    return CreateNode(kLibNodeAlbum, name, artist != nullptr ? artist : untagged_, record.id, 0, {});
}

CLibNode* CLibraryNodes::FindOrAddGenre(SVTENG_CSongvault* store, int number, bool make) {
    const char* name = GenreTableName(number);
    if (name == nullptr) return noGenre_;
    if (CLibNode* found = FirstOf(genresByName_, std::string(name))) return found;
    if (!make) return nullptr;
    TSVT_Genre record{};
    record.id = SVT_NEW_RECORD;
    record.genre = static_cast<std::int16_t>(number);
    CopyField(record.name, name);
    if (store != nullptr) store->UpdateGenre(&record);
    return CreateNode(kLibNodeGenre, name, genreRoot_, record.id, 0, std::to_string(number));
}

CLibNode* CLibraryNodes::FindSongByPath(std::string_view path) const {
    return FirstOf(songsByPath_, std::string(path));
}

CLibNode* CLibraryNodes::FindNode(std::uint32_t kind, std::int32_t id) const {
    const auto entry = byId_.find(id);
    if (entry == byId_.end()) return nullptr;
    for (CLibNode* node : entry->second)
        if (kind == kLibNodeAnyKind || node->kind == kind) return node;
    return nullptr;
}

CLibNode* CLibraryNodes::ArtistOfSong(const CLibNode* song) {
    if (song == nullptr || song->parent == nullptr) return nullptr;
    if (song->parent->kind == kLibNodeArtist) return song->parent;
    CLibNode* grand = song->parent->parent;
    return grand != nullptr && grand->kind == kLibNodeArtist ? grand : nullptr;
}

CLibNode* CLibraryNodes::AlbumOfSong(const CLibNode* song) {
    if (song == nullptr || song->parent == nullptr) return nullptr;
    return song->parent->kind == kLibNodeAlbum ? song->parent : nullptr;
}

CLibNode* CLibraryNodes::FindSongByTitle(std::string_view title, const CLibNode* album,
                                         const CLibNode* artist) const {
    auto songIn = [title](const CLibNode* folder) -> CLibNode* {
        for (CLibNode* child : folder->children)
            if (child->kind == kLibNodeSong && child->name == title) return child;
        return nullptr;
    };
    if (album != nullptr) return songIn(album);
    if (artist != nullptr) {
        if (CLibNode* song = songIn(artist)) return song;
        for (const CLibNode* child : artist->children)
            if (child->kind == kLibNodeAlbum)
                if (CLibNode* song = songIn(child)) return song;
        return nullptr;
    }
    return FirstOf(songsByTitle_, std::string(title));
}

void CLibraryNodes::LinkGenre(CLibNode* song, CLibNode* genre) {
    if (song == nullptr || genre == nullptr) return;
    genre->children.push_back(song);
    song->genre = genre;
}

void CLibraryNodes::Reparent(CLibNode* node, CLibNode* parent) {
    if (node == nullptr || parent == nullptr) return;
    RemoveFromIndexes(node);
    if (node->parent != nullptr) Erase(node->parent->children, node);
    node->parent = parent;
    node->indent = parent->indent + 1;
    parent->children.push_back(node);
    AddToIndexes(node);
}

void CLibraryNodes::Detach(CLibNode* node) {
    if (node == nullptr) return;
    if (node->parent != nullptr) {
        // An album's index key names its parent.
        RemoveFromIndexes(node);
        Erase(node->parent->children, node);
        node->parent = nullptr;
        AddToIndexes(node);
    }
    if (node->genre != nullptr) {
        Erase(node->genre->children, node);
        node->genre = nullptr;
    }
}

void CLibraryNodes::DestroyNode(CLibNode* node) {
    if (node == nullptr || owned_.find(node) == owned_.end()) return;
    // Children first; a genre's children are songs owned by their folders,
    // and only lose their genre link.
    if (node->kind == kLibNodeGenre || node->kind == kLibNodeNoGenre) {
        for (CLibNode* song : node->children) song->genre = nullptr;
        node->children.clear();
    }
    while (!node->children.empty()) DestroyNode(node->children.back());
    Detach(node);
    RemoveFromIndexes(node);
    Erase(all_, node);
    if (auto* list = ListOfKind(node->kind)) Erase(*list, node);
    owned_.erase(node);
}

void CLibraryNodes::DestroyLeaves(const std::vector<CLibNode*>& nodes) {
    std::unordered_set<const CLibNode*> gone;
    for (CLibNode* node : nodes) {
        if (node == nullptr || !node->children.empty() || owned_.find(node) == owned_.end()) continue;
        gone.insert(node);
    }
    if (gone.empty()) return;
    auto isGone = [&gone](const CLibNode* node) { return gone.count(node) != 0; };
    // One pass over each parent's children, each list and each index.
    std::unordered_set<CLibNode*> parents;
    for (const CLibNode* node : gone) {
        if (node->parent != nullptr) parents.insert(node->parent);
        if (node->genre != nullptr) parents.insert(node->genre);
    }
    for (CLibNode* parent : parents) std::erase_if(parent->children, isGone);
    for (auto* list : {&all_, &artists_, &albums_, &genres_, &songs_}) std::erase_if(*list, isGone);
    for (const CLibNode* node : gone) RemoveFromIndexes(const_cast<CLibNode*>(node));
    for (const CLibNode* node : gone) owned_.erase(node);
}
