#pragma once
// The stored layouts of a song-information record, field by field, and a
// builder of records in them from distinct values per field: fixtures for
// the tests of the records' readers (the engine's and the session's),
// written from the layouts, not from the code under test.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "filekit/tests/chunk_builder.h"

namespace musicinfo_layouts {

// One stored field: its kind and width, and the record member it fills.
enum class Kind { kText, kWord, kByte, kOldBool, kSkip, kBytes, kDouble, kQuad };
struct TField {
    Kind kind;
    int width;
    const char* name;
};

// The layouts as a session file stores them, field by field.
inline const std::vector<TField> kVersion5 = {
    {Kind::kText, 256, "title"}, {Kind::kText, 512, "display"}, {Kind::kText, 256, "artist"},
    {Kind::kText, 256, "album"}, {Kind::kText, 256, "genre"}, {Kind::kWord, 4, "genreIndex"},
    {Kind::kText, 2048, "comment"}, {Kind::kText, 1024, "copyright"}, {Kind::kWord, 4, "year"},
    {Kind::kWord, 4, "tagSize"}, {Kind::kWord, 4, "tagType"}, {Kind::kWord, 4, "spare"},
    {Kind::kBytes, 804, "cdid"}, {Kind::kWord, 4, "cdidLength"}, {Kind::kWord, 4, "track"},
    {Kind::kWord, 4, "count"}, {Kind::kByte, 1, "copyrighted"}, {Kind::kByte, 1, "flag1"},
    {Kind::kByte, 1, "flag2"}, {Kind::kByte, 1, "flag3"}, {Kind::kByte, 1, "flag4"},
    {Kind::kByte, 1, "flag5"}, {Kind::kByte, 1, "flag6"}, {Kind::kByte, 1, "flag7"},
    {Kind::kByte, 1, "original"}, {Kind::kText, 260, "path"}, {Kind::kWord, 4, "word1"},
    {Kind::kWord, 4, "word2"}, {Kind::kText, 128, "format"}, {Kind::kText, 256, "encodedBy"},
    {Kind::kBytes, 18, "wave"}, {Kind::kDouble, 8, "volume"}, {Kind::kWord, 4, "length"},
    {Kind::kWord, 4, "trimStart"}, {Kind::kWord, 4, "trimEnd"}, {Kind::kWord, 4, "autoStart"},
    {Kind::kWord, 4, "autoEnd"}, {Kind::kQuad, 8, "play"}, {Kind::kWord, 4, "state1"},
    {Kind::kWord, 4, "state2"}, {Kind::kWord, 4, "state3"}, {Kind::kWord, 4, "dbid"},
};

inline std::vector<TField> Version4() {
    std::vector<TField> fields;
    for (const TField& f : kVersion5) {
        if (std::string(f.name) == "word2") {
            fields.push_back({Kind::kSkip, 8, "gap"});
        } else {
            fields.push_back(f);
        }
    }
    return fields;
}

inline const std::vector<TField> kOldTail = {
    {Kind::kBytes, 18, "wave"}, {Kind::kSkip, 2, "gap"}, {Kind::kOldBool, 4, "flag1"},
    {Kind::kWord, 4, "length"}, {Kind::kWord, 4, "word1"}, {Kind::kText, 512, "display"},
    {Kind::kDouble, 8, "volume"}, {Kind::kWord, 4, "trimStart"}, {Kind::kWord, 4, "trimEnd"},
    {Kind::kWord, 4, "autoStart"}, {Kind::kWord, 4, "autoEnd"}, {Kind::kQuad, 8, "play"},
    {Kind::kWord, 4, "state1"}, {Kind::kWord, 4, "state2"}, {Kind::kWord, 4, "state3"},
    {Kind::kOldBool, 4, "flag3"}, {Kind::kOldBool, 4, "flag4"}, {Kind::kOldBool, 4, "flag5"},
    {Kind::kOldBool, 4, "flag6"}, {Kind::kOldBool, 4, "flag7"},
};

inline std::vector<TField> Version3() {
    std::vector<TField> fields = {
        {Kind::kText, 260, "path"}, {Kind::kText, 128, "format"}, {Kind::kSkip, 8, "gap"},
        {Kind::kText, 1024, "title"}, {Kind::kText, 1024, "artist"}, {Kind::kText, 1024, "album"},
        {Kind::kText, 1024, "genre"}, {Kind::kText, 1024, "comment"}, {Kind::kText, 1024, "encodedBy"},
        {Kind::kText, 1024, "copyright"}, {Kind::kBytes, 804, "cdid"}, {Kind::kWord, 4, "cdidLength"},
        {Kind::kWord, 4, "year"}, {Kind::kOldBool, 4, "unused"}, {Kind::kOldBool, 4, "copyrighted"},
        {Kind::kOldBool, 4, "original"}, {Kind::kWord, 4, "genreIndex"}, {Kind::kWord, 4, "track"},
        {Kind::kWord, 4, "count"}, {Kind::kWord, 4, "tagSize"}, {Kind::kWord, 4, "tagType"},
    };
    fields.insert(fields.end(), kOldTail.begin(), kOldTail.end());
    return fields;
}

inline std::vector<TField> Version0To2() {
    std::vector<TField> fields = {
        {Kind::kText, 260, "path"}, {Kind::kText, 128, "format"}, {Kind::kSkip, 8, "gap"},
        {Kind::kText, 1024, "title"}, {Kind::kText, 1024, "artist"}, {Kind::kText, 1024, "album"},
        {Kind::kText, 1024, "genre"}, {Kind::kText, 1024, "comment"}, {Kind::kWord, 4, "year"},
        {Kind::kOldBool, 4, "copyrighted"}, {Kind::kWord, 4, "genreIndex"},
    };
    fields.insert(fields.end(), kOldTail.begin(), kOldTail.end());
    return fields;
}

// Distinct values per field, so that two fields swapped or shifted show.
struct TValues {
    std::map<std::string, std::string> texts;
    std::map<std::string, std::int32_t> words = {{"cdidLength", 100}, {"track", 3}, {"count", 12}};

