#pragma once
// How long a test waits for a condition that another thread, a timer or the
// event loop brings about. The limit is there only to end a real hang: work
// that takes milliseconds on an idle machine takes seconds under the
// sanitizers on a loaded one, so no wait gives up sooner than this. A wait
// ends as soon as its condition holds, so the limit costs nothing.

#include <chrono>

namespace testsupport {

inline constexpr int kHangLimitMs = 60000;
inline constexpr std::chrono::milliseconds kHangLimit{kHangLimitMs};

}  // namespace testsupport
