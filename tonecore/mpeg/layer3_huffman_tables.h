#pragma once
// Huffman code tables of layer III (ISO/IEC 11172-3 Table B.7) and the decode
// trees built from them.

#include <cstdint>

// One code table as the standard lists it: codes and lengths in the order of
// the value pairs (x, y), x major, each of x and y below `size`; for the
// count1 tables the 16 quadruples in the order v w x y as a 4-bit number.
struct TLayer3HuffmanCodeTable {
    int size;          // values per dimension (pairs)
    bool quadruples;   // a count1 table: 16 entries
    const std::uint16_t* codes;
    const std::uint8_t* lengths;
};

// What table_select n means: the code table and the linbits. Tables 0, 4 and
// 14 have no codes (`codes` is null).
struct TLayer3HuffmanSelect {
    const TLayer3HuffmanCodeTable* table;
    int linbits;
};

// table_select 0 to 31.
extern const TLayer3HuffmanSelect kLayer3BigValueTables[32];
// count1 tables A (index 0) and B (index 1).
extern const TLayer3HuffmanCodeTable kLayer3Count1Tables[2];

// Every distinct code table, for checks over all of them.
extern const TLayer3HuffmanCodeTable* const kLayer3AllCodeTables[17];

// Decode tree of one code table: node 0 is the root; a child value >= 0 is the
// next node, a negative value -1 - v is a leaf with value v (x * 16 + y for
// pairs, the quadruple's 4-bit index for count1). A child of 0 marks a missing
// code (never reached in a complete table).
//
// `fast` holds one entry per value of the next kLayer3HuffmanFastBits bits: a
// code no longer than that as kFastLeaf | length << 16 | value; otherwise the
// node reached after those bits; kFastMissing where no code starts.
inline constexpr int kLayer3HuffmanFastBits = 10;
inline constexpr std::uint32_t kFastLeaf = 0x80000000u;
inline constexpr std::uint32_t kFastMissing = 0xFFFFFFFFu;
struct TLayer3HuffmanTree {
    const std::int16_t (*nodes)[2];
    int nodeCount;
    const std::uint32_t* fast;
};

// The tree of a code table of kLayer3AllCodeTables (built once); an empty
// tree (null nodes) for any other pointer.
TLayer3HuffmanTree Layer3HuffmanTree(const TLayer3HuffmanCodeTable* table);
