// txr label: a label from JSON equals, dot for dot, its fields' GetBmpFile files composed by the
// test; --check lists problems by JSON path; bad or hostile JSON exits 64 and writes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/bmp_file.h"
#include "support/child_process.h"
#include "support/label_composition.h"
#include "support/test_fonts.h"
#include "support/tool_run.h"

namespace txr {
namespace {

namespace fs = std::filesystem;

class ToolLabel : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { test::prepareToolFolders(); }
    void SetUp() override { std::remove("label.bmp"); }
};

test::ProgramRun txrLabel(const std::string& json, std::vector<std::string> args) {
    std::ofstream("label.json", std::ios::binary) << json;
    args.insert(args.begin(), {"label", "label.json", "--fonts", "fonts"});
    return test::runProgram(TXR_TOOL_PATH, args);
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char b : bytes) out += {digits[b >> 4], digits[b & 15]};
    return out;
}

TEST_F(ToolLabel, RendersWhatTheFieldsGetBmpFileFilesCompose) {
    const std::vector<LabelBox> boxes = {{0, 0, 90, 70, 1}, {10, 44, 60, 12, 0}};
    std::vector<LabelField> fields(5);
    fields[0] = {3, 2, 0, 0, 1, 1, 0, false, 0, "AiB", Placement::ink};
    fields[1] = {60, -3, 2, 1, 2, 1, 1, false, 0, "BiA\xB0", Placement::ink};
    fields[2] = {13, 45, 0, 2, 1, 1, 0, true, 0, "iAB", Placement::whole};
    fields[3] = {-5, 20, 1, 1, 1, 2, 3, true, 4, "AB", Placement::ink};
    fields[4] = {80, 60, 2, 0, 3, 3, 2, false, 0, "AB", Placement::ink};
    std::string json = R"({"width": 90, "height": 70, "dpi": 300, "boxes": [)";
    for (const LabelBox& b : boxes) {
        json += "{\"x\":" + std::to_string(b.x) + ",\"y\":" + std::to_string(b.y) +
                ",\"width\":" + std::to_string(b.width) +
                ",\"height\":" + std::to_string(b.height) +
                ",\"thickness\":" + std::to_string(b.thickness) + "},";
    }
    json.back() = ']';
    json += ", \"fields\": [";
    for (const LabelField& f : fields) {
        json += "{\"x\":" + std::to_string(f.x) + ",\"y\":" + std::to_string(f.y) +
                ",\"family\":" + std::to_string(f.family) + ",\"font\":" + std::to_string(f.font) +
                ",\"scale\":[" + std::to_string(f.scaleH) + "," + std::to_string(f.scaleV) +
                "],\"rotate\":" + std::to_string(f.rotation) +
                ",\"invert\":" + (f.invert ? "true" : "false") +
                ",\"charset\":" + std::to_string(f.charSet) + ",\"placement\":\"" +
                (f.placement == Placement::whole ? "whole" : "ink") + "\",\"hex\":\"" +
                hex(f.text) + "\"},";
    }
    json.back() = ']';
    json += "}";
    const test::ProgramRun run = txrLabel(json, {"-o", "label.bmp"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(test::readOneBitBmp("label.bmp").ascii,
              test::composedLabel(90, 70, 300, boxes, fields, "fonts/", ""));
}

TEST_F(ToolLabel, CheckListsProblemsByJsonPath) {
    const test::ProgramRun run = txrLabel(
        R"({"width": 40, "height": 20, "colour": 1, "fields": [
            {"text": "A", "family": 3}, {"text": "AxB", "family": 2},
            {"text": "\u0100", "scale": [1], "invert": 1, "placement": "over"},
            {"hex": "4", "charset": 15, "rotate": 2147483648}],
            "boxes": [{"x": 0, "y": 0, "width": -1}]})",
        {"--check"});
    EXPECT_EQ(run.code, 64);
    EXPECT_EQ(run.out,
              "label.json: $.colour: unknown key\n"
              "label.json: $.boxes[0]: needs \"height\"\n"
              "label.json: $.boxes[0].width: must be an integer from 0 to 2147483647\n"
              "label.json: $.fields[2].scale: must be an integer or [horizontal, vertical]\n"
              "label.json: $.fields[2].invert: must be true or false\n"
              "label.json: $.fields[2].placement: must be \"ink\" or \"whole\"\n"
              "label.json: $.fields[2].text: must be a string of characters U+0000 to U+00FF\n"
              "label.json: $.fields[3].rotate: must be an integer from -2147483648 to "
              "2147483647\n"
              "label.json: $.fields[3].charset: must be an integer from 0 to 14\n"
              "label.json: $.fields[3].hex: must be a string of hexadecimal byte pairs\n"
              "label.json: $.fields[0]: font selection refused (SetFont code 1)\n"
              "label.json: $.fields[1]: 1 byte(s) without a glyph, at 1\n");
    EXPECT_EQ(txrLabel(R"({"width": 40, "height": 20, "fields": [{"text": "AxB", "family": 2}]})",
                       {"--check"})
                  .code,
              3);
}

TEST_F(ToolLabel, RefusesBadAndHostileFilesWritingNothing) {
    struct Case {
        std::string json;
        std::string message;
    };
    const Case cases[] = {
        {"{\"width\": 4,\n \"height\": 4,,}", "bad JSON at line 2, column 14: "},
        {R"({"width": 4E999, "height": 4})", "bad JSON: number overflow parsing '4E999'"},
        {std::string(8, '[') + std::string(8, ']'), "not a valid label"},  // depth 8: read
        {std::string(9, '['), "JSON nested deeper than 8 levels at line 1, column 9"},
        {R"({"width": 16385, "height": 16384})", "larger than the limit of 2^28 dots"},
        {R"({"width": 4, "height": 4, "dpi": 600})", "$.dpi: must be 203 or 300"},
        {"{\"width\": 4, \"height\": 4, \"fields\": [{\"text\": \"" + std::string(4097, 'A') +
             "\"}]}",
         "text longer than 4096 bytes"},
        {std::string((4 << 20) + 1, ' '), "more than the limit of 4194304"},
    };
    for (const Case& c : cases) {
        const test::ProgramRun run = txrLabel(c.json, {"-o", "label.bmp"});
        EXPECT_EQ(run.code, 64) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists("label.bmp")) << c.message;
    }
    EXPECT_TRUE(fs::is_empty("tmp"));
}

}  // namespace
}  // namespace txr
