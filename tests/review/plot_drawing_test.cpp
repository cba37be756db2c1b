#include "review/plot_drawing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vx42 {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::UnorderedElementsAreArray;

template <typename Shape>
std::vector<Shape> ShapesOf(const Drawing& drawing) {
    std::vector<Shape> found;
    for (const DrawnShape& shape : drawing.shapes)
        if (const auto* s = std::get_if<Shape>(&shape)) found.push_back(*s);
    return found;
}

std::vector<std::string> Texts(const Drawing& drawing) {
    std::vector<std::string> texts;
    for (const DrawnText& t : ShapesOf<DrawnText>(drawing)) texts.push_back(t.text);
    return texts;
}

// The plot's frame: the one outlined rectangle.
DrawnRect Frame(const Drawing& drawing) {
    for (const DrawnRect& r : ShapesOf<DrawnRect>(drawing))
        if (r.stroke) return r;
    ADD_FAILURE() << "no frame";
    return {};
}

TEST(PlotDrawing, NothingWithoutAFinitePoint) {
    const double nan = std::nan("");
    EXPECT_FALSE(LayOutPlot({}, "x", "y"));
    EXPECT_FALSE(LayOutPlot({{"a", {}}, {"b", {{nan, 1}, {1, INFINITY}}}}, "x", "y"));
}

TEST(PlotDrawing, AxesHaveRoundTicksAndTheTitlesOneLineNoLegend) {
    const auto plot = LayOutPlot({{"line", {{0.1, 0.2}, {0.7, 0.3}}}}, "x <1>", "Duty (%)");
    ASSERT_TRUE(plot);
    // x from the first point to the last in tenths; y from zero in steps of 0.05, printed
    // without binary noise; the one line's label is not shown.
    EXPECT_THAT(Texts(*plot), UnorderedElementsAreArray<std::string>(
                                  {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0", "0.05",
                                   "0.1", "0.15", "0.2", "0.25", "0.3", "x <1>", "Duty (%)"}));
    EXPECT_EQ(ShapesOf<DrawnLine>(*plot).size(), 14u);  // a grid line at each tick
    const auto texts = ShapesOf<DrawnText>(*plot);
    EXPECT_EQ(texts.back().text, "Duty (%)");  // the y title reads upwards
    EXPECT_EQ(texts.back().rotation, -90);
}

TEST(PlotDrawing, EachSeriesIsALineWithinThePlotAndALegendEntry) {
    const double nan = std::nan("");
    const auto plot = LayOutPlot({{"7.99 V", {{0, 10}, {nan, 50}, {100, 90}}},
                                  {"16.01 V", {{0, 20}, {100, 95}}},
                                  {"alone", {{5, 5}}}},
                                 "CAN data (%)", "Duty cycle (%)");
    ASSERT_TRUE(plot);
    const DrawnRect frame = Frame(*plot);
    const auto lines = ShapesOf<DrawnPolyline>(*plot);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points.size(), 2u);  // the point that is not a number is left out
    for (const DrawnPolyline& line : lines)
        for (const auto& [x, y] : line.points) {
            EXPECT_TRUE(x >= frame.x && x <= frame.x + frame.width) << x;
            EXPECT_TRUE(y >= frame.y && y <= frame.y + frame.height) << y;
        }
    // x 0 and 100 are the axis's ends: the lines span the plot.
    EXPECT_DOUBLE_EQ(lines[0].points.front().first, frame.x);
    EXPECT_DOUBLE_EQ(lines[0].points.back().first, frame.x + frame.width);
    EXPECT_NE(lines[0].colour, lines[1].colour);

    // The legend beside the plot: each label after a short line in its series' colour.
    const auto texts = Texts(*plot);
    for (const char* label : {"7.99 V", "16.01 V", "alone"})
        EXPECT_EQ(std::count(texts.begin(), texts.end(), label), 1) << label;
    std::vector<Rgb> keys;
    for (const DrawnLine& l : ShapesOf<DrawnLine>(*plot))
        if (l.x1 > frame.x + frame.width) keys.push_back(l.colour);
    EXPECT_THAT(keys, ElementsAre(lines[0].colour, lines[1].colour, lines[2].colour));

    // One value alone still gets an axis around it, with the value in its middle.
    const auto single = LayOutPlot({{"a", {{5, 5}}}}, "x", "y");
    ASSERT_TRUE(single);
    EXPECT_DOUBLE_EQ(ShapesOf<DrawnPolyline>(*single)[0].points[0].first,
                     Frame(*single).x + Frame(*single).width / 2);
    EXPECT_THAT(Texts(*single), ::testing::IsSupersetOf({"4.4", "5", "5.6"}));
}

TEST(PlotDrawing, SvgHasEveryShapeWithItsTextsEscaped) {
    const auto plot =
        LayOutPlot({{"a & b", {{0, 0}, {10, 10}}}, {"c", {{0, 1}}}}, "x <1>", "\"y\"");
    ASSERT_TRUE(plot);
    const std::string svg = SvgPlot(*plot);
    for (const char* part :
         {"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" height=\"270\"",
          "font-family=\"DejaVu Sans, Arial, sans-serif\"",
          "<rect x=\"0\" y=\"0\" width=\"640\" height=\"270\" fill=\"#ffffff\"/>",
          "fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"1.5\" points=\"62,224 ",
          ">a &amp; b</text>", ">x &lt;1&gt;</text>",
          "text-anchor=\"middle\" font-size=\"11\" transform=\"rotate(-90 14 "
          "118)\">&quot;y&quot;</text>"})
        EXPECT_THAT(svg, HasSubstr(part));
    EXPECT_THAT(svg, Not(HasSubstr("a & b")));
    const std::pair<const char*, std::size_t> elements[] = {
        {"<rect ", ShapesOf<DrawnRect>(*plot).size()},
        {"<line ", ShapesOf<DrawnLine>(*plot).size()},
        {"<polyline ", 2},
        {"<text ", ShapesOf<DrawnText>(*plot).size()}};
    for (const auto& [element, count] : elements) {
        std::size_t n = 0;
        for (auto at = svg.find(element); at != std::string::npos; at = svg.find(element, at + 1))
            ++n;
        EXPECT_EQ(n, count) << element;
    }
}

}  // namespace
}  // namespace vx42
