// CTXR as an object: the setters, their result codes and what they leave in the engines, copying,
// and the library's registration with the framework (what the settings draw: render_test).
#include <gtest/gtest.h>

#include "txr/TXR.h"

namespace {

TEST(Facade, SetFontResultCodes) {
    const struct {
        int family, fontType, scaleH, scaleV, rotation, resolution;
        int result;
    } cases[] = {
        {0, 0, 1, 1, 0, 203, 0},  {0, 24, 2, 3, 3, 203, 0}, {0, 15, 1, 1, 0, 300, 0},
        {1, 4, 1, 1, 1, 300, 0},  {2, 8, 1, 1, 2, 203, 0},  {3, 0, 1, 1, 0, 203, 1},
        {-1, 0, 1, 1, 0, 203, 1}, {0, 16, 1, 1, 0, 203, 2}, {0, 25, 1, 1, 0, 203, 2},
        {0, 16, 1, 1, 0, 300, 2}, {1, 5, 1, 1, 0, 203, 2},  {2, 9, 1, 1, 0, 203, 2},
        {0, 1, 0, 1, 0, 203, 3},  {0, 1, -2, 1, 0, 203, 3}, {0, 1, 2, 0, 0, 203, 4},
        {2, 1, 2, -1, 0, 203, 4}, {1, 0, 1, 1, 4, 300, 5},  {1, 0, 1, 1, -1, 300, 5},
        {0, 0, 1, 1, 0, 600, 0},  // engine A keeps the resolution it had
        {2, 0, 1, 1, 0, 600, 0},  // family 2 has one file for every resolution
    };
    for (const auto& c : cases) {
        CTXR txr;
        EXPECT_EQ(txr.SetFont(c.family, c.fontType, c.scaleH, c.scaleV, c.rotation, c.resolution),
                  c.result)
            << "family " << c.family << " font " << c.fontType << " scales " << c.scaleH << "x"
            << c.scaleV << " rotation " << c.rotation << " at " << c.resolution;
        EXPECT_EQ(txr.fontReady, c.result == 0 ? 1 : 0);
        EXPECT_EQ(txr.family, c.family) << "stored before any check";
        EXPECT_EQ(txr.scaleH, c.scaleH);
        EXPECT_EQ(txr.resolution, c.resolution);
        if (c.result == 0) {
            EXPECT_EQ(txr.rotation, (4 - c.rotation) % 4) << "stored counter-clockwise";
        }
    }
}

// A refusal keeps the earlier readiness and leaves what the checks before it set.
TEST(Facade, RefusalLeavesWhatEarlierChecksSet) {
    CTXR txr;
    ASSERT_EQ(txr.SetFont(0, 2, 1, 1, 0, 203), 0);
    EXPECT_EQ(txr.SetFont(3, 0, 1, 1, 0, 300), 1);
    EXPECT_EQ(txr.fontReady, 1);
    EXPECT_EQ(txr.engineA->resolution, 300) << "still passed on";
    EXPECT_EQ(txr.engineB->resolution, 300);
    EXPECT_EQ(txr.GetStringSize("AB"), CSize(0, 0));
    EXPECT_EQ(txr.SetFont(0, 5, 2, 0, 0, 203), 4);
    EXPECT_EQ(txr.engineA->fontType, 5);
    EXPECT_EQ(txr.engineA->scaleH, 2);
    EXPECT_EQ(txr.engineA->scaleV, 1);
    EXPECT_EQ(txr.SetFont(2, 3, 1, 1, 0, 600), 0);
    EXPECT_EQ(txr.engineA->resolution, 203) << "600 dpi is not passed on";
}

TEST(Facade, SetInvertAcceptsOnlyZeroAndOne) {
    CTXR txr;
    EXPECT_EQ(txr.SetInvert(2), 0);
    EXPECT_EQ(txr.SetInvert(-1), 0);
    EXPECT_EQ(txr.invert + txr.engineA->invert + txr.engineB->invert + txr.engineZ->invert, 0);
    EXPECT_EQ(txr.SetInvert(1), 1);
    EXPECT_EQ(txr.invert + txr.engineA->invert + txr.engineB->invert + txr.engineZ->invert, 4);
    EXPECT_EQ(txr.SetInvert(0), 1);
    EXPECT_EQ(txr.engineZ->invert, 0);
}

TEST(Facade, CopyIsIndependent) {
    CTXR original;
    original.SetPath("dir/");
    ASSERT_EQ(original.SetFont(1, 3, 2, 3, 1, 300), 0);
    original.SetInvert(1);
    original.engineB->charSet = 7;

    CTXR copy(original);  // engines of its own: a shared one would be deleted twice
    EXPECT_EQ(copy.fontReady, 1);
    EXPECT_EQ(copy.rotation, 3);
    EXPECT_EQ(copy.engineB->charSet, 7);
    EXPECT_EQ(copy.engineB->fontPath, CString("dir/"));
    EXPECT_EQ(copy.engineB->fontFile, nullptr);

    CTXR assigned;
    assigned = original;
    original.engineB->charSet = 2;
    original.SetFont(0, 1, 1, 1, 0, 203);
    EXPECT_EQ(assigned.engineB->charSet, 7);
    EXPECT_EQ(assigned.family, 1);
    EXPECT_EQ(assigned.engineB->resolution, 300);
    EXPECT_EQ(assigned.invert, 1);
}

TEST(Facade, LibraryIsRegisteredWhileLoaded) {
    EXPECT_GE(txr::registeredExtensionLibraries(), 1u);
}

}  // namespace
