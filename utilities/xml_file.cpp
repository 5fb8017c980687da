#include "utilities/xml_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/last_error.h"
#include "platform/ascii_case.h"
#include "utilities/bounded_read.h"
#include "utilities/errors.h"
#include "utilities/unicode.h"
#include "utilities/xml_entities.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A name or raw value as stored: trimmed, empty when over-long.
std::string_view Limited(std::string_view s) {
    s = Trim(s);
    return s.size() > CXMLFile::kMaxFieldChars ? std::string_view() : s;
}

std::string Decoded(std::string_view raw) { return DecodeXmlEntities(Limited(raw)); }

// First position of c in s at or after from, outside '"' quotes.
std::size_t FindOutsideQuotes(std::string_view s, std::size_t from, bool (*match)(char)) {
    bool quoted = false;
    for (std::size_t i = from; i < s.size(); ++i) {
        if (s[i] == '"') quoted = !quoted;
        else if (!quoted && match(s[i])) return i;
    }
    return std::string_view::npos;
}

enum class TTagKind : std::uint8_t {
    kStart,        // <name ...>
    kEnd,          // </name>
    kSelfClosing,  // <name .../> or <?name ...?>
    kValue,        // <name="value">
    kSkip,         // declarations and tags with nothing to keep
};

// One scanned tag. Offsets index the whole text.
struct TFieldResult {
    std::uint32_t begin = 0;      // the '<'
    std::uint32_t end = 0;        // one past the '>'
    std::uint32_t nameOff = 0;    // element or field name (the first word)
    std::uint32_t nameLen = 0;
    std::uint32_t restOff = 0;    // the value, or the attributes after the name
    std::uint32_t restLen = 0;
    TTagKind kind = TTagKind::kSkip;
    bool hasBlanks = false;       // attributes follow the name
};

// Splits a tag's content into name and the rest: attributes when a blank
// outside quotes follows the first word, a value when an '=' stands outside
// quotes, else the whole content is the name.
void ParseFieldID(std::string_view text, std::string_view content, TFieldResult& field, bool& hasValue) {
    content = Trim(content);
    const auto offsetOf = [&](std::string_view part) {
        return static_cast<std::uint32_t>(part.data() - text.data());
    };
    hasValue = false;
    std::string_view name = content;
    std::string_view rest;
    const auto blank = FindOutsideQuotes(content, 0, IsBlank);
    const auto equals = FindOutsideQuotes(content, 0, [](char c) { return c == '='; });
    if (blank != std::string_view::npos) {
        // The content is trimmed, so more text follows the blank.
        field.hasBlanks = true;
        name = content.substr(0, blank);
        rest = content.substr(blank);
    } else if (equals != std::string_view::npos) {
        hasValue = true;
        name = content.substr(0, equals);
        rest = content.substr(equals + 1);
        const auto open = rest.find('"');
        if (open != std::string_view::npos) {
            rest = rest.substr(open + 1);
            rest = rest.substr(0, rest.find('"'));
        }
    }
    name = Limited(name);
    field.nameOff = offsetOf(name.data() != nullptr ? name : content);
    field.nameLen = static_cast<std::uint32_t>(name.size());
    field.restOff = offsetOf(rest.data() != nullptr ? rest : content);
    field.restLen = static_cast<std::uint32_t>(rest.size());
}

// Scans the next tag at or after pos, skipping comments. False when no
// complete tag is left.
bool GetNextField(std::string_view text, std::size_t& pos, TFieldResult& field) {
    for (;;) {
        const auto open = text.find('<', pos);
        if (open == std::string_view::npos) return false;
        if (text.substr(open, 4) == "<!--") {
            const auto close = text.find("-->", open + 4);
            if (close == std::string_view::npos) return false;
            pos = close + 3;
            continue;
        }
        const bool closing = text.substr(open, 2) == "</";
        const bool question = text.substr(open, 2) == "<?";
        const bool declaration = text.substr(open, 2) == "<!";
        const std::size_t contentStart = open + ((closing || question) ? 2 : 1);
        const auto gt = FindOutsideQuotes(text, contentStart, [](char c) { return c == '>'; });
        if (gt == std::string_view::npos) return false;
        std::size_t contentEnd = gt;
        bool selfClosing = question;
        if (contentEnd > contentStart && (text[contentEnd - 1] == '/' || text[contentEnd - 1] == '?')) {
            selfClosing = selfClosing || text[contentEnd - 1] == '/';
            --contentEnd;
        }
        field = TFieldResult{};
        field.begin = static_cast<std::uint32_t>(open);
        field.end = static_cast<std::uint32_t>(gt + 1);
        pos = gt + 1;
        bool hasValue = false;
        ParseFieldID(text, text.substr(contentStart, contentEnd - contentStart), field, hasValue);
        if (declaration) {
            field.kind = TTagKind::kSkip;
        } else if (closing) {
            field.kind = TTagKind::kEnd;
        } else if (hasValue) {
            field.kind = TTagKind::kValue;
        } else if (selfClosing) {
            // A bare self-closing tag carries nothing to keep.
            field.kind = field.hasBlanks ? TTagKind::kSelfClosing : TTagKind::kSkip;
        } else {
            field.kind = TTagKind::kStart;
        }
        return true;
    }
}

