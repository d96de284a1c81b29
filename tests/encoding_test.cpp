// --encoding utf-8 through the tool: each character drawn as the byte its font's character set
// or code page gives it, characters without a byte and malformed UTF-8 refused in words, the
// same characters listed by missing, and the table of character sets.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/bmp_file.h"
#include "support/child_process.h"

namespace txr {
namespace {

namespace fs = std::filesystem;

test::ProgramRun txr(std::vector<std::string> args) {
    fs::create_directories("tmp");
    test::setEnvironmentVariable("TMPDIR", fs::absolute("tmp").string());
    return test::runProgram(TXR_TOOL_PATH, args);
}

// The bundled set: family 0 and 2 fonts built in code page 850, family 1 by character set.
TEST(Encoding, Utf8DrawsTheBytesOfTheSelectedCharacterSet) {
    struct Case {
        std::vector<std::string> selection;
        std::string utf8;
        std::string hex;  // the same text in the set's bytes
    };
    const Case cases[] = {
        {{"--family", "0"}, "Grüße", "4772 81 E1 65"},
        {{"--family", "2", "--font", "2"}, "Øî", "9D 8C"},
        {{"--family", "1", "--charset", "0"}, "½ ¶", "AB 20 14"},
        {{"--family", "1", "--charset", "8"}, "ÄÖÜ§", "5B 5C 5D 40"},
        {{"--family", "1", "--charset", "12", "--font", "4", "--dpi", "300"}, "Ñ", "5B"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> typed = {"render", "-o", "u.bmp", "--encoding", "utf-8", c.utf8};
        std::vector<std::string> bytes = {"render", "-o", "h.bmp", "--hex", c.hex};
        typed.insert(typed.end(), c.selection.begin(), c.selection.end());
        bytes.insert(bytes.end(), c.selection.begin(), c.selection.end());
        const auto run = txr(typed);
        ASSERT_EQ(run.code, 0) << c.utf8 << ": " << run.err;
        ASSERT_EQ(txr(bytes).code, 0);
        EXPECT_EQ(test::readFileBytes("u.bmp"), test::readFileBytes("h.bmp")) << c.utf8;
        std::vector<std::string> missing = {"missing", "--encoding", "utf-8", c.utf8};
        missing.insert(missing.end(), c.selection.begin(), c.selection.end());
        EXPECT_EQ(txr(missing).out, "") << c.utf8;
    }
}

TEST(Encoding, CharactersWithoutAByteAndMalformedTextAreRefused) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string err;
        std::string missingOut;  // what missing prints for the same text
    };
    const Case cases[] = {
        {{"--family", "0", "a€b"}, 1, "character 1: U+20AC (€)", "1 U+20AC\n"},
        // Codes above 122 of the 7-bit sets have no glyph in fonts 0 to 3.
        {{"--family", "1", "--charset", "8", "Aü"}, 1, "character 1: U+00FC (ü)", "1 U+00FC\n"},
        {{"--family", "1", "--charset", "8", "{"}, 1, "U+007B ({)", "0 U+007B\n"},
        {{"--hex", "C328"}, 64, "not UTF-8 at byte 0", ""},
        {{"--hex", "41E08080"}, 64, "not UTF-8 at byte 1", ""},
        {{"--hex", "EDA080"}, 64, "not UTF-8 at byte 0", ""},
        {{"--hex", "F4908080"}, 64, "not UTF-8 at byte 0", ""},
        {{"--hex", "41C3"}, 64, "not UTF-8 at byte 1", ""},
        {{"--hex", "F0908080"}, 1, "U+10000", "0 U+10000\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> render = {"render", "-o", "x.bmp", "--encoding", "utf-8"};
        render.insert(render.end(), c.args.begin(), c.args.end());
        const auto run = txr(render);
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists("x.bmp"));
        std::vector<std::string> missing = {"missing", "--encoding", "utf-8"};
        missing.insert(missing.end(), c.args.begin(), c.args.end());
        const auto listed = txr(missing);
        EXPECT_EQ(listed.out, c.missingOut);
        EXPECT_EQ(listed.code, c.code == 1 ? 3 : c.code);
    }
}

TEST(Encoding, CharsetsPrintsEverySet) {
    const auto run = txr({"charsets"});
    ASSERT_EQ(run.code, 0);
    for (const std::string row :
         {"\n  0  8-bit, code page cp437", "\n  5  8-bit, code page cp865", "\n  6  7-bit national",
          "5B=Ä 5C=Ö 5D=Ü 7B=ä* 7C=ö* 7D=ü* 7E=ß*\n", "\n 14  7-bit national"}) {
        EXPECT_NE(run.out.find(row), std::string::npos) << row;
    }
}

}  // namespace
}  // namespace txr
