#pragma once
// Texts of the program's keyed text file for widgets.

#include <QString>

// The text of key from the program's keyed text file (the key itself when it
// is missing), with its line-break escapes turned into line breaks.
QString ProgString(const char* key);