struct NoCaseHash {
    std::size_t operator()(std::string_view s) const {
        std::size_t h = 1469598103934665603ull;
        for (const char c : s) h = (h ^ static_cast<unsigned char>(AsciiToLower(c))) * 1099511628211ull;
        return h;
    }
};

struct NoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const { return AsciiEqualNoCase(a, b); }
};

}  // namespace

// The scanned tags of one text and, for each start tag, the index of its
// end tag (-1 when it has none).
struct CXMLNode::TParse {
    std::string_view text;
    std::vector<TFieldResult> tags;
    std::vector<std::int32_t> match;

    std::string_view Name(int i) const { return text.substr(tags[i].nameOff, tags[i].nameLen); }
    std::string_view Rest(int i) const { return text.substr(tags[i].restOff, tags[i].restLen); }
};

// ---- CXMLValue ----

namespace {

std::optional<std::string> CopyText(const char* text, int len) {
    if (text == nullptr) return std::nullopt;
    const std::size_t n = len > 0 ? strnlen(text, static_cast<std::size_t>(len)) : 0;
    return std::string(text, n);
}

}  // namespace

void CXMLValue::SetFieldName(const char* text, int len) { fieldName_ = CopyText(text, len); }

void CXMLValue::SetValue(const char* text, int len) { value_ = CopyText(text, len); }

// ---- CXMLNode ----

CXMLNode::CXMLNode(const CXMLNode& other) { CopyFrom(other); }

CXMLNode& CXMLNode::operator=(const CXMLNode& other) {
    if (this != &other) {
        Clear();
        CopyFrom(other);
    }
    return *this;
}

CXMLNode::~CXMLNode() { Clear(); }

void CXMLNode::CopyFrom(const CXMLNode& other) {
    name_ = other.name_;
    for (int i = 0; i < other.children_.Count(); ++i) children_.Append(new CXMLNode(*other.children_.At(i)));
    for (int i = 0; i < other.values_.Count(); ++i) values_.Append(new CXMLValue(*other.values_.At(i)));
}

void CXMLNode::Clear() {
    for (int i = 0; i < children_.Count(); ++i) delete children_.At(i);
    for (int i = 0; i < values_.Count(); ++i) delete values_.At(i);
    children_.RemoveAll();
    values_.RemoveAll();
    name_.reset();
}

CXMLNode* CXMLNode::GetChild(unsigned int index) const {
    return index < NumChildren() ? children_.At(static_cast<int>(index)) : nullptr;
}

CXMLNode* CXMLNode::GetChild(const char* name) const {
    if (name == nullptr) return nullptr;
    for (int i = 0; i < children_.Count(); ++i) {
        CXMLNode* child = children_.At(i);
        if (child->name_ && AsciiEqualNoCase(*child->name_, name)) return child;
    }
    return nullptr;
}

CXMLNode* CXMLNode::FindNode(const char* name) {
    if (name == nullptr || *name == '\0') return nullptr;
    if (name_ && AsciiEqualNoCase(*name_, name)) return this;
    for (int i = 0; i < children_.Count(); ++i) {
        if (CXMLNode* hit = children_.At(i)->FindNode(name)) return hit;
    }
    return nullptr;
}

CXMLValue* CXMLNode::GetValue(unsigned int index) const {
    return index < NumValues() ? values_.At(static_cast<int>(index)) : nullptr;
}

const char* CXMLNode::GetValue(const char* field) const {
    if (field == nullptr) return nullptr;
    for (int i = 0; i < values_.Count(); ++i) {
        const CXMLValue* value = values_.At(i);
        if (value->FieldName() != nullptr && AsciiEqualNoCase(value->FieldName(), field)) return value->Value();
    }
    return nullptr;
}

const char* CXMLNode::SearchForValue(const char* field) const {
    if (const char* hit = GetValue(field)) return hit;
    for (int i = 0; i < children_.Count(); ++i) {
        if (const char* hit = children_.At(i)->SearchForValue(field)) return hit;
    }
    return nullptr;
}

bool CXMLNode::AddValue(const std::string& field, const std::string& value) {
    auto item = std::make_unique<CXMLValue>();
    item->SetFieldName(field.c_str(), static_cast<int>(field.size()));
    item->SetValue(value.c_str(), static_cast<int>(value.size()));
    if (!values_.Append(item.get())) return false;
    item.release();
    return true;
}

