#pragma once
// Opening a web page or a file in the user's browser.

#include <functional>

// Opens url with the desktop's opener (xdg-open, started without a shell so
// the address is never parsed as a command). True when it was started. The
// owner window and the show mode are accepted for the callers' sake; the
// desktop places the browser itself.
bool LaunchBrowser(const char* url, void* owner = nullptr, int show = 1);

// Starts the program at path with parameters (blank-separated; double quotes
// group words), without a shell and without waiting for it. True when it was
// started; else false with the reason in the thread's last error.
bool StartProgram(const char* path, const char* parameters);

// The desktop's opener that LaunchBrowser starts.
inline constexpr const char* kDesktopOpener = "xdg-open";

// Called with the address when the desktop's opener could not be started
// (none installed, say), after LaunchBrowser's last error was set; a program
// tells its user here. An empty handler tells nobody. Returns the previous
// handler.
using LaunchFailureHandler = std::function<void(const char* url)>;
LaunchFailureHandler SetLaunchFailureHandler(LaunchFailureHandler handler);

// Replaces the opener, for tests that must not open a real browser; the hook
// receives the address and answers whether it was opened. An empty hook
// restores xdg-open. Returns the previous hook.
using LaunchBrowserHook = std::function<bool(const char* url)>;
LaunchBrowserHook SetLaunchBrowserHook(LaunchBrowserHook hook);
