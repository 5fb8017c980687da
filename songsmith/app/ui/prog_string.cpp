#include "songsmith/app/ui/prog_string.h"

#include "utilities/keyed_text.h"

namespace {
// Bytes read for one text; longer texts are cut.
constexpr int kProgStringSize = 1024;
}  // namespace

QString ProgString(const char* key) {
    char text[kProgStringSize] = {};
    MyLoadString(key, text, sizeof text);
    return QString::fromUtf8(text);
}
