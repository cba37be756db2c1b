// The reading order of boxes on a page: rows from the top, each from the left.

#include "base/reading_order.h"

#include <gtest/gtest.h>

namespace vx42 {
namespace {

using Order = std::vector<std::size_t>;

TEST(ReadingOrder, RowsFromTheTopEachFromTheLeftWhateverTheGivenOrder) {
    const struct {
        const char* name;
        std::vector<ReadingBox> boxes;
        Order order;
    } rows[] = {
        // Given column by column; a box a few pixels lower or taller than its neighbour is
        // still in its row: row 1 left, row 2 left, row 1 right (lower and taller), row 2
        // right (higher), row 3 across.
        {"two columns",
         {{10, 0, 80, 20},
          {10, 30, 80, 22},
          {200, 3, 80, 24},
          {200, 28, 80, 20},
          {10, 60, 270, 20}},
         {0, 2, 1, 3, 4}},
        // A frame of the left column's height beside two stacked on the right: the tall one,
        // then the right column downwards.
        {"tall beside a stack",
         {{300, 110, 100, 90}, {0, 0, 250, 200}, {300, 0, 100, 90}},
         {1, 2, 0}},
        // Controls never laid out (a hidden frame) all sit at the origin: their order stays.
        {"all at one place", std::vector<ReadingBox>(4, ReadingBox{0, 0, 100, 30}), {0, 1, 2, 3}},
        {"none", {}, {}},
        // Boxes of no height still form rows of their own.
        {"no height", {{50, 10, 10, 0}, {0, 10, 10, 0}, {0, 0, 10, 0}}, {2, 1, 0}},
    };
    for (const auto& row : rows) EXPECT_EQ(ReadingOrder(row.boxes), row.order) << row.name;
}

}  // namespace
}  // namespace vx42
