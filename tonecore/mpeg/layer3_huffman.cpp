#include "tonecore/mpeg/layer3_huffman.h"

#include <algorithm>

namespace {

// Looks the next bits up in the first-level table, then walks the tree one
// bit at a time for longer codes; -1 when the code is missing.
inline int DecodeSymbol(const TLayer3HuffmanTree& tree, CBitReader& reader) {
    const std::uint32_t entry = tree.fast[reader.PeekBits(kLayer3HuffmanFastBits)];
    if (entry == kFastMissing) return -1;
    if (entry & kFastLeaf) {
        reader.SkipBits((entry >> 16) & 0xFF);
        return static_cast<int>(entry & 0xFFFF);
    }
    reader.SkipBits(kLayer3HuffmanFastBits);
    int node = static_cast<int>(entry);
    for (;;) {
        const std::int16_t child = tree.nodes[node][reader.ReadBit()];
        if (child < 0) return -1 - child;
        if (child == 0 || child >= tree.nodeCount || reader.Overrun()) return -1;
        node = child;
    }
}

inline int ReadValue(int magnitude, int linbits, CBitReader& reader) {
    if (linbits > 0 && magnitude == 15) magnitude += static_cast<int>(reader.ReadBits(linbits));
    if (magnitude != 0 && reader.ReadBit() != 0) magnitude = -magnitude;
    return magnitude;
}

// Applies the sign bit that follows a non-zero magnitude at the top of
// `window` (1 negative) and takes the bits used off `window` and `used`.
inline int SignedValue(int magnitude, std::uint64_t& window, int& used) {
    const int present = magnitude != 0 ? 1 : 0;
    const int negative = static_cast<int>(window >> 63) & present;
    window <<= present;
    used += present;
    return (magnitude ^ -negative) + negative;
}

// One pair from the bits at the top of `window`, whose first-level table
// entry is a whole code: false (and nothing taken) when the code is longer
// or missing. Takes at most kLayer3HuffmanFastBits + 2 (linbits + 1) bits
// off `window` and adds them to `used`.
inline bool DecodePairFromBits(const TLayer3HuffmanTree& tree, int linbits, std::uint64_t& window, int& used,
                               int* pair) {
    const std::uint32_t entry = tree.fast[window >> (64 - kLayer3HuffmanFastBits)];
    if (entry == kFastMissing || (entry & kFastLeaf) == 0) return false;
    const int length = static_cast<int>((entry >> 16) & 0xFF);
    window <<= length;
    used += length;
    int x = static_cast<int>((entry >> 4) & 15);
    int y = static_cast<int>(entry & 15);
    if (linbits > 0 && x == 15) {
        x += static_cast<int>(window >> (64 - linbits));
        window <<= linbits;
        used += linbits;
    }
    pair[0] = SignedValue(x, window, used);
    if (linbits > 0 && y == 15) {
        y += static_cast<int>(window >> (64 - linbits));
        window <<= linbits;
        used += linbits;
    }
    pair[1] = SignedValue(y, window, used);
    return true;
}

// Pairs into values[line..end) from one load of the bits ahead, while they
// last and the codes are short; returns the new line. The reader needs
// HasWindow(): every bit taken is present.
inline int DecodePairsFromWindow(const TLayer3HuffmanTree& tree, int linbits, CBitReader& reader, int* values,
                                 int line, int end) {
    std::uint64_t window = reader.Window();
    const int available = 64 - static_cast<int>(reader.BitPosition() & 7);
    const int longestPair = kLayer3HuffmanFastBits + 2 * (linbits + 1);
    int used = 0;
    while (line < end && available - used >= longestPair &&
           DecodePairFromBits(tree, linbits, window, used, values + line)) {
        line += 2;
    }
    reader.SkipBits(static_cast<std::size_t>(used));
    return line;
}

}  // namespace

