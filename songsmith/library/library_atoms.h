#pragma once
// The undo steps of the Library page's edits of the song store: a tag
// change of an artist, album, genre or song, a song moved to another artist
// and album, and a song thrown into the trash. Each names its item by kind
// (5 artist, 6 album, 7 genre, 8 song) and database id, never by a pointer
// into the page's node tree: the node may be gone by the time the step is
// undone, and the page finds or makes it again from the store.
//
// The atoms call the page through the handlers bound here; while no page
// binds them an atom does nothing. Main thread only.

#include <cstdint>
#include <functional>

#include "utilities/undo_manager.h"

// One side of a tag change, zero-filled before the texts are copied in, so
// two blocks compare byte for byte. year and genre are -1 when unset.
struct TTagBlock {
    char artist[256];
    char album[256];
    char title[1024];
    char path[260];
    std::int32_t year;
    std::int32_t genre;
};
static_assert(sizeof(TTagBlock) == 1804, "tag block layout");

// A block of the given texts (null: empty), cut on a character boundary.
TTagBlock MakeTagBlock(const char* artist, const char* album, const char* title, const char* path, int year,
                       int genre);

// What the atoms ask of the Library page.
struct TLibraryEditHandlers {
    // Applies block to the item; other is the block of the other side,
    // whose artist, album and genre find the item when its node is gone.
    std::function<void(std::uint32_t kind, std::int32_t id, const TTagBlock& apply, const TTagBlock& other)>
        applyTagChange;
    std::function<void(std::uint32_t kind, std::int32_t id, const char* artist, const char* album)>
        applySongParents;
    // Puts a thrown-away item back under the folder of that kind and id.
    std::function<void(std::uint32_t kind, std::int32_t id, std::uint32_t parentKind, std::int32_t parentId)>
        addNode;
    std::function<void(std::uint32_t kind, std::int32_t id)> throwAwayNode;
};
void SetLibraryEditHandlers(TLibraryEditHandlers handlers);
const TLibraryEditHandlers& LibraryEditHandlers();

class CTagChangeAtom : public CUndoAtom {
public:
    CTagChangeAtom(std::uint32_t kind, std::int32_t id, const TTagBlock& before, const TTagBlock& after)
        : kind_(kind), id_(id), before_(before), after_(after) {}

    CUndoAtom* Clone() const override { return new CTagChangeAtom(*this); }
    void Perform(int redo) override;
    void GetText(char*, int) override {}

    std::uint32_t Kind() const { return kind_; }
    std::int32_t Id() const { return id_; }
    const TTagBlock& Before() const { return before_; }
    const TTagBlock& After() const { return after_; }

private:
    std::uint32_t kind_;
    std::int32_t id_;
    TTagBlock before_;
    TTagBlock after_;
};

class CSongParentsAtom : public CUndoAtom {
public:
    // A null text is kept empty.
    CSongParentsAtom(std::uint32_t kind, std::int32_t id, const char* oldArtist, const char* oldAlbum,
                     const char* newArtist, const char* newAlbum);

    CUndoAtom* Clone() const override { return new CSongParentsAtom(*this); }
    void Perform(int redo) override;
    void GetText(char*, int) override {}

private:
    std::uint32_t kind_;
    std::int32_t id_;
    char oldArtist_[256];
    char oldAlbum_[256];
    char newArtist_[256];
    char newAlbum_[256];
};

// The song's former folder is kept as its kind and id: an emptied folder is
// destroyed with its node, and the undo finds or remakes it by its record.
class CThrowAwayAtom : public CUndoAtom {
public:
    CThrowAwayAtom(std::uint32_t kind, std::int32_t id, std::uint32_t parentKind, std::int32_t parentId)
        : kind_(kind), id_(id), parentKind_(parentKind), parentId_(parentId) {}

    CUndoAtom* Clone() const override { return new CThrowAwayAtom(*this); }
    void Perform(int redo) override;
    void GetText(char*, int) override {}

private:
    std::uint32_t kind_;
    std::int32_t id_;
    std::uint32_t parentKind_;
    std::int32_t parentId_;
};
