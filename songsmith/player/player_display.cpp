#include "songsmith/player/player_display.h"

#include <algorithm>
#include <cstdio>

#include "utilities/unicode.h"

namespace {

std::u32string Characters(std::string_view text) {
    std::u32string characters;
    for (std::size_t pos = 0; pos < text.size();) characters.push_back(DecodeUtf8(text, pos));
    return characters;
}

void AppendCharacters(std::string& out, std::u32string_view characters) {
    for (const char32_t c : characters) AppendUtf8(out, c);
}

constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::int64_t kSecondsPerHour = 3600;

std::string ClockText(std::int64_t ms) {
    const std::int64_t seconds = std::max<std::int64_t>(ms, 0) / kMsPerSecond;
    char text[48];
    if (seconds >= kSecondsPerHour) {
        std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                      static_cast<long long>(seconds / kSecondsPerHour),
                      static_cast<long long>(seconds / 60 % 60),
                      static_cast<long long>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    return text;
}

}  // namespace

std::string PanelTitle(std::string_view title) {
    const std::u32string characters = Characters(title);
    if (static_cast<int>(characters.size()) <= kPanelTitleLimit) return std::string(title);
    std::string cut;
    AppendCharacters(cut, std::u32string_view(characters).substr(0, kPanelTitleCut));
    return cut;
}

int CharacterCount(std::string_view text) {
    return static_cast<int>(Characters(text).size());
}

std::string ScrolledTitle(std::string_view title, int offset) {
    const std::u32string characters = Characters(title);
    const int length = static_cast<int>(characters.size());
    offset = std::max(offset, 0);
    std::string scrolled;
    if (offset < length) AppendCharacters(scrolled, std::u32string_view(characters).substr(offset));
    const int dots = offset < length ? kScrollGapDots : length - offset + kScrollGapDots;
    scrolled.append(static_cast<std::size_t>(std::max(dots, 0)), '.');
    AppendCharacters(scrolled, std::u32string_view(characters).substr(0, std::min(length, offset)));
    return scrolled;
}

int NextScrollOffset(int offset, int titleLength) {
    ++offset;
    return offset > titleLength + kScrollGapDots ? 0 : offset;
}

std::string PlayTimeText(std::int64_t elapsedMs, std::int64_t totalMs) {
    return ClockText(elapsedMs) + " / " + ClockText(totalMs);
}

int SliderPosition(std::int64_t fromStartMs, std::int32_t startMs, std::int32_t endMs) {
    // A song of no length has no place to show (and must not divide by 0).
    if (endMs <= startMs) return 0;
    const std::int64_t length = static_cast<std::int64_t>(endMs) - startMs;
    return static_cast<int>(std::clamp<std::int64_t>(fromStartMs * 100 / length, 0, 100));
}

std::int32_t SliderToPosition(int slider, std::int32_t startMs, std::int32_t endMs) {
    const double length = static_cast<double>(endMs) - startMs;
    return startMs + static_cast<std::int32_t>(slider * 0.01 * length);
}
