#pragma once
// A small drawing of a few shapes, laid out once below the window and drawn by whatever shows
// it: written as SVG into a file, painted into a picture on paper. Lengths are in the units
// pages are laid out in (96 a inch), y downwards from the drawing's top left corner.
//
// An HTML document may carry drawings: each stands at an offset in its text, where a file
// puts the drawing's inline SVG and a printer a picture of it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vx42 {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

struct DrawnRect {
    double x = 0, y = 0, width = 0, height = 0;
    std::optional<Rgb> fill{};    // none: the inside is left as it is
    std::optional<Rgb> stroke{};  // none: no outline
    double strokeWidth = 1;
};

struct DrawnLine {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Rgb colour{};
    double width = 1;
};

struct DrawnPolyline {
    std::vector<std::pair<double, double>> points;
    Rgb colour{};
    double width = 1;
};

// Where a text stands against its point: its start, its middle or its end there.
enum class TextAnchor { Start, Middle, End };

// A line of text whose baseline passes through (x, y), turned by `rotation` degrees clockwise
// about that point.
struct DrawnText {
    double x = 0, y = 0;
    std::string text;  // UTF-8, as shown
    TextAnchor anchor = TextAnchor::Start;
    double size = 11;  // the type's height
    double rotation = 0;
    Rgb colour{};
};

using DrawnShape = std::variant<DrawnRect, DrawnLine, DrawnPolyline, DrawnText>;

struct Drawing {
    double width = 0, height = 0;
    std::vector<std::string> fonts;  // the typefaces of its texts, the first that is at hand
    std::vector<DrawnShape> shapes;  // in the order they are drawn, each over those before
};

struct PlacedDrawing {
    std::size_t at = 0;  // the offset in the document's text it stands at
    Drawing drawing;
};

// An HTML document (UTF-8) and the drawings it shows, in the order of their offsets.
struct HtmlDocument {
    std::string html;
    std::vector<PlacedDrawing> drawings;

    // Places a drawing at the end of the text so far.
    void AddDrawing(Drawing drawing) { drawings.push_back({html.size(), std::move(drawing)}); }
};

// The document's text with each drawing's markup (`markup(drawing, index)`) at its offset.
std::string HtmlWithDrawings(
    const HtmlDocument& document,
    const std::function<std::string(const Drawing&, std::size_t index)>& markup);

}  // namespace vx42
