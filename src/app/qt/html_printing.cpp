// An HTML document made below the window (the job sheet) printed with Qt's rich text.
#include "app/qt/html_printing.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QPolygonF>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <span>
#include <variant>

#include "app/qt/qt_text.h"
#include "files/file_io.h"

namespace vx42 {

namespace {

// Pixels of a plot's picture for each of its own units: sharp on paper at 300 dpi.
constexpr int kPlotScale = 4;

QColor Colour(const Rgb& rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

// A pen as SVG strokes by default: square ends flush with the points, mitred corners.
QPen Stroke(const Rgb& rgb, double width) {
    return QPen(Colour(rgb), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

struct PaintShape {
    QPainter& painter;
    const QFont& font;

    void operator()(const DrawnRect& r) const {
        painter.setPen(r.stroke ? Stroke(*r.stroke, r.strokeWidth) : QPen(Qt::NoPen));
        painter.setBrush(r.fill ? QBrush(Colour(*r.fill)) : QBrush(Qt::NoBrush));
        painter.drawRect(QRectF(r.x, r.y, r.width, r.height));
    }
    void operator()(const DrawnLine& l) const {
        painter.setPen(Stroke(l.colour, l.width));
        painter.drawLine(QPointF(l.x1, l.y1), QPointF(l.x2, l.y2));
    }
    void operator()(const DrawnPolyline& p) const {
        QPolygonF points;
        for (const auto& [x, y] : p.points) points << QPointF(x, y);
        painter.setPen(Stroke(p.colour, p.width));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(points);
    }
    void operator()(const DrawnText& t) const {
        QFont type = font;
        type.setPixelSize(std::max(1, static_cast<int>(std::lround(t.size))));
        const QString text = Q(t.text);
        const double advance = QFontMetricsF(type).horizontalAdvance(text);
        const double start = t.anchor == TextAnchor::Start    ? 0
                             : t.anchor == TextAnchor::Middle ? -advance / 2
                                                              : -advance;
        painter.save();
        painter.translate(t.x, t.y);
        painter.rotate(t.rotation);
        painter.setFont(type);
        painter.setPen(Colour(t.colour));
        painter.drawText(QPointF(start, 0), text);
        painter.restore();
    }
};

// A picture of the drawing, `kPlotScale` pixels to each of its units.
QImage Picture(const Drawing& drawing) {
    const QSize size(static_cast<int>(std::ceil(drawing.width)),
                     static_cast<int>(std::ceil(drawing.height)));
    QImage picture(size * kPlotScale, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.scale(kPlotScale, kPlotScale);
    QFont font;
    QStringList families;
    for (const std::string& family : drawing.fonts) families << Q(family);
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setHintingPreference(QFont::PreferNoHinting);  // measured as drawn, at any scale
    for (const DrawnShape& shape : drawing.shapes) std::visit(PaintShape{painter, font}, shape);
    return picture;
}

// The document with each drawing as a picture of it of the same size.
void SetHtmlWithPlots(QTextDocument& doc, const HtmlDocument& document) {
    const std::string html =
        HtmlWithDrawings(document, [&doc](const Drawing& drawing, std::size_t index) {
            const QString name = QString("plot-%1.png").arg(index + 1);
            const QImage picture = Picture(drawing);
            doc.addResource(QTextDocument::ImageResource, QUrl(name), picture);
            return QString("<img src=\"%1\" width=\"%2\" height=\"%3\">")
                .arg(name)
                .arg(picture.width() / kPlotScale)
                .arg(picture.height() / kPlotScale)
                .toStdString();
        });
    doc.setHtml(Q(html));
}

}  // namespace

namespace {

constexpr double kFooter = 22;  // the foot line, in layout units

double LayoutScale(const QPagedPaintDevice& device) {
    return device.logicalDpiX() / 96.0;
}

}  // namespace

QSizeF PageBodySize(const QPagedPaintDevice& device) {
    const double scale = LayoutScale(device);
    const QRectF paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    return {paint.width() / scale, paint.height() / scale - kFooter};
}

bool PrintPages(QTextDocument& doc, QPagedPaintDevice& device) {
    const QSizeF page = PageBodySize(device);
    doc.setPageSize(page);
    QPainter painter;
    if (!painter.begin(&device)) return false;
    painter.scale(LayoutScale(device), LayoutScale(device));
    const QString title = doc.metaInformation(QTextDocument::DocumentTitle);
    QFont footerFont = doc.defaultFont();
    footerFont.setPixelSize(10);  // in layout units, as the page is painted
    const int pages = doc.pageCount();
    for (int p = 0; p < pages; ++p) {
        if (p > 0) device.newPage();
        painter.save();
        painter.translate(0, -p * page.height());
        doc.drawContents(&painter, QRectF(QPointF(0, p * page.height()), page));
        painter.restore();
        painter.setFont(footerFont);
        painter.setPen(Qt::darkGray);
        const QRectF footer(0, page.height() + 6, page.width(), kFooter - 6);
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, title);
        painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                         QString("Page %1 of %2").arg(p + 1).arg(pages));
    }
    return painter.end();
}

bool PrintHtml(const HtmlDocument& document, QPagedPaintDevice& device) {
    QTextDocument doc;
    SetHtmlWithPlots(doc, document);
    return PrintPages(doc, device);
}

void WriteHtmlPdf(const HtmlDocument& document, const std::string& path, const std::string& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        writer.setTitle(QString::fromStdString(title));
        writer.setCreator("VX42 Configurator");
        if (!PrintHtml(document, writer))
            throw FileError("The PDF file could not be made: " + path);
    }
    const QByteArray& bytes = buffer.data();
    WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    static_cast<std::size_t>(bytes.size())));
}

}  // namespace vx42
