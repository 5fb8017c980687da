#include "platform/registry_text.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::string_view kFileHeader = "Songsmith registry 1";
// The last line of every file: a file cut short anywhere, even between two
// lines, lacks it and is noticed as damaged rather than read in part.
constexpr std::string_view kFileEnd = "End of registry";
// Hex bytes per line before a continuation, which keeps lines near 80 columns.
constexpr std::size_t kHexBytesPerLine = 25;

void AppendQuoted(std::string& out, std::string_view bytes) {
    out += '"';
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendHexList(std::string& out, const std::vector<std::uint8_t>& data) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i != 0) {
            out += ',';
            if (i % kHexBytesPerLine == 0) out += "\\\n  ";
        }
        char hex[4];
        std::snprintf(hex, sizeof(hex), "%02x", data[i]);
        out += hex;
    }
}

void AppendValue(std::string& out, const TRegValue& value) {
    if (value.name.empty()) {
        out += '@';
    } else {
        AppendQuoted(out, value.name);
    }
    out += '=';
    char prefix[24];
    if (value.type == REG_SZ) {
        AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                           value.data.size()));
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        const std::uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                     (static_cast<std::uint32_t>(value.data[3]) << 24);
        std::snprintf(prefix, sizeof(prefix), "dword:%08x", number);
        out += prefix;
    } else {
        if (value.type == REG_BINARY) {
            out += "hex:";
        } else {
            std::snprintf(prefix, sizeof(prefix), "hex(%x):", value.type);
            out += prefix;
        }
        AppendHexList(out, value.data);
    }
    out += '\n';
}