    std::string Text(const std::string& name) const {
        auto it = texts.find(name);
        return it != texts.end() ? it->second : name + " text";
    }
    std::int32_t Word(const std::string& name) const {
        auto it = words.find(name);
        if (it != words.end()) return it->second;
        std::uint32_t h = 17;
        for (char c : name) h = h * 31 + static_cast<unsigned char>(c);
        return static_cast<std::int32_t>(h & 0x7FFFFFF);
    }
};

inline std::string Build(const std::vector<TField>& fields, const TValues& values) {
    std::string out;
    for (const TField& f : fields) {
        const std::size_t width = static_cast<std::size_t>(f.width);
        switch (f.kind) {
            case Kind::kText: {
                std::string text = values.Text(f.name);
                text.resize(width, '\0');
                out += text;
                break;
            }
            case Kind::kWord:
                out += chunk_builder::Le32(static_cast<std::uint32_t>(values.Word(f.name)));
                break;
            case Kind::kByte:
                out += '\x01';
                break;
            case Kind::kOldBool:
                out += chunk_builder::Le32(7);  // any non-zero word is true
                break;
            case Kind::kSkip:
                out += std::string(width, '\xEE');
                break;
            case Kind::kBytes:
                for (std::size_t i = 0; i < width; ++i) out += static_cast<char>(i * 7 + f.name[0]);
                break;
            case Kind::kDouble: {
                const double value = 0.75;
                out.append(reinterpret_cast<const char*>(&value), 8);
                break;
            }
            case Kind::kQuad:
                out += chunk_builder::Le32(0x11223344) + chunk_builder::Le32(0x55667788);
                break;
        }
    }
    return out;
}

inline bool Has(const std::vector<TField>& fields, const char* name) {
    for (const TField& f : fields) {
        if (std::string(f.name) == name) return true;
    }
    return false;
}

}  // namespace musicinfo_layouts
