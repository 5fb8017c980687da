#pragma once
// Checking a printf template from the keyed text file before it is used, so
// that a damaged or foreign text can never read arguments that were not
// passed.

#include <string_view>

// True when the template's conversions are exactly the given letters in
// their order (flags, widths and precisions of up to two digits allowed, no
// '*', no length modifiers) and "%%" stands for a percent sign.
bool FormatTemplateFits(const char* text, std::string_view conversions);