CXMLNode* CXMLNode::LoadSingleTokenNode(const TParse& parse, int token) {
    auto node = std::make_unique<CXMLNode>();
    node->SetName(std::string(parse.Name(token)));
    // name="value" pairs; a word without '=' is skipped.
    const std::string_view attrs = parse.Rest(token);
    std::size_t pos = 0;
    while (pos < attrs.size()) {
        while (pos < attrs.size() && IsBlank(attrs[pos])) ++pos;
        const std::size_t nameStart = pos;
        while (pos < attrs.size() && !IsBlank(attrs[pos]) && attrs[pos] != '=') ++pos;
        const std::string_view name = attrs.substr(nameStart, pos - nameStart);
        while (pos < attrs.size() && IsBlank(attrs[pos])) ++pos;
        if (pos >= attrs.size() || attrs[pos] != '=') continue;
        ++pos;
        while (pos < attrs.size() && IsBlank(attrs[pos])) ++pos;
        std::string_view value;
        if (pos < attrs.size() && attrs[pos] == '"') {
            const auto close = attrs.find('"', pos + 1);
            const std::size_t end = close == std::string_view::npos ? attrs.size() : close;
            value = attrs.substr(pos + 1, end - pos - 1);
            pos = end + 1;
        } else {
            const std::size_t valueStart = pos;
            while (pos < attrs.size() && !IsBlank(attrs[pos])) ++pos;
            value = attrs.substr(valueStart, pos - valueStart);
        }
        node->AddValue(std::string(Limited(name)), Decoded(value));
    }
    return node.release();
}

void CXMLNode::LoadRange(const TParse& parse, int first, int last, int depth) {
    const bool childTooDeep = depth + 1 > CXMLFile::kMaxDepth;
    int i = first;
    while (i < last) {
        const TFieldResult& tag = parse.tags[i];
        switch (tag.kind) {
        case TTagKind::kValue:
            AddValue(std::string(parse.Name(i)), Decoded(parse.Rest(i)));
            ++i;
            continue;
        case TTagKind::kSelfClosing:
            if (!childTooDeep) children_.Append(LoadSingleTokenNode(parse, i));
            ++i;
            continue;
        case TTagKind::kEnd:
        case TTagKind::kSkip:
            ++i;  // stray end tags and declarations
            continue;
        case TTagKind::kStart:
            break;
        }
        const int end = parse.match[i];
        if (end < 0 || end >= last) {
            // No end tag inside this element: the start is dropped (its
            // attributes kept) and the tags after it are read here.
            if (tag.hasBlanks && !childTooDeep) children_.Append(LoadSingleTokenNode(parse, i));
            ++i;
            continue;
        }
        CXMLNode* attributed = nullptr;
        if (tag.hasBlanks && !childTooDeep) attributed = LoadSingleTokenNode(parse, i);
        if (end == i + 1) {
            // Only text: a value of this node named after the element.
            std::string_view content = parse.text.substr(tag.end, parse.tags[end].begin - tag.end);
            content = content.substr(0, content.find('<'));  // a comment ends the text
            AddValue(std::string(parse.Name(i)), Decoded(content));
            if (attributed != nullptr) children_.Append(attributed);
        } else if (!childTooDeep) {
            CXMLNode* child = attributed;
            if (child == nullptr) {
                child = new CXMLNode;
                child->SetName(std::string(parse.Name(i)));
            }
            child->LoadRange(parse, i + 1, end, depth + 1);
            children_.Append(child);
        }
        i = end + 1;
    }
}

bool CXMLNode::Load(const unsigned char* bytes, unsigned int len) {
    TParse parse;
    parse.text = std::string_view(reinterpret_cast<const char*>(bytes), len);
    TFieldResult field;
    std::size_t pos = 0;
    while (GetNextField(parse.text, pos, field)) parse.tags.push_back(field);

    // Each end tag closes the latest open start tag of its name (nesting
    // counts only tags of the same name), found in one pass.
    parse.match.assign(parse.tags.size(), -1);
    std::unordered_map<std::string_view, std::vector<std::int32_t>, NoCaseHash, NoCaseEqual> open;
    for (std::size_t i = 0; i < parse.tags.size(); ++i) {
        const TFieldResult& tag = parse.tags[i];
        const std::string_view name = parse.Name(static_cast<int>(i));
        if (name.empty()) continue;
        if (tag.kind == TTagKind::kStart) {
            open[name].push_back(static_cast<std::int32_t>(i));
        } else if (tag.kind == TTagKind::kEnd) {
            const auto it = open.find(name);
            if (it != open.end() && !it->second.empty()) {
                parse.match[static_cast<std::size_t>(it->second.back())] = static_cast<std::int32_t>(i);
                it->second.pop_back();
            }
        }
    }
    LoadRange(parse, 0, static_cast<int>(parse.tags.size()), 0);
    return true;
}

// ---- CXMLFile ----

bool CXMLFile::Open(const char* path) {
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string bytes;
    if (!ReadFileBounded(path, kMaxFileBytes, bytes)) return false;
    if (bytes.empty()) {
        SetLastErrorFromErrno(EIO);
        return false;
    }
    root_.Clear();
    const std::string_view raw(bytes);
    if (IsValidUtf8(raw)) {
        return root_.Load(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned int>(bytes.size()));
    }
    // Not UTF-8: written by an older program in its code page.
    const std::string text = Windows1252ToUtf8(raw);
    return root_.Load(reinterpret_cast<const unsigned char*>(text.data()), static_cast<unsigned int>(text.size()));
}
