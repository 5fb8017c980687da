#pragma once
// The program's message box for code that has no window of its own: the
// platform's message-box hook (platform/message_box.h) and the sound
// engine's notice hook (tonecore/engine/engine_startup.h). The start-up installs
// them once the UI services are in place.

#include <cstdint>

// A MessageBoxFunction: the custom box with text, caption and type. From
// another thread the box is shown on the GUI thread while the caller waits
// for the answer.
std::int32_t ShowWindowlessMessageBox(void* owner, const char* text, const char* caption,
                                      std::uint32_t type);

// A TEngineNotifyHook: the engine's notice in an OK box with the exclamation
// icon. From another thread the box is queued to the GUI thread and the
// caller goes on at once.
void ShowEngineNotice(const char* text, const char* caption);
