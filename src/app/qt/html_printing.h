#pragma once
// Prints an HTML document made below the window (the job sheet) with Qt's rich text: on the
// printer chosen in the print dialog or into a PDF file. The document's drawings (the job
// sheet's plots) are painted as pictures at print resolution where they stand in the text.

#include <QSizeF>
#include <string>

#include "base/drawing.h"

class QPagedPaintDevice;
class QTextDocument;

namespace vx42 {

// The size of a page's body in the units documents are laid out in (96 a inch): the device's
// paintable area less a line at the foot for the title and the page number.
QSizeF PageBodySize(const QPagedPaintDevice& device);

// Paints a document on the device page by page, laid out on pages of `PageBodySize`, each
// with the document's title and "Page n of m" at its foot. False when the device could not
// be started.
bool PrintPages(QTextDocument& doc, QPagedPaintDevice& device);

// Lays the document out on the device's pages and paints them. False when the device could
// not be started (a printer that is gone, a file that cannot be made).
bool PrintHtml(const HtmlDocument& document, QPagedPaintDevice& device);

// The document as a PDF file on A4, written atomically. Throws FileError when it cannot be
// written.
void WriteHtmlPdf(const HtmlDocument& document, const std::string& path, const std::string& title);

}  // namespace vx42
