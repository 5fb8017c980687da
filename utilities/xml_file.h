#pragma once
// A tolerant reader for small markup files (the XML-based playlists). It is
// not a general XML parser: it knows tags, quoted attribute values,
// comments and character references, and it folds every element that holds
// only text into a value of its parent. Names are looked up without regard
// to ASCII case. A file that is not valid UTF-8 was written by an older
// program and is read as Windows-1252.
//
// Malformed markup never fails a load: an element without its end tag is
// dropped and what follows is read at the same level, stray end tags are
// skipped, names and values longer than kMaxFieldChars become empty.
// Elements nested deeper than kMaxDepth are dropped with their content, and
// files larger than kMaxFileBytes are refused, so a hostile file costs
// bounded time, memory and stack.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "utilities/pointer_array.h"

class CXMLValue {
public:
    CXMLValue() = default;

    // Null while unset.
    const char* FieldName() const { return fieldName_ ? fieldName_->c_str() : nullptr; }
    const char* Value() const { return value_ ? value_->c_str() : nullptr; }
    // Copy len characters (fewer when the text ends first); null unsets.
    void SetFieldName(const char* text, int len);
    void SetValue(const char* text, int len);

private:
    std::optional<std::string> fieldName_;
    std::optional<std::string> value_;
};

class CXMLNode {
public:
    CXMLNode() = default;
    CXMLNode(const CXMLNode& other);
    CXMLNode& operator=(const CXMLNode& other);
    ~CXMLNode();

    // Null for a node without name (the root).
    const char* Name() const { return name_ ? name_->c_str() : nullptr; }
    unsigned int NumChildren() const { return static_cast<unsigned int>(children_.Count()); }
    unsigned int NumValues() const { return static_cast<unsigned int>(values_.Count()); }
    // Null past the end.
    CXMLNode* GetChild(unsigned int index) const;
    // The first child of that name, or null.
    CXMLNode* GetChild(const char* name) const;
    // This node when its name matches, else the first match depth first.
    CXMLNode* FindNode(const char* name);
    // Null past the end.
    CXMLValue* GetValue(unsigned int index) const;
    // The value text of the first value of that field name, or null.
    const char* GetValue(const char* field) const;
    // GetValue on this node, else the first hit depth first.
    const char* SearchForValue(const char* field) const;

private:
    friend class CXMLFile;
    struct TParse;

    // Replaces nothing: adds what the text holds to this node.
    bool Load(const unsigned char* text, unsigned int len);
    void LoadRange(const TParse& parse, int first, int last, int depth);
    CXMLNode* LoadSingleTokenNode(const TParse& parse, int token);
    bool AddValue(const std::string& field, const std::string& value);
    void SetName(const std::string& name) { name_ = name; }
    void Clear();
    void CopyFrom(const CXMLNode& other);

    CPtrArray<CXMLNode> children_{8};
    CPtrArray<CXMLValue> values_{8};
    std::optional<std::string> name_;
};

class CXMLFile {
public:
    // Names, values and texts longer than this are left empty.
    static constexpr std::size_t kMaxFieldChars = 511;
    // Elements below this many levels are dropped with their content.
    static constexpr int kMaxDepth = 256;
    // Playlists are small; anything larger is not one.
    static constexpr std::uint32_t kMaxFileBytes = 4 * 1024 * 1024;

    CXMLFile() = default;
    CXMLFile(const CXMLFile&) = delete;
    CXMLFile& operator=(const CXMLFile&) = delete;

    // Reads the whole file and replaces the tree with its content. False
    // for a null or empty path, a file that cannot be read, an empty file or
    // one larger than kMaxFileBytes (last error UTILITIES_ERR_FILE_TOO_LARGE);
    // the tree then stays as it was.
    bool Open(const char* path);

    unsigned int NumChildren() const { return root_.NumChildren(); }
    CXMLNode* GetChild(unsigned int index) const { return root_.GetChild(index); }
    CXMLNode* GetChild(const char* name) const { return root_.GetChild(name); }
    CXMLNode* FindNode(const char* name) { return root_.FindNode(name); }
    CXMLValue* GetValue(unsigned int index) const { return root_.GetValue(index); }
    const char* GetValue(const char* name) const { return root_.GetValue(name); }

private:
    CXMLNode root_;
};
