#pragma once
// The program's message boxes: a text or a keyed text, with buttons and an
// icon chosen by flags (platform/message_box.h) and an optional "do not ask
// this again" check box (kMessageBoxDontAskAgain). They are shown through the
// UI services (ui_services.h), so tests script the answers.

#include <cstdint>
#include <string>

#include "songsmith/app/ui_services.h"

// The box as shown: the text's "\n" and "\r" escapes become line breaks, and
// a null or empty caption becomes the text of the key "Program Name". key may
// be null (a text given by the caller).
TMessageRequest MakeMessageRequest(const char* key, const char* text, std::uint32_t flags,
                                   const char* caption);

// Shows text and returns the pressed button's id (IDCANCEL when the box was
// closed). The check box's state is kept for GetLastDontAskAgain.
std::int32_t ShowMessageText(void* owner, const char* text, std::uint32_t flags,
                             const char* caption = nullptr);
// As ShowMessageText with the text of key (the key itself when it has none).
std::int32_t ShowMessageKey(void* owner, const char* key, std::uint32_t flags,
                            const char* caption = nullptr);

// As ShowMessageKey with the key's text formatted with path (its one "%s"),
// so that the box names the file it is about.
std::int32_t ShowFileMessageKey(void* owner, const char* key, const std::string& path, std::uint32_t flags,
                                const char* caption = nullptr);

// 1 when the check box of the last box was ticked, else 0. While a box is
// open it reads 1.
int GetLastDontAskAgain();
