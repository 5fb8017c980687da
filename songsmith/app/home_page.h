#pragma once
// The program's web home page. Each window that opens it names itself in the
// query ("src=logo", "src=about"), so the site can tell where visitors came
// from.

#include <string>

// The site's address as the About dialog shows it.
inline constexpr const char* kWebSiteName = "www.trackpress.example";

// The address of page (for example "index.htm") in the program's folder of
// the site, with query appended after a "?".
std::string HomePageAddress(const char* page, const char* query);
