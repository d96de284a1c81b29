// txr::Label: a label equals, dot for dot, the composition of its fields' GetBmpFile files;
// problems carry the field's index; sizes and values out of range are refused at their exact edges.
#include "txr/label.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <stdexcept>

#include "support/bmp_file.h"
#include "support/label_composition.h"
#include "support/test_fonts.h"

namespace txr {
namespace {

using Kind = LabelProblem::Kind;

class LabelTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::filesystem::create_directory("fonts");
        ASSERT_TRUE(test::writeTestFontSet("fonts"));
    }
};

// A field of scale 1 and character set 0.
LabelField field(int x, int y, int family, int font, std::string text, int rotation = 0,
                 bool invert = false, Placement placement = Placement::ink) {
    return {x, y, family, font, 1, 1, rotation, invert, 0, std::move(text), placement};
}

TEST_F(LabelTest, EqualsTheCompositionOfGetBmpFileFiles) {
    Label label(75, 61);
    const std::vector<LabelBox> boxes = {
        {0, 0, 75, 61, 2}, {5, 40, 30, 9, 0}, {-3, 52, 10, 20, 0}, {70, -5, 20, 8, 1}};
    const std::vector<LabelField> fields = {
        field(3, 3, 0, 0, "AiB"),
        {21, 5, 2, 1, 1, 2, 1, false, 0, "BiA\xB0", Placement::ink},
        field(7, 39, 0, 2, "iA", 0, true, Placement::whole),  // over the solid bar
        field(40, 38, 2, 0, "AB", 2, true),                   // reverse video, ink only
        field(-4, 20, 1, 0, "AB", 3),                         // clipped on the left
        field(66, 50, 0, 1, "ABAB"),                          // clipped right and below
        field(INT_MIN, INT_MAX, 0, 0, "A"),                   // far off: nothing, no wrap
        {50, 5, 1, 1, 2, 1, 0, false, 3, "AB", Placement::ink},
    };
    for (const LabelBox& box : boxes) label.add(box);
    for (const LabelField& f : fields) label.add(f);

    const RenderedLabel rendered = label.render("fonts/");
    EXPECT_TRUE(rendered.problems.empty()) << rendered.problems[0].message();
    writeBmpFile("label.bmp", rendered.image);
    EXPECT_EQ(test::readOneBitBmp("label.bmp").ascii,
              test::composedLabel(75, 61, 203, boxes, fields, "fonts/", ""));
}

TEST_F(LabelTest, ReportsRefusedAndMissingFieldsByIndexAndDrawsTheRest) {
    Label label(40, 20, 300);
    label.add(field(0, 0, 0, 0, "A"));
    label.add(field(0, 0, 3, 0, "A"));     // family refused
    label.add(field(9, 0, 2, 0, "AxBy"));  // x and y have no glyph
    LabelField tooLarge = field(0, 0, 2, 0, "A");
    tooLarge.scaleH = tooLarge.scaleV = 20000;
    label.add(tooLarge);
    label.add(field(0, 0, 0, 0, ""));  // empty: nothing to report

    CTXR ctxr;
    ctxr.SetPath("fonts/");
    const RenderedLabel rendered = label.render(ctxr);
    ASSERT_EQ(rendered.problems.size(), 3u);
    EXPECT_EQ(rendered.problems[0].message(), "field 1: font selection refused (SetFont code 1)");
    EXPECT_EQ(rendered.problems[1].message(), "field 2: 2 byte(s) without a glyph, at 1 3");
    EXPECT_EQ(rendered.problems[2].kind, Kind::nothingDrawn);
    EXPECT_EQ(rendered.problems[2].field, 3u);

    const std::vector<LabelProblem> checked = label.check(ctxr);
    ASSERT_EQ(checked.size(), 3u);
    for (std::size_t i = 0; i < checked.size(); ++i) {
        EXPECT_EQ(checked[i].message(), rendered.problems[i].message());
    }
    std::vector<LabelField> drawn = {label.fields()[0], label.fields()[2]};
    EXPECT_EQ(
        test::readOneBitBmp((writeBmpFile("problems.bmp", rendered.image), "problems.bmp")).ascii,
        test::composedLabel(40, 20, 300, {}, drawn, "fonts/", ""));
}

TEST_F(LabelTest, RefusesSizesAndValuesAtTheirEdges) {
    EXPECT_NO_THROW(Label(1, 1, 300));
    EXPECT_NO_THROW(Label(1 << 14, 1 << 14));  // exactly 2^28 dots
    EXPECT_THROW(Label(1 << 14, (1 << 14) + 1), std::length_error);
    EXPECT_THROW(Label(INT_MAX, INT_MAX), std::length_error);
    EXPECT_THROW(Label(0, 1), std::invalid_argument);
    EXPECT_THROW(Label(1, -1), std::invalid_argument);
    EXPECT_THROW(Label(8, 8, 204), std::invalid_argument);

    Label label(8, 8);
    LabelField f;
    f.charSet = 14;
    EXPECT_EQ(label.add(f), 0u);
    f.charSet = 15;
    EXPECT_THROW(label.add(f), std::invalid_argument);
    f.charSet = -1;
    EXPECT_THROW(label.add(f), std::invalid_argument);
    EXPECT_NO_THROW(label.add(LabelBox{0, 0, 0, 0, 0}));
    EXPECT_THROW(label.add(LabelBox{0, 0, -1, 1, 0}), std::invalid_argument);
    EXPECT_THROW(label.add(LabelBox{0, 0, 1, 1, -1}), std::invalid_argument);
    EXPECT_EQ(label.fields().size(), 1u);
    EXPECT_EQ(label.boxes().size(), 1u);
}

}  // namespace
}  // namespace txr