bool DecodeLayer3Pair(const TLayer3HuffmanSelect& select, CBitReader& reader, int& x, int& y) {
    const TLayer3HuffmanTree tree = Layer3HuffmanTree(select.table);
    if (tree.nodes == nullptr) return false;
    const int symbol = DecodeSymbol(tree, reader);
    if (symbol < 0) return false;
    x = ReadValue(symbol >> 4, select.linbits, reader);
    y = ReadValue(symbol & 15, select.linbits, reader);
    return !reader.Overrun();
}

bool DecodeLayer3Quadruple(const TLayer3HuffmanCodeTable& table, CBitReader& reader, int v[4]) {
    const TLayer3HuffmanTree tree = Layer3HuffmanTree(&table);
    if (tree.nodes == nullptr) return false;
    const int symbol = DecodeSymbol(tree, reader);
    if (symbol < 0) return false;
    for (int i = 0; i < 4; ++i) v[i] = ReadValue((symbol >> (3 - i)) & 1, 0, reader);
    return !reader.Overrun();
}

namespace {

int DecodeSpectrum(const TLayer3GranuleChannel& g, CBitReader& reader, std::size_t endBit, int values[kLayer3Lines],
                   int& nonZeroEnd) {
    std::fill(values, values + kLayer3Lines, 0);
    nonZeroEnd = 0;

    const int bigEnd = static_cast<int>(std::min<std::uint32_t>(g.bigValues * 2, kLayer3Lines));
    const int regionEnd[3] = {
        std::min(static_cast<int>(g.region1Start), bigEnd),
        std::min(static_cast<int>(g.region2Start), bigEnd),
        bigEnd,
    };
    int line = 0;
    for (int region = 0; region < 3; ++region) {
        if (line >= regionEnd[region]) continue;
        const TLayer3HuffmanSelect& select = kLayer3BigValueTables[g.tableSelect[region] & 31];
        if (select.table == nullptr) {
            // Table 0 codes zeros without bits; tables 4 and 14 do not exist.
            if (g.tableSelect[region] != 0) return kLayer3FrameAbandoned;
            line = regionEnd[region];
            continue;
        }
        const TLayer3HuffmanTree tree = Layer3HuffmanTree(select.table);
        while (line < regionEnd[region]) {
            if (reader.HasWindow()) {
                const int before = line;
                line = DecodePairsFromWindow(tree, select.linbits, reader, values, line, regionEnd[region]);
                if (line != before) continue;
            }
            // A long code, or the last bytes: one pair bit by bit.
            const int symbol = DecodeSymbol(tree, reader);
            if (symbol < 0) return kLayer3FrameAbandoned;
            values[line] = ReadValue(symbol >> 4, select.linbits, reader);
            values[line + 1] = ReadValue(symbol & 15, select.linbits, reader);
            line += 2;
        }
        if (reader.Overrun()) return kLayer3FrameAbandoned;
    }
    line = std::max(line, bigEnd);
    nonZeroEnd = line;

    // count1 quadruples while the granule's bits last; never past line 576.
    const TLayer3HuffmanCodeTable& table = kLayer3Count1Tables[g.count1TableB ? 1 : 0];
    const TLayer3HuffmanTree tree = Layer3HuffmanTree(&table);
    // A code that runs past the granule's end (into the next granule, or past
    // the bytes present) is not taken.
    while (reader.BitPosition() < endBit && line + 4 <= kLayer3Lines) {
        const int symbol = DecodeSymbol(tree, reader);
        if (reader.BitPosition() > endBit) break;
        if (symbol < 0) return kLayer3FrameAbandoned;
        int quad[4];
        for (int i = 0; i < 4; ++i) quad[i] = ReadValue((symbol >> (3 - i)) & 1, 0, reader);
        if (reader.BitPosition() > endBit) break;
        std::copy(quad, quad + 4, values + line);
        line += 4;
    }
    nonZeroEnd = line;
    return 0;
}

}  // namespace

int DecodeLayer3Spectrum(const TLayer3GranuleChannel& g, CBitReader& reader, std::size_t endBit,
                         int values[kLayer3Lines], int& nonZeroEnd) {
    // A local reader stays in registers through the loops.
    CBitReader local = reader;
    const int result = DecodeSpectrum(g, local, endBit, values, nonZeroEnd);
    reader = local;
    return result;
}