// Iterative, so that deep trees cannot exhaust the stack.
void AppendKeys(std::string& out, std::string_view rootName, const TRegNode& root) {
    struct Pending {
        const TRegNode* node;
        std::string path;
    };
    std::vector<Pending> stack{{&root, std::string(rootName)}};
    while (!stack.empty()) {
        Pending item = std::move(stack.back());
        stack.pop_back();
        out += '\n';
        out += '[';
        out += item.path;
        out += "]\n";
        for (const TRegValue& value : item.node->values) AppendValue(out, value);
        // Pushed in reverse so that they come out in enumeration order.
        for (auto it = item.node->subKeys.rbegin(); it != item.node->subKeys.rend(); ++it) {
            stack.push_back({it->get(), item.path + '\\' + (*it)->name});
        }
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A cursor over one logical line.
class CLineReader {
public:
    explicit CLineReader(std::string_view line) : line_(line) {}

    bool AtEnd() const { return pos_ >= line_.size(); }
    char Peek() const { return AtEnd() ? '\0' : line_[pos_]; }
    bool Take(std::string_view word) {
        if (line_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }
    void SkipSpaces() {
        while (!AtEnd() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
    }

    bool ReadQuoted(std::string& out) {
        if (!Take("\"")) return false;
        while (!AtEnd()) {
            const char c = line_[pos_++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (AtEnd()) return false;
            const char escaped = line_[pos_++];
            if (escaped == '\\' || escaped == '"') {
                out += escaped;
            } else if (escaped == 'x' && pos_ + 2 <= line_.size() && HexDigit(line_[pos_]) >= 0 &&
                       HexDigit(line_[pos_ + 1]) >= 0) {
                out += static_cast<char>(HexDigit(line_[pos_]) * 16 + HexDigit(line_[pos_ + 1]));
                pos_ += 2;
            } else {
                return false;
            }
        }
        return false;
    }

    // 1 to maxDigits hex digits as a number.
    bool ReadHexNumber(std::size_t maxDigits, std::uint32_t& out) {
        std::size_t digits = 0;
        out = 0;
        while (!AtEnd() && HexDigit(line_[pos_]) >= 0) {
            if (++digits > maxDigits) return false;
            out = out * 16 + static_cast<std::uint32_t>(HexDigit(line_[pos_++]));
        }
        return digits != 0;
    }

    // Comma-separated two-digit bytes up to the end of the line.
    bool ReadHexList(std::vector<std::uint8_t>& out) {
        SkipSpaces();
        if (AtEnd()) return true;
        while (true) {
            SkipSpaces();
            if (pos_ + 2 > line_.size()) return false;
            const int high = HexDigit(line_[pos_]);
            const int low = HexDigit(line_[pos_ + 1]);
            if (high < 0 || low < 0) return false;
            out.push_back(static_cast<std::uint8_t>(high * 16 + low));
            pos_ += 2;
            SkipSpaces();
            if (AtEnd()) return true;
            if (!Take(",")) return false;
        }
    }

private:
    std::string_view line_;
    std::size_t pos_ = 0;
};

bool ParseValueLine(std::string_view line, TRegNode& key, std::string& why) {
    CLineReader reader(line);
    std::string name;
    if (!reader.Take("@") && !reader.ReadQuoted(name)) {
        why = "bad value name";
        return false;
    }
    reader.SkipSpaces();
    if (!reader.Take("=")) {
        why = "'=' expected after the value name";
        return false;
    }
    reader.SkipSpaces();
    std::uint32_t type = REG_BINARY;
    std::vector<std::uint8_t> data;
    if (reader.Peek() == '"') {
        std::string text;
        if (!reader.ReadQuoted(text)) {
            why = "bad string";
            return false;
        }
        type = REG_SZ;
        data.assign(text.begin(), text.end());
    } else if (reader.Take("dword:")) {
        std::uint32_t number = 0;
        if (!reader.ReadHexNumber(8, number)) {
            why = "bad dword";
            return false;
        }
        type = REG_DWORD;
        data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    } else if (reader.Take("hex")) {
        if (reader.Take("(")) {
            if (!reader.ReadHexNumber(8, type) || !reader.Take(")")) {
                why = "bad value type";
                return false;
            }
        }
        if (!reader.Take(":") || !reader.ReadHexList(data)) {
            why = "bad hex data";
            return false;
        }
    } else {
        why = "unknown value form";
        return false;
    }
    reader.SkipSpaces();
    if (!reader.AtEnd()) {
        why = "text after the value";
        return false;
    }
    key.SetValue(name, type, std::move(data));
    return true;
}

TRegNode* ParseKeyLine(std::string_view line, std::string_view rootName, TRegNode& root,
                       std::string& why) {
    if (line.size() < 2 || line.back() != ']') {
        why = "']' expected at the end of the key";
        return nullptr;
    }
    std::string_view path = line.substr(1, line.size() - 2);
    const std::size_t firstSlash = path.find('\\');
    if (CompareRegNames(path.substr(0, firstSlash), rootName) != 0) {
        why = "key outside " + std::string(rootName);
        return nullptr;
    }
    TRegNode* node = &root;
    while (firstSlash != std::string_view::npos && !path.empty()) {
        const std::size_t slash = path.find('\\');
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
        const std::string_view name = path.substr(0, path.find('\\'));
        if (!IsValidRegKeyName(name) || node->depth >= kRegMaxKeyDepth) {
            why = "bad key name or key too deep";
            return nullptr;
        }
        node = node->AddSubKey(name).get();
    }
    return node;
}

}  // namespace

std::string WriteRegistryText(std::string_view rootName, const TRegNode& root) {
    std::string out(kFileHeader);
    out += '\n';
    AppendKeys(out, rootName, root);
    out += '\n';
    out += kFileEnd;
    out += '\n';
    return out;
}

bool ReadRegistryText(std::string_view text, std::string_view rootName, TRegNode& root,
                      std::string& error) {
    bool sawHeader = false;
    bool sawEnd = false;
    TRegNode* key = nullptr;
    std::size_t lineNumber = 0;
    std::size_t pos = 0;
    auto nextLine = [&]() {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    };
    while (pos < text.size()) {
        const std::size_t firstLine = lineNumber + 1;
        std::string line(nextLine());
        // A trailing '\' joins the next line (long hex lists).
        while (!line.empty() && line.back() == '\\' && pos < text.size()) {
            line.pop_back();
            std::string_view more = nextLine();
            more.remove_prefix(std::min(more.find_first_not_of(" \t"), more.size()));
            line += more;
        }
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == ';') continue;
        std::string_view content = std::string_view(line).substr(start);
        while (!content.empty() && (content.back() == ' ' || content.back() == '\t')) {
            content.remove_suffix(1);
        }

        std::string why;
        if (sawEnd) {
            why = "text after the end line";
        } else if (!sawHeader) {
            sawHeader = content == kFileHeader;
            if (!sawHeader) why = "not a registry store file";
        } else if (content == kFileEnd) {
            sawEnd = true;
        } else if (content.front() == '[') {
            key = ParseKeyLine(content, rootName, root, why);
        } else if (content.front() == '"' || content.front() == '@') {
            if (key == nullptr) {
                why = "value outside a key";
            } else {
                ParseValueLine(content, *key, why);
            }
        } else {
            why = "unexpected text";
        }
        if (!why.empty()) {
            error = "line " + std::to_string(firstLine) + ": " + why;
            return false;
        }
    }
    if (!sawEnd) {
        error = sawHeader ? "no end line: the file is cut short" : "the file is empty";
        return false;
    }
    return true;
}
