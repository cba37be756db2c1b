#include "base/reading_order.h"

#include <algorithm>
#include <numeric>

namespace vx42 {

std::vector<std::size_t> ReadingOrder(const std::vector<ReadingBox>& boxes) {
    std::vector<std::size_t> order(boxes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return boxes[a].top < boxes[b].top; });
    std::vector<std::size_t> result;
    result.reserve(order.size());
    auto row = order.begin();
    while (row != order.end()) {
        // The row ends at the first box that starts at or below the middle of one in it.
        int line = boxes[*row].top + std::max(1, boxes[*row].height / 2);
        auto end = std::next(row);
        for (; end != order.end() && boxes[*end].top < line; ++end)
            line = std::min(line, boxes[*end].top + std::max(1, boxes[*end].height / 2));
        std::stable_sort(row, end, [&](std::size_t a, std::size_t b) {
            if (boxes[a].left != boxes[b].left) return boxes[a].left < boxes[b].left;
            return boxes[a].top < boxes[b].top;
        });
        result.insert(result.end(), row, end);
        row = end;
    }
    return result;
}

}  // namespace vx42
