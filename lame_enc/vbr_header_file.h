#pragma once
// Placing a finished stream's VBR header frame into its MP3 file.

#include <cstdint>
#include <span>

// Writes frame over the first MPEG frame of the file at path, which follows
// an ID3 v2 tag when the file starts with one. The first frame must be the
// stream's placeholder: a frame header with the same sync, version, layer
// and bitrate as frame's, and room for all of frame before the file ends.
// False, with the file untouched, when it is not.
bool WriteVbrHeaderFrame(const char* path, std::span<const std::uint8_t> frame);
