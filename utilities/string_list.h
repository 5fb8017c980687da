#pragma once
// CStringList: an ordered list of owned text copies, most recent first when
// filled with AddLatestString. There is no limit on the number of texts:
// callers trim the list themselves.

#include <string>

#include "utilities/owning_list.h"

class CStringList : public COwningList<std::string> {
public:
    // A copy at the front; a null text is ignored.
    void AddLatestString(const char* text);
    // A copy at the end; a null text is ignored.
    void PushBackList(const char* text);
    // ASCII letters compared without case.
    int ContainsString(const char* text) const { return StringIndex(text) >= 0 ? 1 : 0; }
    // Index of the first matching text, -1 when absent.
    int StringIndex(const char* text) const;
    // The text at i, null past the end.
    const char* Index(int i) const;
    void DeleteStringList() { DeleteAll(); }
};
