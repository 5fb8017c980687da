#include "songsmith/library/library_atoms.h"

#include <cstring>
#include <string_view>

#include "songsmith/library/tag_fields.h"

namespace {

TLibraryEditHandlers& Handlers() {
    static TLibraryEditHandlers handlers;
    return handlers;
}

std::string_view TextOf(const char* text) { return std::string_view(text != nullptr ? text : ""); }

}  // namespace

TTagBlock MakeTagBlock(const char* artist, const char* album, const char* title, const char* path, int year,
                       int genre) {
    TTagBlock block;
    std::memset(&block, 0, sizeof block);
    CopyToField(TextOf(artist), block.artist);
    CopyToField(TextOf(album), block.album);
    CopyToField(TextOf(title), block.title);
    CopyToField(TextOf(path), block.path);
    block.year = year;
    block.genre = genre;
    return block;
}

void SetLibraryEditHandlers(TLibraryEditHandlers handlers) { Handlers() = std::move(handlers); }
const TLibraryEditHandlers& LibraryEditHandlers() { return Handlers(); }

void CTagChangeAtom::Perform(int redo) {
    if (const auto& apply = Handlers().applyTagChange)
        apply(kind_, id_, redo != 0 ? after_ : before_, redo != 0 ? before_ : after_);
}

CSongParentsAtom::CSongParentsAtom(std::uint32_t kind, std::int32_t id, const char* oldArtist, const char* oldAlbum,
                                   const char* newArtist, const char* newAlbum)
    : kind_(kind), id_(id) {
    CopyToField(TextOf(oldArtist), oldArtist_);
    CopyToField(TextOf(oldAlbum), oldAlbum_);
    CopyToField(TextOf(newArtist), newArtist_);
    CopyToField(TextOf(newAlbum), newAlbum_);
}

void CSongParentsAtom::Perform(int redo) {
    if (const auto& apply = Handlers().applySongParents)
        apply(kind_, id_, redo != 0 ? newArtist_ : oldArtist_, redo != 0 ? newAlbum_ : oldAlbum_);
}

void CThrowAwayAtom::Perform(int redo) {
    if (redo != 0) {
        if (const auto& throwAway = Handlers().throwAwayNode) throwAway(kind_, id_);
    } else if (const auto& add = Handlers().addNode) {
        add(kind_, id_, parentKind_, parentId_);
    }
}
