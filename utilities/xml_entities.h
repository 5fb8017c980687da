#pragma once
// Character references of markup text: the five named entities (&amp; &lt;
// &gt; &quot; &apos;) and numeric ones (&#233; &#xE9;), the latter written
// out as UTF-8. A reference that is unknown, unterminated or names no
// character is kept as it stands.

#include <string>
#include <string_view>

std::string DecodeXmlEntities(std::string_view text);
