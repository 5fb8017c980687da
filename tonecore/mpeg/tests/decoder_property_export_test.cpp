// A property list exported as an array and serialised as big-endian bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tonecore/mpeg/decoder_errors.h"
#include "tonecore/mpeg/decoder_properties.h"
#include "tonecore/mpeg/decoder_property_export.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Serialize(DecoderPropertyList& list) {
    DecoderPropertyExport exported;
    EXPECT_EQ(DecoderPropertyListExport(&list, &exported), 0);
    const std::int32_t size = DecoderPropertyListSerializedSize(&exported);
    EXPECT_GT(size, 0);
    if (size <= 0) return {};
    TBytes bytes(static_cast<std::size_t>(size));
    EXPECT_EQ(DecoderPropertyListSerialize(&exported, bytes.data(), static_cast<std::uint32_t>(bytes.size())), size);
    return bytes;
}

TBytes Text(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

TBytes Join(std::initializer_list<TBytes> parts) {
    TBytes all;
    for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

}  // namespace

TEST(DecoderPropertyExport, OneIntegerPropertyIsTwentyTwoBytes) {
    DecoderPropertyList list;
    ASSERT_EQ(PropertyListSetInteger(&list, "mpeg/layer", 3), 0);
    const TBytes bytes = Serialize(list);
    EXPECT_EQ(bytes.size(), 22u);
    EXPECT_EQ(bytes, Join({{0, 0, 0, 1}, {1, 0, 10}, Text("mpeg/layer"), {0}, {0, 0, 0, 3}}));
}

TEST(DecoderPropertyExport, ListOrderTypesAndByteForm) {
    DecoderPropertyList list;
    ASSERT_EQ(PropertyListSetText(&list, "id3/title", "Song"), 0);
    ASSERT_EQ(PropertyListSetInteger(&list, "gain", -2), 0);
    ASSERT_EQ(PropertyListSetText(&list, "e", ""), 0);

    DecoderPropertyExport exported;
    ASSERT_EQ(DecoderPropertyListExport(&list, &exported), 0);
    ASSERT_EQ(exported.count, 3);
    // Newest first, as the list keeps them.
    EXPECT_STREQ(exported.items[0].name, "e");
    EXPECT_EQ(exported.items[1].type, DECODER_PROPERTY_INTEGER);
    EXPECT_EQ(exported.items[1].integer, -2);
    EXPECT_STREQ(exported.items[2].text, "Song");
    // 4 + (1 + 4 + 0 + 3) + (4 + 4 + 4) + (9 + 4 + 4 + 3)
    EXPECT_EQ(DecoderPropertyListSerializedSize(&exported), 44);
    EXPECT_EQ(Serialize(list), Join({{0, 0, 0, 3},
                                     {0, 0, 1}, Text("e"), {0}, {0, 0}, {0},
                                     {1, 0, 4}, Text("gain"), {0}, {0xFF, 0xFF, 0xFF, 0xFE},
                                     {0, 0, 9}, Text("id3/title"), {0}, {0, 4}, Text("Song"), {0}}));

    // The export keeps its own copies until the next one replaces it.
    ASSERT_EQ(DecoderPropertyListExport(&list, &exported), 0);
    PropertyListClear(&list);
    EXPECT_STREQ(exported.items[2].name, "id3/title");
    EXPECT_STREQ(exported.items[2].text, "Song");
    ASSERT_EQ(DecoderPropertyListExport(&list, &exported), 0);
    EXPECT_EQ(exported.count, 0);
    EXPECT_EQ(Serialize(list), (TBytes{0, 0, 0, 0}));
}

TEST(DecoderPropertyExport, RefusesWhatTheFormCannotHold) {
    DecoderPropertyList list;
    DecoderPropertyExport exported;
    EXPECT_EQ(DecoderPropertyListExport(nullptr, &exported), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderPropertyListExport(&list, nullptr), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderPropertyListSerializedSize(nullptr), DECODER_ERR_BAD_ARGUMENT);

    ASSERT_EQ(PropertyListSetInteger(&list, "n", 1), 0);
    ASSERT_EQ(DecoderPropertyListExport(&list, &exported), 0);
    TBytes bytes(13);  // 4 + (1 + 4) + 4
    EXPECT_EQ(DecoderPropertyListSerialize(&exported, bytes.data(), 12), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderPropertyListSerialize(&exported, nullptr, 100), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderPropertyListSerialize(&exported, bytes.data(), 13), 13);

    // A 16-bit length cannot state 65536 bytes; 65535 is the most.
    for (const std::size_t length : {std::size_t{65535}, std::size_t{65536}}) {
        DecoderPropertyList texts;
        ASSERT_EQ(PropertyListSetText(&texts, "long", std::string(length, 'x').c_str()), 0);
        ASSERT_EQ(DecoderPropertyListExport(&texts, &exported), 0);
        const std::int32_t expected = length == 65535 ? static_cast<std::int32_t>(4 + 4 + 4 + 65535 + 3)
                                                      : DECODER_ERR_BAD_ARGUMENT;
        EXPECT_EQ(DecoderPropertyListSerializedSize(&exported), expected) << length;
    }
}
