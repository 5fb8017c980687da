#pragma once
// A message box whose text is a keyed text with arguments. The box carries
// its key, so tests script it by key like any keyed box.

#include <cstdint>
#include <initializer_list>

#include "songsmith/app/keyed_format.h"

// Shows the text of key formatted with args (as FormatKeyedText does) and
// returns the pressed button's id (IDCANCEL when the box was closed). A null
// or empty caption is the program's name.
std::int32_t ShowKeyedMessage(void* owner, const char* key, std::initializer_list<CTextArg> args,
                              std::uint32_t flags, const char* caption = nullptr);
