#pragma once
// The order in which the eye reads boxes laid out on a page: row by row from the top, each
// row from left to right. A box starts a new row when its top edge lies at or below the
// middle of a box already in the current row; boxes whose tops lie above that line belong
// to the row, so a slightly taller or lower control beside a caption stays in its line.

#include <cstddef>
#include <vector>

namespace vx42 {

struct ReadingBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The indexes of `boxes` in reading order. Boxes at the same place keep their given order.
std::vector<std::size_t> ReadingOrder(const std::vector<ReadingBox>& boxes);

}  // namespace vx42
