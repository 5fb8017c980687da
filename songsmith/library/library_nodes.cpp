#include "songsmith/library/library_nodes.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "songsmith/library/genre_table.h"
#include "songsmith/library/tag_fields.h"
#include "songvault/records.h"
#include "songvault/songvault.h"

namespace {

// The node names of the special folders.
constexpr const char* kTrashName = "<Trash>";
constexpr const char* kArtistRootName = "Browse by Artist";
constexpr const char* kUntaggedName = "<Untagged>";
constexpr const char* kGenreRootName = "Browse by Genre";
constexpr const char* kNoGenreName = "<No Genre>";

void Erase(std::vector<CLibNode*>& list, const CLibNode* node) {
    const auto at = std::find(list.begin(), list.end(), node);
    if (at != list.end()) list.erase(at);
}

}  // namespace

CLibraryNodes::CLibraryNodes() { Reset(); }

CLibraryNodes::~CLibraryNodes() = default;

void CLibraryNodes::Reset() {
    // The indexes look into the nodes: they go first.
    artistsByName_.clear();
    albumsByParentAndName_.clear();
    albumsByName_.clear();
    genresByName_.clear();
    songsByPath_.clear();
    songsByTitle_.clear();
    byId_.clear();
    lookupsBuilt_ = false;
    owned_.clear();
    all_.clear();
    artists_.clear();
    albums_.clear();
    genres_.clear();
    songs_.clear();
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
    CLibNode* made = Own(std::move(node));
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

void CLibraryNodes::TBucket::Add(CLibNode* node) {
    if (first == nullptr)
        first = node;
    else
        more.push_back(node);
}

bool CLibraryNodes::TBucket::Remove(const CLibNode* node) {
    if (first == node) {
        if (more.empty()) {
            first = nullptr;
            return false;
        }
        first = more.front();
        more.erase(more.begin());
        return true;
    }
    Erase(more, node);
    return first != nullptr;
}

CLibNode* CLibraryNodes::Own(std::unique_ptr<CLibNode> node) {
    node->slot = owned_.size();
    owned_.push_back(std::move(node));
    return owned_.back().get();
}

bool CLibraryNodes::Owns(const CLibNode* node) const {
    return node != nullptr && node->slot < owned_.size() && owned_[node->slot].get() == node;
}

void CLibraryNodes::IndexAdd(TNameIndex& index, const std::string& key, CLibNode* node) {
    index[std::string_view(key)].Add(node);
}

void CLibraryNodes::IndexRemove(TNameIndex& index, const std::string& key, const CLibNode* node) {
    const auto entry = index.find(std::string_view(key));
    if (entry == index.end()) return;
    const bool keyIsNodes = entry->first.data() == key.data();
    if (!entry->second.Remove(node)) {
        index.erase(entry);
        return;
    }
    // The key looked into the node that goes: it looks into the next one.
    if (keyIsNodes) {
        auto moved = index.extract(entry);
        const CLibNode* next = moved.mapped().first;
        moved.key() = &key == &node->text ? std::string_view(next->text) : std::string_view(next->name);
        index.insert(std::move(moved));
    }
}

CLibNode* CLibraryNodes::IndexFirst(const TNameIndex& index, std::string_view key) {
    const auto entry = index.find(key);
    return entry == index.end() ? nullptr : entry->second.first;
}

void CLibraryNodes::AddToIndexes(CLibNode* node) {
    if (lookupsBuilt_) byId_[node->databaseId].Add(node);
    switch (node->kind) {
        case kLibNodeArtist:
            if (node->parent == artistRoot_) IndexAdd(artistsByName_, node->name, node);
            break;
        case kLibNodeAlbum:
            albumsByParentAndName_[{node->parent, std::string_view(node->name)}].Add(node);
            IndexAdd(albumsByName_, node->name, node);
            break;
        case kLibNodeGenre:
            IndexAdd(genresByName_, node->name, node);
            break;
        case kLibNodeSong:
            if (!lookupsBuilt_) break;
            IndexAdd(songsByPath_, node->text, node);
            IndexAdd(songsByTitle_, node->name, node);
            break;
        default:
            break;
    }
}

void CLibraryNodes::RemoveFromIndexes(CLibNode* node) {
    if (const auto entry = byId_.find(node->databaseId); entry != byId_.end() && !entry->second.Remove(node))
        byId_.erase(entry);
    // (Before the look-ups are built, the songs' and the id index are empty.)
    switch (node->kind) {
        case kLibNodeArtist: IndexRemove(artistsByName_, node->name, node); break;
        case kLibNodeAlbum: {
            const auto entry = albumsByParentAndName_.find({node->parent, std::string_view(node->name)});
            if (entry != albumsByParentAndName_.end()) {
                const bool keyIsNodes = entry->first.second.data() == node->name.data();
                if (!entry->second.Remove(node)) {
                    albumsByParentAndName_.erase(entry);
                } else if (keyIsNodes) {
                    auto moved = albumsByParentAndName_.extract(entry);
                    moved.key().second = moved.mapped().first->name;
                    albumsByParentAndName_.insert(std::move(moved));
                }
            }
            IndexRemove(albumsByName_, node->name, node);
            break;
        }
        case kLibNodeGenre: IndexRemove(genresByName_, node->name, node); break;
        case kLibNodeSong:
            IndexRemove(songsByPath_, node->text, node);
            IndexRemove(songsByTitle_, node->name, node);
            break;
        default: break;
    }
}

void CLibraryNodes::SetId(CLibNode* node, std::int32_t id) {
    if (const auto entry = byId_.find(node->databaseId); entry != byId_.end() && !entry->second.Remove(node))
        byId_.erase(entry);
    node->databaseId = id;
    if (lookupsBuilt_) byId_[id].Add(node);
}

void CLibraryNodes::Reserve(std::size_t songs, std::size_t folders) {
    const std::size_t nodes = all_.size() + songs + folders;
    owned_.reserve(nodes);
    all_.reserve(nodes);
    songs_.reserve(songs_.size() + songs);
}

void CLibraryNodes::BuildLookups() const {
    if (lookupsBuilt_) return;
    lookupsBuilt_ = true;
    byId_.reserve(all_.size());
    songsByPath_.reserve(songs_.size());
    songsByTitle_.reserve(songs_.size());
    // In list order: each bucket's first node is the first in the lists.
    for (CLibNode* node : all_) {
        byId_[node->databaseId].Add(node);
        if (node->kind == kLibNodeSong) {
            IndexAdd(songsByPath_, node->text, node);
            IndexAdd(songsByTitle_, node->name, node);
        }
    }
}

CLibNode* CLibraryNodes::CreateNode(std::uint32_t kind, std::string_view name, CLibNode* parent, std::int32_t id,
                                    std::int32_t trash, std::string_view text) {
    const std::string_view trimmed = TrimBlanks(name);
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
    Own(std::move(owned));
    parent->children.push_back(node);
    all_.push_back(node);
    if (auto* list = ListOfKind(kind)) list->push_back(node);
    AddToIndexes(node);
    return node;
}

CLibNode* CLibraryNodes::FindOrAddArtist(SVTENG_CSongvault* store, std::string_view name, bool make) {
    // Node names are trimmed: so is the name they are compared with, and a
    // name of blanks only names no artist (nor makes a record without node).
    name = TrimBlanks(name);
    if (name.empty()) return nullptr;
    if (CLibNode* found = IndexFirst(artistsByName_, name)) return found;
    if (!make) return nullptr;
    TSVT_Artist record{};
    record.id = SVT_NEW_RECORD;
    CopyToField(name, record.name);
    if (store != nullptr) store->UpdateArtist(&record);
    return CreateNode(kLibNodeArtist, name, artistRoot_, record.id, 0, {});
}

CLibNode* CLibraryNodes::FindOrAddAlbum(SVTENG_CSongvault* store, std::string_view name, CLibNode* artist,
                                        bool make) {
    name = TrimBlanks(name);
    if (name.empty()) return nullptr;
    CLibNode* found = nullptr;
    if (artist != nullptr) {
        const auto entry = albumsByParentAndName_.find({artist, name});
        if (entry != albumsByParentAndName_.end()) found = entry->second.first;
    } else {
        found = IndexFirst(albumsByName_, name);
    }
    if (found != nullptr || !make) return found;
    TSVT_Album record{};
    record.id = SVT_NEW_RECORD;
    CopyToField(name, record.name);
    if (artist != nullptr) CopyToField(artist->name, record.artist);
    if (store != nullptr) store->UpdateAlbum(&record);
    return CreateNode(kLibNodeAlbum, name, artist != nullptr ? artist : untagged_, record.id, 0, {});
}

CLibNode* CLibraryNodes::FindOrAddGenre(SVTENG_CSongvault* store, int number, bool make) {
    const char* name = GenreTableName(number);
    if (name == nullptr) return noGenre_;
    if (CLibNode* found = IndexFirst(genresByName_, name)) return found;
    if (!make) return nullptr;
    TSVT_Genre record{};
    record.id = SVT_NEW_RECORD;
    record.genre = static_cast<std::int16_t>(number);
    CopyToField(name, record.name);
    if (store != nullptr) store->UpdateGenre(&record);
    return CreateNode(kLibNodeGenre, name, genreRoot_, record.id, 0, std::to_string(number));
}

CLibNode* CLibraryNodes::FindSongByPath(std::string_view path) const {
    BuildLookups();
    return IndexFirst(songsByPath_, path);
}

CLibNode* CLibraryNodes::FindNode(std::uint32_t kind, std::int32_t id) const {
    BuildLookups();
    const auto entry = byId_.find(id);
    if (entry == byId_.end()) return nullptr;
    const TBucket& bucket = entry->second;
    if (kind == kLibNodeAnyKind || bucket.first->kind == kind) return bucket.first;
    for (CLibNode* node : bucket.more)
        if (node->kind == kind) return node;
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
    BuildLookups();
    return IndexFirst(songsByTitle_, title);
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

void CLibraryNodes::SetNameAndText(CLibNode* node, std::string_view name, std::string_view text) {
    if (!Owns(node)) return;
    RemoveFromIndexes(node);
    node->name.assign(TrimBlanks(name));
    node->text.assign(text);
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
    if (!Owns(node)) return;
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
    // The last node takes the freed slot.
    const std::size_t slot = node->slot;
    std::swap(owned_[slot], owned_.back());
    owned_[slot]->slot = slot;
    owned_.pop_back();
}

void CLibraryNodes::DestroyLeaves(const std::vector<CLibNode*>& nodes) {
    std::unordered_set<const CLibNode*> gone;
    for (CLibNode* node : nodes) {
        if (!Owns(node) || !node->children.empty()) continue;
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
    std::erase_if(owned_, [&gone](const std::unique_ptr<CLibNode>& node) { return gone.count(node.get()) != 0; });
    for (std::size_t slot = 0; slot < owned_.size(); ++slot) owned_[slot]->slot = slot;
}
