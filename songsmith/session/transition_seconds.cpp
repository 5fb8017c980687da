#include "songsmith/session/transition_seconds.h"

#include <charconv>
#include <cmath>

std::string TransitionSecondsText(std::int32_t ms) {
    int decimals = 1;
    if (ms % 100 != 0) decimals = ms % 10 != 0 ? 3 : 2;
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(ms) / 1000.0,
                                      std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

std::optional<std::int32_t> ParseTransitionSeconds(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    // from_chars takes no leading plus; a typed one still means a number.
    if (text.starts_with('+')) text.remove_prefix(1);
    double seconds = 0.0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        !std::isfinite(seconds))
        return std::nullopt;
    // Compared in milliseconds after rounding, so that "0.1" and "120" are
    // inside however the decimal fraction is held.
    const double ms = std::round(seconds * 1000.0);
    if (ms < kMinTransitionMs || ms > kMaxTransitionMs) return std::nullopt;
    return static_cast<std::int32_t>(ms);
}
