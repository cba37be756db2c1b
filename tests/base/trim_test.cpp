// Blanks cut from the ends of a text: what counts as a blank for each caller, and texts that
// are nothing but blanks.

#include "base/trim.h"

#include <gtest/gtest.h>

namespace vx42 {
namespace {

TEST(Trim, CutsOnlyTheGivenBlanksAndOnlyAtTheEnds) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(Trim("\tx ", " "), "\tx");
    EXPECT_EQ(TrimEnd("  BO_ 1 x:\t \r"), "  BO_ 1 x:");
    EXPECT_EQ(TrimEnd("a\r\n", " \r"), "a\r\n");
    // A fixed field keeps its tabs and line ends: only the padding goes.
    EXPECT_EQ(Trimmed("  Boost\t  "), "Boost\t");
    // A text of blanks only becomes empty.
    EXPECT_EQ(Trim(" \r\n\t"), "");
    EXPECT_EQ(TrimEnd("   "), "");
    EXPECT_EQ(Trimmed("        "), "");
    EXPECT_EQ(Trimmed(""), "");
}

}  // namespace
}  // namespace vx42
