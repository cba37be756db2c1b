#pragma once
// The plot of an output's table on the job sheet: laid out once as a drawing, which the sheet's
// HTML file shows as inline SVG and the window paints on paper.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/drawing.h"

namespace vx42 {

// One line of a plot: its name in the legend and its points, x ascending as stored.
struct PlotSeries {
    std::string label;
    std::vector<std::pair<double, double>> points;
};

// A line plot: axes with rounded ticks, a grid, one coloured line per series and a legend
// when there is more than one. Nothing when no series has a finite point.
std::optional<Drawing> LayOutPlot(const std::vector<PlotSeries>& series, const std::string& xTitle,
                                  const std::string& yTitle);

// The drawing as inline SVG. Texts are escaped; numbers use a period.
std::string SvgPlot(const Drawing& drawing);

}  // namespace vx42
