// The plot of an output's table: its layout, and the layout written as SVG.
#include "review/plot_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "base/numbers.h"
#include "review/job_sheet.h"

namespace vx42 {

namespace {

// A plot axis: ticks at whole multiples of a step of 1, 2 or 5 times a power of ten.
struct Axis {
    long long first = 0, last = 0;   // tick indexes: values first * step to last * step
    int mantissa = 1, exponent = 0;  // step = mantissa * 10^exponent

    double Tick(long long k) const {
        // Dividing by a power of ten gives the double nearest the decimal, so ticks print
        // without binary noise.
        const double units = static_cast<double>(k * mantissa);
        return exponent >= 0 ? units * std::pow(10.0, exponent) : units / std::pow(10.0, -exponent);
    }
    double Low() const { return Tick(first); }
    double High() const { return Tick(last); }
};

Axis NiceAxis(double low, double high) {
    if (!(high > low)) {  // one value: a range around it
        const double pad = low == 0 ? 1 : std::abs(low) * 0.1;
        low -= pad;
        high += pad;
    }
    const double rough = (high - low) / 6;
    int exponent = static_cast<int>(std::floor(std::log10(rough)));
    const double fraction = rough / std::pow(10.0, exponent);
    int mantissa = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
    if (mantissa == 10) {
        mantissa = 1;
        ++exponent;
    }
    Axis axis;
    axis.mantissa = mantissa;
    axis.exponent = exponent;
    const double step = mantissa * std::pow(10.0, exponent);
    axis.first = static_cast<long long>(std::floor(low / step + 1e-9));
    axis.last = static_cast<long long>(std::ceil(high / step - 1e-9));
    if (axis.last <= axis.first) axis.last = axis.first + 1;
    return axis;
}

constexpr Rgb kWhite{0xff, 0xff, 0xff};
constexpr Rgb kGrid{0xdd, 0xdd, 0xdd};
constexpr Rgb kFrame{0x44, 0x44, 0x44};
constexpr std::array<Rgb, 6> kLineColours = {{{0x1f, 0x5f, 0xbf},
                                              {0xd0, 0x64, 0x1a},
                                              {0x2e, 0x8b, 0x3c},
                                              {0xb8, 0x20, 0x2c},
                                              {0x7a, 0x4f, 0xb0},
                                              {0x6b, 0x6b, 0x6b}}};

// A shape put in place at the end of the drawing.
template <typename Shape>
void Add(std::vector<DrawnShape>& shapes, Shape shape) {
    shapes.emplace_back(std::in_place_type<Shape>, std::move(shape));
}

bool Finite(const std::pair<double, double>& point) {
    return std::isfinite(point.first) && std::isfinite(point.second);
}

// An SVG coordinate: a tenth of a pixel is fine enough.
std::string Coord(double value) {
    return ShortestText(std::round(value * 10) / 10);
}

std::string ColourText(const Rgb& colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.red, colour.green, colour.blue);
    return text;
}

// ` stroke-width="W"` where the width is not SVG's own 1.
std::string StrokeWidth(double width) {
    return width == 1 ? std::string() : " stroke-width=\"" + Coord(width) + "\"";
}

struct SvgShape {
    std::ostringstream& out;

    void operator()(const DrawnRect& r) const {
        out << "<rect x=\"" << Coord(r.x) << "\" y=\"" << Coord(r.y) << "\" width=\""
            << Coord(r.width) << "\" height=\"" << Coord(r.height) << "\" fill=\""
            << (r.fill ? ColourText(*r.fill) : "none") << "\"";
        if (r.stroke)
            out << " stroke=\"" << ColourText(*r.stroke) << "\"" << StrokeWidth(r.strokeWidth);
        out << "/>";
    }
    void operator()(const DrawnLine& l) const {
        out << "<line x1=\"" << Coord(l.x1) << "\" y1=\"" << Coord(l.y1) << "\" x2=\""
            << Coord(l.x2) << "\" y2=\"" << Coord(l.y2) << "\" stroke=\"" << ColourText(l.colour)
            << "\"" << StrokeWidth(l.width) << "/>";
    }
    void operator()(const DrawnPolyline& p) const {
        std::string points;
        for (const auto& [x, y] : p.points) {
            if (!points.empty()) points += ' ';
            points += Coord(x) + "," + Coord(y);
        }
        out << "<polyline fill=\"none\" stroke=\"" << ColourText(p.colour) << "\""
            << StrokeWidth(p.width) << " points=\"" << points << "\"/>";
    }
    void operator()(const DrawnText& t) const {
        static constexpr std::array<const char*, 3> anchors = {"", " text-anchor=\"middle\"",
                                                               " text-anchor=\"end\""};
        out << "<text x=\"" << Coord(t.x) << "\" y=\"" << Coord(t.y) << "\""
            << anchors[static_cast<int>(t.anchor)] << " font-size=\"" << Coord(t.size) << "\"";
        if (t.colour != Rgb{}) out << " fill=\"" << ColourText(t.colour) << "\"";
        if (t.rotation != 0)
            out << " transform=\"rotate(" << Coord(t.rotation) << " " << Coord(t.x) << " "
                << Coord(t.y) << ")\"";
        out << ">" << HtmlText(t.text) << "</text>";
    }
};

}  // namespace

