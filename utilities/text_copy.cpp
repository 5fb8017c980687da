#include "utilities/text_copy.h"

#include <cstring>

namespace textcopy {

std::size_t CopyTextCut(std::string_view text, char* out, std::size_t outSize) {
    if (out == nullptr || outSize == 0) return 0;
    const std::size_t n = Utf8PrefixLength(text, outSize - 1);
    std::memmove(out, text.data(), n);
    out[n] = '\0';
    return n;
}

}  // namespace textcopy
