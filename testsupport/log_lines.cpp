#include "testsupport/log_lines.h"

#include <sstream>

#include "testsupport/temp_dir.h"

namespace testsupport {

std::vector<std::string> LogLineTexts(const std::string& path) {
    std::istringstream in(ReadWholeFile(path));
    std::vector<std::string> texts;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "HH:MM:SS [n mils] : text" or "HH:MM:SS [n ms]: text".
        const std::size_t colon = line.find(": ");
        if (colon != std::string::npos) texts.push_back(line.substr(colon + 2));
    }
    return texts;
}

}  // namespace testsupport
