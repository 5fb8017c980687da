#include "songvault/record_text.h"

#include <algorithm>
#include <cstring>

#include "utilities/text_copy.h"
#include "utilities/unicode.h"

namespace songvault {

std::string_view FieldText(const char* field, std::size_t size) {
    const void* end = std::memchr(field, '\0', size);
    const std::size_t length = (end != nullptr) ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : size;
    return {field, length};
}

std::string_view FittedText(const char* field, std::size_t size) {
    const std::string_view text = FieldText(field, size);
    return text.substr(0, textcopy::Utf8PrefixLength(text, size - 1));
}

void PutText(std::string_view text, char* field, std::size_t size) {
    const std::size_t n = textcopy::Utf8PrefixLength(text, size - 1);
    if (n > 0) std::memmove(field, text.data(), n);
    std::memset(field + n, 0, size - n);
}

bool IsBlank(std::string_view text) {
    // The "C" locale's white space, as the Library tab trims names.
    return text.find_first_not_of(" \t\n\v\f\r") == std::string_view::npos;
}

std::string TitleFromPath(std::string_view path, std::size_t maxBytes) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = (slash == std::string_view::npos) ? path : path.substr(slash + 1);
    std::string title = IsValidUtf8(name) ? std::string(name) : Windows1252ToUtf8(name);
    title.resize(textcopy::Utf8PrefixLength(title, maxBytes));
    return title;
}

}  // namespace songvault
