#pragma once
// Taking a filter driver's name out of a device class's filter list, a
// multi-string value (strings each ending in a zero byte, the list closed by
// an empty string).

// Removes every string equal to filterName (case ignored) from the value
// valueName of HKEY_LOCAL_MACHINE's class key classGuid. True when the name
// is no longer listed: the class key or the value is missing, the value is
// empty, or the list was rewritten (keeping the value's type) or, emptied,
// deleted. False when the key or value cannot be read or written, or when the
// value is not a multi-string (it is left as it is).
bool RemoveUpperFilter(const char* classGuid, const char* valueName, const char* filterName);
