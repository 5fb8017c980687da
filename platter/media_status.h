#pragma once
// What kind of disc a drive holds, from the answers of the drive: its
// status (tray, disc, ready) and, after a change, READ DISC INFORMATION
// (blank or not, erasable or not).

#include <cstddef>
#include <cstdint>

// The media status of a disc from the first bytes of its standard disc
// information (MMC READ DISC INFORMATION); size 0 when the drive gave none.
// A blank disc is a CD-RW when its erasable bit is set, else a CD-R; any
// other disc (or no answer) is a written one.
std::int32_t ClassifyDiscInformation(const std::uint8_t* info, std::size_t size);
