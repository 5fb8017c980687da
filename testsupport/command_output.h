#pragma once
// Running an outside program from a test and taking what it prints.

#include <string>

namespace testsupport {

// What the shell command writes to its standard output; empty when it
// cannot be started.
std::string CommandOutput(const std::string& command);

}  // namespace testsupport
