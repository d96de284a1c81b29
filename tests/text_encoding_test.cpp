// UTF-8 to printer bytes in the library: family 1's character sets through the code tables, the
// code pages of families 0 and 2, characters without a byte and malformed UTF-8, and the C API.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "txr/c_api.h"
#include "txr/encoding.h"

namespace txr::encoding {
namespace {

struct Row {
    CharacterBytes bytes;
    std::string utf8;
    std::string expected;
    std::vector<std::pair<std::size_t, char32_t>> unmapped;  // position, code point
    std::optional<std::size_t> malformedAt;
};

TEST(TextEncoding, MapsCharactersToTheSelectedFontsBytes) {
    const CharacterBytes cp850 = CharacterBytes::forCodePage(CharacterMap::Cp850);
    const CharacterBytes cp437 = CharacterBytes::forCodePage(CharacterMap::Cp437);
    const Row rows[] = {
        {CharacterBytes::forFamilyOne(203, 0, 1), "Øé ", "\x9D\x82 ", {}, {}},
        // Germany: ß is code 126, which fonts 0 to 3 refuse and font 4 has.
        {CharacterBytes::forFamilyOne(203, 0, 8), "Äß", "[", {{1, U'ß'}}, {}},
        {CharacterBytes::forFamilyOne(300, 4, 12), "Ña", "[", {{1, U'a'}}, {}},
        {CharacterBytes::forFamilyOne(600, 0, 0), "A", "", {{0, U'A'}}, {}},
        {cp850, "A€Ø¶", "A\x9D\xF4", {{1, U'€'}}, {}},
        {cp437, "\xF0\x9F\x98\x80", "", {{0, U'\U0001F600'}}, {}},
        // Three bytes start at U+0800: U+07FF in three is malformed.
        {cp850, "AB\xE0\x9F\xBF", "", {}, 2},
        {cp850, "\xE0\xA0\x80", "", {{0, U'\u0800'}}, {}},
        {cp850, "\xC3", "", {}, 0},
        // Not UTF-8: a UTF-16 surrogate, a code point past U+10FFFF.
        {cp850, "\xED\xA0\x80", "", {}, 0},
        {cp850, "A\xF4\x90\x80\x80", "", {}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes.name() + " " + row.utf8);
        const EncodedText encoded = encodeUtf8(row.utf8, row.bytes);
        EXPECT_EQ(encoded.bytes, row.expected);
        EXPECT_EQ(encoded.malformedAt, row.malformedAt);
        std::vector<std::pair<std::size_t, char32_t>> unmapped;
        for (const EncodedCharacter& c : encoded.unmapped)
            unmapped.emplace_back(c.position, c.codePoint);
        EXPECT_EQ(unmapped, row.unmapped);
    }
}

TEST(TextEncoding, CApiEncodesForTheRenderersSelection) {
    TxrRenderer* renderer = txr_create();
    ASSERT_EQ(txr_set_font(renderer, 1, 0, 1, 1, 0, 203), TXR_OK);
    ASSERT_EQ(txr_set_charset(renderer, 8), TXR_OK);
    struct CRow {
        std::string utf8;
        int status;
        std::string bytes;
        std::size_t position;
        std::uint32_t codePoint;
    };
    const CRow rows[] = {{"Gr\xC3\x84\x43", TXR_OK, "Gr[C", 0, 0},
                         {"x\xE2\x82\xAC", TXR_E_NO_BYTE, "x", 1, 0x20AC},
                         {"xy\xFF", TXR_E_NOT_UTF8, "", 2, 0}};
    for (const CRow& row : rows) {
        std::uint8_t* bytes = nullptr;
        std::size_t size = 0, position = 99;
        std::uint32_t codePoint = 99;
        EXPECT_EQ(txr_encode_utf8(renderer, row.utf8.data(), row.utf8.size(), &bytes, &size,
                                  &position, &codePoint),
                  row.status);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), bytes ? size : 0), row.bytes);
        EXPECT_EQ(position, row.position);
        EXPECT_EQ(codePoint, row.codePoint);
        txr_free(bytes);
    }
    EXPECT_STREQ(txr_last_error(renderer), "the text is not UTF-8 at byte 2");
    EXPECT_EQ(txr_set_code_page(renderer, "cp999"), TXR_E_RANGE);
    txr_destroy(renderer);
}

}  // namespace
}  // namespace txr::encoding
