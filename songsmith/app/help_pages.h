#pragma once
// The program's help: HTML pages in the resource folder's "help" folder
// (index.html holds the contents and one anchor per context number) and the
// short texts shown at a control, by topic, in help/popups.txt.

#include <cstdint>
#include <string>

// Full path of help/index.html; empty when the program has no help folder.
std::string HelpIndexPath();

// The anchor of a context number in the index page: "ctx16" for 16.
std::string HelpContextAnchor(std::int32_t context);

// The short help of a topic; empty when it has none.
std::string HelpPopupText(std::int32_t topic);
