// An HTML document's drawings woven into its text.
#include "base/drawing.h"

#include <algorithm>

namespace vx42 {

std::string HtmlWithDrawings(
    const HtmlDocument& document,
    const std::function<std::string(const Drawing&, std::size_t index)>& markup) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t i = 0; i < document.drawings.size(); ++i) {
        const PlacedDrawing& placed = document.drawings[i];
        const std::size_t at = std::min(std::max(placed.at, from), document.html.size());
        out.append(document.html, from, at - from);
        out += markup(placed.drawing, i);
        from = at;
    }
    out.append(document.html, from);
    return out;
}

}  // namespace vx42
