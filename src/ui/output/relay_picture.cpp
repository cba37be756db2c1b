// The picture of a relay switch function.
#include "ui/output/relay_picture.h"

#include <QPainter>
#include <QPainterPath>
#include <vector>

namespace vx42 {
namespace {

// One edge of a switch function: the point the output switches at while the data falls
// (lower) and while it rises (upper).
struct Edge {
    const char* lower;
    const char* upper;
};

struct Shape {
    std::vector<int> levels;  // the state (0 Off, 1 On) in each zone, from low data up
    std::vector<Edge> edges;  // between the zones
};

Shape ShapeOf(SwitchFunction function) {
    switch (function) {
        case SwitchFunction::SimpleOffToOn:
            return {{0, 1}, {{"Off A", "On A"}}};
        case SwitchFunction::SimpleOnToOff:
            return {{1, 0}, {{"On A", "Off A"}}};
        case SwitchFunction::WindowSwitchOn:
            return {{0, 1, 0}, {{"Off A", "On A"}, {"On B", "Off B"}}};
        case SwitchFunction::WindowSwitchOff:
            return {{1, 0, 1}, {{"On A", "Off A"}, {"Off B", "On B"}}};
    }
    return {{0, 1}, {{"Off A", "On A"}}};
}

}  // namespace

RelayPicture::RelayPicture(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void RelayPicture::setFunction(SwitchFunction function) {
    function_ = function;
    setToolTip(kSwitchFunctionCaptions[static_cast<int>(function)]);
    update();
}

QSize RelayPicture::sizeHint() const {
    const int h = fontMetrics().height();
    return {fontMetrics().horizontalAdvance("Output Off") + 12 * h, 7 * h};
}

QSize RelayPicture::minimumSizeHint() const {
    const int h = fontMetrics().height();
    return {fontMetrics().horizontalAdvance("Output Off") + 8 * h, 7 * h};
}

void RelayPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm = fontMetrics();
    const int lineH = fm.height();
    const QRect frame = rect().adjusted(1, 1, -2, -2);
    p.fillRect(frame, palette().base());
    p.setPen(palette().mid().color());
    p.drawRect(frame);

    const int left = frame.left() + fm.horizontalAdvance("Off") + 10;
    const int right = frame.right() - 8;
    const int top = frame.top() + lineH / 2 + 4;
    // Room for the point names under the axis: two staggered lines for a window.
    const Shape shape = ShapeOf(function_);
    const int labelLines = shape.edges.size() > 1 ? 2 : 1;
    const int bottom = frame.bottom() - labelLines * lineH - 6;
    const int yOn = top + 2;
    const int yOff = bottom - 2;

    // Axes and the state names.
    p.setPen(palette().text().color());
    p.drawLine(left, top, left, bottom);
    p.drawLine(left, bottom, right, bottom);
    p.drawText(QRect(frame.left() + 2, yOn - lineH / 2, left - frame.left() - 4, lineH),
               Qt::AlignRight | Qt::AlignVCenter, "On");
    p.drawText(QRect(frame.left() + 2, yOff - lineH / 2, left - frame.left() - 4, lineH),
               Qt::AlignRight | Qt::AlignVCenter, "Off");
    p.drawText(QRect(right - 60, bottom + 2, 60, lineH), Qt::AlignRight | Qt::AlignTop, "Data");

    const int points = 2 * static_cast<int>(shape.edges.size());
    const double step = (right - 50 - left) / static_cast<double>(points + 1);
    auto xOf = [&](int point) { return left + step * (point + 1); };
    auto yOf = [&](int level) { return level ? yOn : yOff; };

    // Rising path: switches at the upper point of each edge.
    QPainterPath rising;
    rising.moveTo(left, yOf(shape.levels[0]));
    for (std::size_t e = 0; e < shape.edges.size(); ++e) {
        const double x = xOf(2 * static_cast<int>(e) + 1);
        rising.lineTo(x, yOf(shape.levels[e]));
        rising.lineTo(x, yOf(shape.levels[e + 1]));
    }
    rising.lineTo(right, yOf(shape.levels.back()));
    // Falling path: switches back at the lower point of each edge.
    QPainterPath falling;
    falling.moveTo(right, yOf(shape.levels.back()));
    for (std::size_t e = shape.edges.size(); e-- > 0;) {
        const double x = xOf(2 * static_cast<int>(e));
        falling.lineTo(x, yOf(shape.levels[e + 1]));
        falling.lineTo(x, yOf(shape.levels[e]));
    }
    falling.lineTo(left, yOf(shape.levels[0]));

    p.setPen(QPen(QColor(0xD0, 0x60, 0x00), 2, Qt::DashLine));
    p.drawPath(falling);
    p.setPen(QPen(QColor(0x00, 0x50, 0xC0), 2));
    p.drawPath(rising);

    // The switch points under the axis.
    p.setPen(palette().text().color());
    for (std::size_t e = 0; e < shape.edges.size(); ++e) {
        for (int k = 0; k < 2; ++k) {
            const int x = static_cast<int>(xOf(2 * static_cast<int>(e) + k));
            const char* label = k == 0 ? shape.edges[e].lower : shape.edges[e].upper;
            p.drawLine(x, bottom - 3, x, bottom + 3);
            const int w = fm.horizontalAdvance(label);
            const int line = labelLines > 1 ? k : 0;
            p.drawText(QRect(x - w / 2 - 2, bottom + 3 + line * lineH, w + 4, lineH),
                       Qt::AlignCenter, label);
        }
    }
}

}  // namespace vx42
