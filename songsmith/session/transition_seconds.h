#pragma once
// The fader settings' lengths as the user reads and types them: seconds
// with a point as the decimal mark, whatever the user's locale (the C
// library's numeric locale may have been changed by anything loaded into
// the process, so neither printf nor strtod is used).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The shortest and longest length a transition may have.
inline constexpr std::int32_t kMinTransitionMs = 100;
inline constexpr std::int32_t kMaxTransitionMs = 120000;

// ms as seconds with one decimal ("2.5", "1.0"); a length that one decimal
// would change (2250) gets the decimals it needs ("2.25"), so that showing
// a value and reading it back keeps it.
std::string TransitionSecondsText(std::int32_t ms);

// The milliseconds of a text of seconds, rounded to the nearest one ("2.3"
// is 2300); blanks around the number are allowed, anything else is not.
// Empty when the text is no number or lies outside the allowed lengths.
std::optional<std::int32_t> ParseTransitionSeconds(std::string_view text);
