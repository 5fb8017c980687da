#include "songsmith/app/keyed_message.h"

#include <string>

#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/app/ui_services.h"

std::int32_t ShowKeyedMessage(void* owner, const char* key, std::initializer_list<CTextArg> args,
                              std::uint32_t flags, const char* caption) {
    const std::string text = FormatKeyedText(key, args);
    return GetUiServices()
        .ShowMessage(owner, MakeMessageRequest(key, text.c_str(), flags, caption))
        .id;
}
