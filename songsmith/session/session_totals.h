#pragma once
// The session's totals line: how long the session plays against what the
// blank disc holds.

#include <cstdint>
#include <string>
#include <vector>

struct TSessionTotalsInput {
    int count = 0;
    // The tracks' summed length, and the length they take on disc.
    std::int32_t totalMs = 0;
    std::int32_t burnMs = 0;
    // Tracks still to be analysed: the length is then an estimate (the
    // summed length, as the disc length is not known yet).
    bool pending = false;
    // The blank disc's capacity; 0 without a recorder.
    std::int32_t capacityMs = 0;
};

// The keyed text of the line and its numbers.
struct TSessionTotalsText {
    const char* key = "";
    std::vector<int> numbers;
};

TSessionTotalsText UpdateTotals(const TSessionTotalsInput& input);
// The line itself, through the checked formatter.
std::string FormatTotals(const TSessionTotalsText& totals);
