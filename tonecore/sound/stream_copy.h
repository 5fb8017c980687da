#pragma once
// Copying a byte range of a data stream piece by piece, with the stream's
// position put back afterwards (a sound's buffer may be reading through the
// same stream).

#include <cstddef>
#include <cstdint>
#include <functional>

class CRefObj;

// Takes one piece; false when it could not take all of it.
using TPieceWriter = std::function<bool(const std::uint8_t* data, std::size_t bytes)>;
// Hears the bytes copied so far after each piece.
using TCopyProgress = std::function<void(std::int64_t done)>;

// Copies bytes of from, from offset start on, in pieces of at most piece
// bytes. false on a read or write that moved fewer bytes than asked (the
// copy stops there) or when memory for a piece cannot be had.
bool CopyStreamBytes(CRefObj& from, std::int64_t start, std::int64_t bytes, std::size_t piece,
                     const TPieceWriter& write, const TCopyProgress& progress = {});
