#pragma once
// A property list as an array, and that array as bytes. The byte form,
// every number big-endian: a 32-bit count, then per property a type byte,
// a 16-bit name length, the name and a zero byte, and then either a 16-bit
// text length, the text and a zero byte, or a 32-bit integer.

#include <cstdint>

#include "tonecore/mpeg/decoder_properties.h"

// Fills `out` with the list's properties in list order (newest first); the
// array belongs to the list and is replaced at its next export.
std::int32_t DecoderPropertyListExport(DecoderPropertyList* list, DecoderPropertyExport* out);

// The byte size of the export's serialised form; DECODER_ERR_BAD_ARGUMENT
// when a name or text is longer than a 16-bit length can say, or the whole
// exceeds what a 32-bit result holds.
std::int32_t DecoderPropertyListSerializedSize(const DecoderPropertyExport* exported);

// Writes the serialised form into `buffer` of `capacity` bytes; returns the
// byte count, DECODER_ERR_BAD_ARGUMENT when it does not fit.
std::int32_t DecoderPropertyListSerialize(const DecoderPropertyExport* exported, std::uint8_t* buffer,
                                          std::uint32_t capacity);
