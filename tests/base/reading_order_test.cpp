// The reading order of boxes on a page: rows from the top, each from the left.

#include "base/reading_order.h"

#include <gtest/gtest.h>

namespace vx42 {
namespace {

using Order = std::vector<std::size_t>;

TEST(ReadingOrder, RowsFromTheTopEachFromTheLeftWhateverTheGivenOrder) {
    // Two columns of boxes, given column by column; a box a few pixels lower or taller
    // than its neighbour is still in its row.
    const std::vector<ReadingBox> boxes = {{10, 0, 80, 20},     // 0: row 1, left
                                           {10, 30, 80, 22},    // 1: row 2, left
                                           {200, 3, 80, 24},    // 2: row 1, right, lower and taller
                                           {200, 28, 80, 20},   // 3: row 2, right, higher
                                           {10, 60, 270, 20}};  // 4: row 3, across
    EXPECT_EQ(ReadingOrder(boxes), (Order{0, 2, 1, 3, 4}));
}

TEST(ReadingOrder, ATallBoxBesideStackedBoxesComesFirstThenTheStackFromTheTop) {
    // A frame of the left column's height beside two frames stacked on the right: the eye
    // reads the tall one, then the right column downwards.
    const std::vector<ReadingBox> boxes = {
        {300, 110, 100, 90}, {0, 0, 250, 200}, {300, 0, 100, 90}};
    EXPECT_EQ(ReadingOrder(boxes), (Order{1, 2, 0}));
}

TEST(ReadingOrder, BoxesAtOnePlaceKeepTheirOrderAndNothingIsLost) {
    // Controls never laid out (a hidden frame) all sit at the origin.
    const std::vector<ReadingBox> boxes(4, ReadingBox{0, 0, 100, 30});
    EXPECT_EQ(ReadingOrder(boxes), (Order{0, 1, 2, 3}));
    EXPECT_TRUE(ReadingOrder({}).empty());
    // Boxes of no height still form rows of their own.
    EXPECT_EQ(ReadingOrder({{50, 10, 10, 0}, {0, 10, 10, 0}, {0, 0, 10, 0}}), (Order{2, 1, 0}));
}

}  // namespace
}  // namespace vx42
