#pragma once
// A plot beside an output table: each row of the table as a curve against the data
// breakpoints, redrawn after every edit, so the table's shape is seen at a glance.

#include <QWidget>
#include <vector>

#include "calibration/outputs/table_plot_data.h"

namespace vx42 {

class TablePlot : public QWidget {
    Q_OBJECT
  public:
    explicit TablePlot(QWidget* parent = nullptr);

    // The curves of a table (TablePlotOf).
    void setTable(TablePlotData data);

    const std::vector<double>& breakpoints() const { return data_.breakpoints; }
    const std::vector<PlotCurve>& curves() const { return data_.curves; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    TablePlotData data_;
};

}  // namespace vx42
