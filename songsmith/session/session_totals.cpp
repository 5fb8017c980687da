#include "songsmith/session/session_totals.h"

#include <cmath>

#include "songsmith/app/keyed_format.h"

namespace {

constexpr double kMsPerMinute = 60000.0;

// The line's texts: with a recorder (length and what is left, or how far
// over), without, and for an empty session; "Est" while tracks are pending.
constexpr const char* kMultKey = "Total_Mult";
constexpr const char* kMultOverKey = "Total_MultOver";
constexpr const char* kEstMultKey = "Total_Est_Mult";
constexpr const char* kEstMultOverKey = "Total_Est_MultOver";
constexpr const char* kNoneKey = "Total_None";
constexpr const char* kNoRecorderKey = "Total_NoRecorder";
constexpr const char* kEstNoRecorderKey = "Total_Est_NoRecorder";
constexpr const char* kNoneNoRecorderKey = "Total_NoneNoRecorder";

// Whole minutes and the seconds beyond them of a span in minutes.
void SplitMinutes(double minutes, std::vector<int>& numbers) {
    const double whole = std::trunc(minutes);
    numbers.push_back(static_cast<int>(whole));
    numbers.push_back(static_cast<int>(std::trunc((minutes - whole) * 60.0)));
}

}  // namespace

TSessionTotalsText UpdateTotals(const TSessionTotalsInput& input) {
    TSessionTotalsText text;
    const std::int32_t lengthMs = input.pending ? input.totalMs : input.burnMs;
    const bool tracks = input.count > 0;
    if (input.capacityMs > 0 && tracks) {
        double remaining = (static_cast<double>(input.capacityMs) - lengthMs) / kMsPerMinute;
        const bool over = remaining < 0.0;
        if (over) remaining = -remaining;
        if (input.pending)
            text.key = over ? kEstMultOverKey : kEstMultKey;
        else
            text.key = over ? kMultOverKey : kMultKey;
        SplitMinutes(lengthMs / kMsPerMinute, text.numbers);
        SplitMinutes(remaining, text.numbers);
    } else if (input.capacityMs > 0) {
        text.key = kNoneKey;
        text.numbers.push_back(static_cast<int>(std::lround(input.capacityMs / kMsPerMinute)));
    } else if (tracks) {
        text.key = input.pending ? kEstNoRecorderKey : kNoRecorderKey;
        text.numbers.push_back(lengthMs / 60000);
        text.numbers.push_back(lengthMs / 1000 % 60);
    } else {
        text.key = kNoneNoRecorderKey;
    }
    return text;
}

std::string FormatTotals(const TSessionTotalsText& totals) {
    const std::vector<int>& n = totals.numbers;
    switch (n.size()) {
        case 0:
            return KeyedText(totals.key);
        case 1:
            return FormatKeyedText(totals.key, {n[0]});
        case 2:
            return FormatKeyedText(totals.key, {n[0], n[1]});
        default:
            return FormatKeyedText(totals.key, {n[0], n[1], n[2], n[3]});
    }
}
