#pragma once
// The rows of the Library page's tree, taken from its nodes: the trash, the
// artist root and the genre root at the top, every folder's children below
// it in order, and a song twice: its main row under its folder and its
// genre row under its genre. The page builds its tree control in this order,
// so stepping through rows here is stepping through the control's rows.

#include <cstdint>
#include <functional>
#include <random>

#include "songsmith/library/library_nodes.h"

struct TLibRow {
    CLibNode* node = nullptr;
    // A song's row under its genre.
    bool genreRow = false;

    explicit operator bool() const { return node != nullptr; }
    bool operator==(const TLibRow&) const = default;
};

// The row after row, descending into every folder (its first child, else
// its next sibling, else the next sibling of the nearest folder above that
// has one); none after the last row.
TLibRow NextLibRow(const CLibraryNodes& nodes, TLibRow row);
// The row before row (the previous sibling's last descendant, else the
// parent); none before the first row.
TLibRow PreviousLibRow(const CLibraryNodes& nodes, TLibRow row);
// The first and last rows of the tree.
TLibRow FirstLibRow(const CLibraryNodes& nodes);
TLibRow LastLibRow(const CLibraryNodes& nodes);

// Chooses the song to play after (or, with previous, before) start. In
// order: the rows after start, past the end on from the artist root (before
// the beginning on from the last row); at random: every song in a uniformly
// shuffled order. Songs in the trash are passed over; each song is offered
// to loads at most once, and the first it takes is the answer. None when no
// song loads (or there is none).
TLibRow PickNextSongRow(const CLibraryNodes& nodes, TLibRow start, bool previous, bool random,
                        const std::function<bool(CLibNode* song)>& loads, std::mt19937& rng);
