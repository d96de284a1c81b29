// txr.hpp over the C API: the bytes and picture a host's CTXR gives, errors as exceptions, the
// handle's ownership, and the font directory found with or without its separator.
#include "txr/txr.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "support/bmp_file.h"
#include "support/test_fonts.h"
#include "txr/TXR.h"

namespace txr {
namespace {

class TxrHpp : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::filesystem::create_directory("fonts");
        ASSERT_TRUE(test::writeTestFontSet("fonts"));
    }
};

TEST_F(TxrHpp, GivesTheBytesAndPictureOfGetBmpFile) {
    const std::string text("AiB\xB0\0#A", 7);
    CTXR ctxr;
    ctxr.SetPath("fonts/");
    ASSERT_EQ(ctxr.SetFont(1, 3, 2, 2, 1, 300), 0);
    ctxr.SetInvert(1);
    ctxr.engineB->charSet = 5;
    std::remove("host.bmp");
    ctxr.GetBmpFile("host.bmp", CString(text.data(), static_cast<int>(text.size())));
    const test::BmpPicture expected = test::readOneBitBmp("host.bmp");

    Renderer renderer;
    renderer.setFontDirectory("fonts");
    ASSERT_EQ(renderer.setFont(1, 3, 2, 2, 1, 300), 0);
    renderer.setInvert(true);
    renderer.setCharSet(5);
    EXPECT_EQ(renderer.bmpBytes(text), expected.bytes);
    std::remove("api.bmp");
    renderer.writeBmpFile("api.bmp", text);
    EXPECT_EQ(test::readFileBytes("api.bmp"), expected.bytes);
    // ink() is the complement of the BMP's colour-1 (white) dots, and false just outside.
    const Bitmap bitmap = renderer.render(text);
    std::string ascii;
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) ascii += bitmap.ink(x, y) ? '#' : '.';
        ascii += '\n';
    }
    EXPECT_EQ(ascii, expected.ascii);
    const int w = bitmap.width(), h = bitmap.height();
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {w, h - 1}, {w - 1, h}}) {
        EXPECT_FALSE(bitmap.ink(x, y)) << x << "," << y;
    }
    EXPECT_EQ(renderer.stringSize(text).width, bitmap.width());
    EXPECT_EQ(renderer.stringSize(text).height, bitmap.height());
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

// A directory is found with or without its separator; a path that names no directory stays a
// plain prefix of the file names.
TEST_F(TxrHpp, FindsTheFontDirectoryWithOrWithoutSeparator) {
    std::filesystem::remove("prefixZ.bin");
    std::filesystem::copy_file("fonts/Z.bin", "prefixZ.bin");
    for (const char* path : {"fonts/", "fonts", "prefix"}) {
        Renderer renderer;
        renderer.setFontDirectory(path);
        ASSERT_EQ(renderer.setFont(2, 0), 0);
        EXPECT_GT(renderer.stringSize("AB").width, 0) << path << ": no font file was found";
    }
}

}  // namespace
}  // namespace txr
