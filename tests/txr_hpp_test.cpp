// txr.hpp over the C API: the same bytes and pictures a host's CTXR gives, errors as exceptions,
// refusals as codes, ownership of the handle. Fonts: the test font set (support/test_fonts.h).
#include "txr/txr.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "support/bmp_file.h"
#include "support/test_fonts.h"
#include "txr/TXR.h"

namespace txr {
namespace {

struct Selection {
    int family, font, scaleH, scaleV, rotation, resolution, invert, charSet;
};

std::string pictureOf(const Bitmap& bitmap) {
    std::string ascii;
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) ascii += bitmap.ink(x, y) ? '#' : '.';
        ascii += '\n';
    }
    return ascii;
}

class TxrHpp : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::filesystem::create_directory("fonts");
        ASSERT_TRUE(test::writeTestFontSet("fonts"));
    }

    static Renderer selected(const Selection& s) {
        Renderer renderer;
        renderer.setFontDirectory("fonts");
        EXPECT_EQ(renderer.setFont(s.family, s.font, s.scaleH, s.scaleV, s.rotation, s.resolution),
                  0);
        renderer.setInvert(s.invert == 1);
        renderer.setCharSet(s.charSet);
        return renderer;
    }

    // What a fresh CTXR writes after SetPath, SetFont, SetInvert and the character set.
    static std::vector<std::uint8_t> hostFile(const Selection& s, const std::string& text) {
        CTXR ctxr;
        ctxr.SetPath("fonts/");
        ctxr.SetFont(s.family, s.font, s.scaleH, s.scaleV, s.rotation, s.resolution);
        ctxr.SetInvert(s.invert);
        ctxr.engineB->charSet = s.charSet;
        std::remove("host.bmp");
        ctxr.GetBmpFile("host.bmp", CString(text.data(), static_cast<int>(text.size())));
        return test::readFileBytes("host.bmp");
    }
};

TEST_F(TxrHpp, GivesTheBytesAndPictureOfGetBmpFile) {
    const std::string text("AiB\xB0\0#A", 7);
    const Selection cases[] = {
        {0, 12, 1, 2, 2, 300, 1, 0}, {1, 3, 2, 2, 1, 300, 1, 5}, {2, 8, 3, 1, 3, 300, 1, 0}};
    for (const Selection& s : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "family " << s.family << " font " << s.font << " rotation " << s.rotation
                     << " charset " << s.charSet);
        Renderer renderer = selected(s);
        const std::vector<std::uint8_t> expected = hostFile(s, text);
        ASSERT_GT(expected.size(), 62u);
        EXPECT_EQ(renderer.bmpBytes(text), expected);
        std::remove("api.bmp");
        renderer.writeBmpFile("api.bmp", text);
        EXPECT_EQ(test::readFileBytes("api.bmp"), expected);

        // ink() is the complement of the BMP's colour-1 (white) dots.
        const test::BmpPicture bmp = test::parseOneBitBmp(expected);
        const Bitmap bitmap = renderer.render(text);
        EXPECT_EQ(pictureOf(bitmap), bmp.ascii);
        const DrawingSize size = renderer.stringSize(text);
        EXPECT_EQ(bitmap.width(), size.width);
        EXPECT_EQ(bitmap.height(), size.height);
        for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {size.width, 0}, {0, size.height}}) {
            EXPECT_FALSE(bitmap.ink(x, y)) << "outside at " << x << "," << y;
        }
    }
}

TEST_F(TxrHpp, ThrowsWithTheStatusAndLeavesNoFile) {
    Renderer renderer;
    renderer.setFontDirectory("fonts/");
    auto statusOf = [](auto&& call) {
        try {
            call();
        } catch (const Error& error) {
            EXPECT_STRNE(error.what(), "");
            return error.status();
        }
        return 0;
    };
    EXPECT_EQ(statusOf([&] { renderer.render("A"); }), TXR_E_NOT_READY);
    EXPECT_EQ(renderer.setFont(0, 16), TXR_REFUSED_FONT);
    EXPECT_EQ(renderer.setFont(0, 0, 1, 1, 9), TXR_REFUSED_ROTATION);
    EXPECT_EQ(statusOf([&] { renderer.bmpBytes("A"); }), TXR_E_NOT_READY);
    ASSERT_EQ(renderer.setFont(2, 1), 0);
    EXPECT_EQ(statusOf([&] { renderer.render(""); }), TXR_E_NO_DRAWING);
    EXPECT_EQ(statusOf([&] { renderer.setCharSet(15); }), TXR_E_RANGE);
    EXPECT_EQ(statusOf([&] { renderer.writeBmpFile("missing/folder/x.bmp", "AB"); }), TXR_E_FILE);
    EXPECT_FALSE(test::fileExists("missing/folder/x.bmp"));
    std::uint8_t pixel[4] = {};
    EXPECT_EQ(statusOf([&] { renderer.fontOut(pixel, 1, 1, 3, 0, 0, "A"); }), TXR_E_RANGE);

    Renderer moved = std::move(renderer);
    EXPECT_EQ(moved.render("A").width(), moved.stringSize("A").width);
    EXPECT_EQ(renderer.handle(), nullptr);
    EXPECT_EQ(statusOf([&] { renderer.stringSize("A"); }), TXR_E_NULL);
    renderer = std::move(moved);
    EXPECT_GT(renderer.stringSize("A").width, 0);
}

}  // namespace
}  // namespace txr
