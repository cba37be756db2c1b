// An HTML document made below the window (the job sheet) printed with Qt's rich text.
#include "app/qt/html_printing.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextDocument>
#include <QUrl>
#include <span>

#include "files/file_io.h"

namespace vx42 {

namespace {

// Pixels of a plot's picture for each of its own units: sharp on paper at 300 dpi.
constexpr int kPlotScale = 4;

// The document with each inline SVG replaced by a picture of it of the same size.
void SetHtmlWithPlots(QTextDocument& doc, const std::string& html) {
    QString text = QString::fromStdString(html);
    static const QRegularExpression svg("<svg\\b.*?</svg>",
                                        QRegularExpression::DotMatchesEverythingOption);
    int n = 0;
    for (auto match = svg.match(text); match.hasMatch(); match = svg.match(text)) {
        QSvgRenderer renderer(match.captured(0).toUtf8());
        const QSize size = renderer.defaultSize();
        QString replacement;
        if (renderer.isValid() && !size.isEmpty()) {
            QImage picture(size * kPlotScale, QImage::Format_RGB32);
            picture.fill(Qt::white);
            QPainter painter(&picture);
            renderer.render(&painter);
            painter.end();
            const QString name = QString("plot-%1.png").arg(++n);
            doc.addResource(QTextDocument::ImageResource, QUrl(name), picture);
            replacement = QString("<img src=\"%1\" width=\"%2\" height=\"%3\">")
                              .arg(name)
                              .arg(size.width())
                              .arg(size.height());
        }
        text.replace(match.capturedStart(), match.capturedLength(), replacement);
    }
    doc.setHtml(text);
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

bool PrintHtml(const std::string& html, QPagedPaintDevice& device) {
    QTextDocument doc;
    SetHtmlWithPlots(doc, html);
    return PrintPages(doc, device);
}

void WriteHtmlPdf(const std::string& html, const std::string& path, const std::string& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        writer.setTitle(QString::fromStdString(title));
        writer.setCreator("VX42 Configurator");
        if (!PrintHtml(html, writer)) throw FileError("The PDF file could not be made: " + path);
    }
    const QByteArray& bytes = buffer.data();
    WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    static_cast<std::size_t>(bytes.size())));
}

}  // namespace vx42