std::optional<Drawing> LayOutPlot(const std::vector<PlotSeries>& series, const std::string& xTitle,
                                  const std::string& yTitle) {
    double xLow = 0, xHigh = 0, yLow = 0, yHigh = 0;
    bool any = false;
    for (const auto& s : series)
        for (const auto& point : s.points) {
            if (!Finite(point)) continue;
            const auto [x, y] = point;
            xLow = any ? std::min(xLow, x) : x;
            xHigh = any ? std::max(xHigh, x) : x;
            yLow = any ? std::min(yLow, y) : y;
            yHigh = any ? std::max(yHigh, y) : y;
            any = true;
        }
    if (!any) return std::nullopt;
    // Amounts read best from zero.
    yLow = std::min(yLow, 0.0);
    const Axis xAxis = NiceAxis(xLow, xHigh);
    const Axis yAxis = NiceAxis(yLow, yHigh);

    const bool legend = series.size() > 1;
    constexpr double width = 640, height = 270, left = 62, top = 12, bottom = 46;
    const double right = legend ? 92 : 18;
    const double plotW = width - left - right, plotH = height - top - bottom;
    const auto px = [&](double x) {
        return left + (x - xAxis.Low()) / (xAxis.High() - xAxis.Low()) * plotW;
    };
    const auto py = [&](double y) {
        return top + plotH - (y - yAxis.Low()) / (yAxis.High() - yAxis.Low()) * plotH;
    };

    Drawing d{width, height, {"DejaVu Sans", "Arial", "sans-serif"}, {}};
    auto& shapes = d.shapes;
    Add(shapes, DrawnRect{0, 0, width, height, kWhite, std::nullopt});
    for (long long k = xAxis.first; k <= xAxis.last; ++k) {
        const double x = px(xAxis.Tick(k));
        Add(shapes, DrawnLine{x, top, x, top + plotH, kGrid});
        Add(shapes,
            DrawnText{x, top + plotH + 15, ShortestText(xAxis.Tick(k)), TextAnchor::Middle});
    }
    for (long long k = yAxis.first; k <= yAxis.last; ++k) {
        const double y = py(yAxis.Tick(k));
        Add(shapes, DrawnLine{left, y, left + plotW, y, kGrid});
        Add(shapes, DrawnText{left - 6, y + 4, ShortestText(yAxis.Tick(k)), TextAnchor::End});
    }
    Add(shapes, DrawnRect{left, top, plotW, plotH, std::nullopt, kFrame});
    for (std::size_t s = 0; s < series.size(); ++s) {
        const Rgb colour = kLineColours[s % kLineColours.size()];
        DrawnPolyline line{{}, colour, 1.5};
        for (const auto& point : series[s].points)
            if (Finite(point)) line.points.emplace_back(px(point.first), py(point.second));
        Add(shapes, std::move(line));
        if (legend) {
            const double y = top + 8 + 16 * static_cast<double>(s);
            Add(shapes, DrawnLine{left + plotW + 10, y, left + plotW + 30, y, colour, 2});
            Add(shapes, DrawnText{left + plotW + 35, y + 4, series[s].label});
        }
    }
    Add(shapes, DrawnText{left + plotW / 2, height - 8, xTitle, TextAnchor::Middle});
    Add(shapes, DrawnText{14, top + plotH / 2, yTitle, TextAnchor::Middle, 11, -90});
    return d;
}

std::string SvgPlot(const Drawing& drawing) {
    std::string fonts;
    for (const std::string& font : drawing.fonts) fonts += (fonts.empty() ? "" : ", ") + font;
    std::ostringstream out;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Coord(drawing.width)
        << "\" height=\"" << Coord(drawing.height) << "\" viewBox=\"0 0 " << Coord(drawing.width)
        << " " << Coord(drawing.height) << "\" font-family=\"" << HtmlText(fonts) << "\">";
    for (const DrawnShape& shape : drawing.shapes) std::visit(SvgShape{out}, shape);
    out << "</svg>";
    return out.str();
}

}  // namespace vx42
