#include "songsmith/library/library_rows.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace {

bool ShowsGenreRows(const CLibNode* folder) {
    return folder->kind == kLibNodeGenre || folder->kind == kLibNodeNoGenre;
}

// The row's children: genre rows under a genre folder, main rows elsewhere.
TLibRow ChildRow(const CLibNode* folder, std::size_t index) {
    return TLibRow{folder->children[index], ShowsGenreRows(folder)};
}

bool HasChildRows(TLibRow row) { return !row.genreRow && !row.node->children.empty(); }

const CLibNode* ParentOf(TLibRow row) { return row.genreRow ? row.node->genre : row.node->parent; }

std::vector<CLibNode*> TopNodes(const CLibraryNodes& nodes) {
    return {nodes.Trash(), nodes.ArtistRoot(), nodes.GenreRoot()};
}

// The row's siblings in order, and where the row stands among them.
struct TSiblings {
    std::vector<TLibRow> rows;
    std::size_t at = 0;
};

TSiblings SiblingsOf(const CLibraryNodes& nodes, TLibRow row) {
    TSiblings siblings;
    const CLibNode* parent = ParentOf(row);
    if (parent == nullptr) {
        for (CLibNode* top : TopNodes(nodes)) siblings.rows.push_back(TLibRow{top, false});
    } else {
        for (std::size_t i = 0; i < parent->children.size(); ++i) siblings.rows.push_back(ChildRow(parent, i));
    }
    const auto found = std::find(siblings.rows.begin(), siblings.rows.end(), row);
    siblings.at = static_cast<std::size_t>(found - siblings.rows.begin());
    return siblings;
}

TLibRow LastDescendant(TLibRow row) {
    while (HasChildRows(row)) row = ChildRow(row.node, row.node->children.size() - 1);
    return row;
}

}  // namespace

TLibRow FirstLibRow(const CLibraryNodes& nodes) { return TLibRow{nodes.Trash(), false}; }

TLibRow LastLibRow(const CLibraryNodes& nodes) { return LastDescendant(TLibRow{nodes.GenreRoot(), false}); }

TLibRow NextLibRow(const CLibraryNodes& nodes, TLibRow row) {
    if (!row) return {};
    if (HasChildRows(row)) return ChildRow(row.node, 0);
    while (row) {
        const TSiblings siblings = SiblingsOf(nodes, row);
        if (siblings.at + 1 < siblings.rows.size()) return siblings.rows[siblings.at + 1];
        const CLibNode* parent = ParentOf(row);
        if (parent == nullptr) return {};
        // A folder's own row is always a main row.
        row = TLibRow{const_cast<CLibNode*>(parent), false};
    }
    return {};
}

TLibRow PreviousLibRow(const CLibraryNodes& nodes, TLibRow row) {
    if (!row) return {};
    const TSiblings siblings = SiblingsOf(nodes, row);
    if (siblings.at > 0 && siblings.at <= siblings.rows.size()) return LastDescendant(siblings.rows[siblings.at - 1]);
    const CLibNode* parent = ParentOf(row);
    return parent == nullptr ? TLibRow{} : TLibRow{const_cast<CLibNode*>(parent), false};
}

TLibRow PickNextSongRow(const CLibraryNodes& nodes, TLibRow start, bool previous, bool random,
                        const std::function<bool(CLibNode* song)>& loads, std::mt19937& rng) {
    auto playable = [](const CLibNode* node) { return node->IsSong() && !node->inTrash; };
    if (random) {
        std::vector<CLibNode*> songs;
        for (CLibNode* song : nodes.Songs())
            if (playable(song)) songs.push_back(song);
        std::shuffle(songs.begin(), songs.end(), rng);
        for (CLibNode* song : songs)
            if (loads(song)) return TLibRow{song, false};
        return {};
    }
    // Every row is passed at most once on the way round, so the walk ends;
    // a song shows in two rows and is offered once.
    const std::size_t rowCount = nodes.All().size() + nodes.SongCount();
    // The song playing now is not its own next song, under either row.
    std::unordered_set<const CLibNode*> offered;
    if (start) offered.insert(start.node);
    TLibRow row = start;
    for (std::size_t step = 0; step <= rowCount; ++step) {
        TLibRow next = previous ? PreviousLibRow(nodes, row) : NextLibRow(nodes, row);
        if (!next) next = previous ? LastLibRow(nodes) : TLibRow{nodes.ArtistRoot(), false};
        row = next;
        if (row == start) break;
        if (!playable(row.node) || !offered.insert(row.node).second) continue;
        if (loads(row.node)) return row;
    }
    return {};
}
