#pragma once
// Turning a plain message into HTML with links, for pages shown in the
// browser.

#include <string>
#include <string_view>

// Copies the first len characters of text (fewer when a terminator comes
// first) into out of size bytes, turning words that are mail addresses
// ("a@b.org", "mailto:a@b.org") and web addresses (beginning with "http://",
// or holding ".com", ".edu", ".org" in any case) into links; every link
// leads to a mail or web address. Words that already carry
// an "href" before any "http://" or "www" are markup and stay as they are,
// as do white space and the '<' and '>' of existing tags. The address and
// text put into a link have '&', '<', '>' and '"' escaped. The output stops
// before a piece that does not fit; a link is never cut.
void ParseForHTML(const char* text, long len, char* out, long size);

// Text from outside (a song's title, a comment) as HTML: the words
// ParseForHTML would turn into links become those links, and every other
// character is escaped ('&', '<', '>', '"'), so the text can never add
// markup of its own to the page it is put into.
std::string HtmlTextWithLinks(std::string_view text);
