// What the plot beside an output table draws.
#include "calibration/outputs/table_plot_data.h"

namespace vx42 {

TablePlotData TablePlotOf(const OutputScope& out, TableGrid grid) {
    const TableValues values = GetTableValues(out, grid);
    const auto at = [&](int row, int col) { return values[row][col].value_or(0); };
    TablePlotData plot;
    if (grid == TableGrid::Analog) {
        plot.yTitle = "Duty Cycle (%)";
        for (int c = 1; c < kAnalogGrid.cols; ++c) plot.breakpoints.push_back(at(0, c));
        for (int r = 1; r < kAnalogGrid.rows; ++r) {
            PlotCurve curve{GetTableCellText(out, grid, r, 0) + " V", {}};
            for (int c = 1; c < kAnalogGrid.cols; ++c) curve.values.push_back(at(r, c));
            plot.curves.push_back(std::move(curve));
        }
    } else {
        plot.yTitle = "Frequency (Hz)";
        PlotCurve curve{"Frequency", {}};
        for (int c = 0; c < kFreqGrid.cols; ++c) {
            plot.breakpoints.push_back(at(0, c));
            curve.values.push_back(at(1, c));
        }
        plot.curves.push_back(std::move(curve));
    }
    return plot;
}

}  // namespace vx42
