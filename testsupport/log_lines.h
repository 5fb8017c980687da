#pragma once
// Reading back what the process's log (filekit/log.h) wrote.

#include <string>
#include <vector>

namespace testsupport {

// The texts of the log file's lines, without their time prefixes.
std::vector<std::string> LogLineTexts(const std::string& path);

}  // namespace testsupport
