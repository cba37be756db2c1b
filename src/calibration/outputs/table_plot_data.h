#pragma once
// What the plot beside an output table draws: each row of the table as a curve against the
// data breakpoints, at the values the image stores, in the units the table shows them in and
// unrounded. A plot's tick labels round; its points do not, so breakpoints shown as -62 and
// -61 still lie where their stored values are.

#include <string>
#include <vector>

#include "calibration/outputs/output_tables.h"

namespace vx42 {

struct PlotCurve {
    std::string name;
    std::vector<double> values;  // one per breakpoint
};

struct TablePlotData {
    std::vector<double> breakpoints;
    std::vector<PlotCurve> curves;
    std::string yTitle;
};

// The analog table: one curve per battery row (duty cycle, named by the battery voltage as
// its header shows it); the frequency table: the frequency row.
TablePlotData TablePlotOf(const OutputScope& out, TableGrid grid);

}  // namespace vx42
