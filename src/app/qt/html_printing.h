#pragma once
// Prints an HTML document made below the window (the job sheet) with Qt's rich text: on the
// printer chosen in the print dialog or into a PDF file. Inline SVG plots, which the rich
// text does not draw itself, are drawn as pictures at print resolution.

#include <string>

class QPagedPaintDevice;

namespace vx42 {

// Lays the document out on the device's pages and paints them. False when the device could
// not be started (a printer that is gone, a file that cannot be made).
bool PrintHtml(const std::string& html, QPagedPaintDevice& device);

// The document as a PDF file on A4, written atomically. Throws FileError when it cannot be
// written.
void WriteHtmlPdf(const std::string& html, const std::string& path, const std::string& title);

}  // namespace vx42
