#pragma once
// Checking a printf-style template taken from the editable keyed text file
// before it is used: a person may change the text, but a conversion that does
// not match the value handed for it would read the wrong argument.

#include <string_view>

// True when the template's conversions are exactly the letters of expected,
// in order (flags, width and precision digits allowed, no '*', no length
// modifiers) and "%%" stands for a percent sign.
bool FormatTemplateFits(const char* text, std::string_view expected);
