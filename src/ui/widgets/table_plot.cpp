// A plot beside an output table.
#include "ui/widgets/table_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "app/qt/qt_text.h"
#include "calibration/axis_ticks.h"

namespace vx42 {
namespace {

const QColor kCurveColours[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e),
                                QColor(0x2c, 0xa0, 0x2c), QColor(0xd6, 0x27, 0x28),
                                QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b)};

}  // namespace

TablePlot::TablePlot(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setMaximumHeight(16 * fontMetrics().height());
}

void TablePlot::setTable(TablePlotData data) {
    data_ = std::move(data);
    updateGeometry();
    update();
}

QSize TablePlot::sizeHint() const {
    const int h = fontMetrics().height();
    return {20 * h, 10 * h};
}

QSize TablePlot::minimumSizeHint() const {
    // The title, the axis numbers and caption, and a legend line per curve beside the plot.
    const int h = fontMetrics().height();
    const std::size_t curves = data_.curves.size();
    const int legendLines = curves > 1 ? static_cast<int>(curves) : 0;
    return {14 * h, std::max(8 * h, (3 + legendLines) * h + 2 * legendLines + 16)};
}

void TablePlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm = fontMetrics();
    const int lineH = fm.height();
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(frame, palette().base());
    p.setPen(palette().mid().color());
    p.drawRect(frame);
    const std::vector<double>& breakpoints = data_.breakpoints;
    const std::vector<PlotCurve>& curves = data_.curves;
    if (breakpoints.empty()) return;

    double xMin = *std::min_element(breakpoints.begin(), breakpoints.end());
    double xMax = *std::max_element(breakpoints.begin(), breakpoints.end());
    double yMin = 0, yMax = 0;
    for (const PlotCurve& c : curves)
        for (double v : c.values) yMax = std::max(yMax, v), yMin = std::min(yMin, v);
    // Both axes on round values: the ticks span the data.
    const AxisTicks yTicks = RoundTicks(yMin, yMax, 5);
    const AxisTicks xTicks = RoundTicks(xMin, xMax, 5);
    xMin = xTicks.low, xMax = xTicks.high, yMin = yTicks.low, yMax = yTicks.high;

    // Room for the widest of the axis numbers and of the legend's names.
    QStringList yLabels;
    for (double v : yTicks.values) yLabels << Q(TickText(yTicks, v));
    int labelW = 0;
    for (const QString& label : yLabels) labelW = std::max(labelW, fm.horizontalAdvance(label));
    int legendW = 0;
    if (curves.size() > 1)
        for (const PlotCurve& c : curves)
            legendW = std::max(legendW, fm.horizontalAdvance(Q(c.name)) + 28);
    // The title's line, then half a line for the top axis number centred on the plot's top.
    const int top = frame.top() + 2 + lineH + lineH / 2 + 2;
    const QRect plot(frame.left() + labelW + 10, top, frame.width() - labelW - 20 - legendW,
                     frame.bottom() - top - 2 * lineH - 8);
    if (plot.width() < 10 || plot.height() < 10) return;

    // Axes, grid and their numbers.
    p.setPen(palette().text().color());
    p.drawText(QRect(frame.left() + 4, frame.top() + 2, frame.width() - 8, lineH),
               Qt::AlignLeft | Qt::AlignVCenter, Q(data_.yTitle));
    p.drawText(QRect(plot.left(), plot.bottom() + lineH + 4, plot.width(), lineH), Qt::AlignCenter,
               "CAN Data (breakpoints)");
    QPen gridPen(palette().mid().color(), 1, Qt::DotLine);
    auto yAt = [&](double v) {
        return plot.bottom() -
               static_cast<int>(std::lround((v - yMin) / (yMax - yMin) * plot.height()));
    };
    for (std::size_t k = 0; k < yTicks.values.size(); ++k) {
        const int y = yAt(yTicks.values[k]);
        p.setPen(gridPen);
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(palette().text().color());
        p.drawText(QRect(frame.left() + 2, y - lineH / 2, labelW + 4, lineH),
                   Qt::AlignRight | Qt::AlignVCenter, yLabels[static_cast<int>(k)]);
    }
    p.setPen(palette().text().color());
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    // The breakpoints' axis: each round value under its place, the first and last kept
    // inside the plot's width.
    for (double v : xTicks.values) {
        const QString text = Q(TickText(xTicks, v));
        const int w = fm.horizontalAdvance(text) + 2;
        const int x =
            plot.left() + static_cast<int>(std::lround((v - xMin) / (xMax - xMin) * plot.width()));
        p.drawLine(x, plot.bottom(), x, plot.bottom() + 3);
        const int left = std::clamp(x - w / 2, plot.left() - labelW, plot.right() - w + legendW);
        p.drawText(QRect(left, plot.bottom() + 4, w, lineH), Qt::AlignCenter, text);
    }

    auto point = [&](double x, double y) {
        return QPointF(plot.left() + (x - xMin) / (xMax - xMin) * plot.width(),
                       plot.bottom() - (y - yMin) / (yMax - yMin) * plot.height());
    };
    for (std::size_t i = 0; i < curves.size(); ++i) {
        const QColor colour = kCurveColours[i % std::size(kCurveColours)];
        const PlotCurve& c = curves[i];
        QPainterPath path;
        for (std::size_t k = 0; k < c.values.size() && k < breakpoints.size(); ++k) {
            const QPointF pt = point(breakpoints[k], c.values[k]);
            if (k == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
        p.setPen(QPen(colour, 2));
        p.drawPath(path);
        for (std::size_t k = 0; k < c.values.size() && k < breakpoints.size(); ++k)
            p.drawEllipse(point(breakpoints[k], c.values[k]), 2, 2);
        if (legendW > 0) {
            const int y = plot.top() + static_cast<int>(i) * (lineH + 2);
            p.drawLine(plot.right() + 8, y + lineH / 2, plot.right() + 20, y + lineH / 2);
            p.setPen(palette().text().color());
            p.drawText(QRect(plot.right() + 24, y, legendW, lineH),
                       Qt::AlignLeft | Qt::AlignVCenter, Q(c.name));
        }
    }
}

}  // namespace vx42
