#pragma once
// A plot beside an output table: each row of the table as a curve against the data
// breakpoints, redrawn after every edit, so the table's shape is seen at a glance.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "calibration/outputs/output_tables.h"

namespace vx42 {

struct PlotCurve {
    QString name;
    std::vector<double> values;  // one per breakpoint
};

class TablePlot : public QWidget {
    Q_OBJECT
  public:
    explicit TablePlot(QWidget* parent = nullptr);

    // The curves of a table's texts: for the analog table one per battery row (duty cycle,
    // named by the battery voltage), for the frequency table the frequency row.
    void setTable(TableGrid grid, const TableTexts& texts);
    void setCurves(std::vector<double> breakpoints, std::vector<PlotCurve> curves, QString yTitle);

    const std::vector<double>& breakpoints() const { return breakpoints_; }
    const std::vector<PlotCurve>& curves() const { return curves_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<double> breakpoints_;
    std::vector<PlotCurve> curves_;
    QString yTitle_;
};

}  // namespace vx42
