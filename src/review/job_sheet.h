#pragma once
// The job sheet: a calibration as the installer hands it to the customer and keeps it for
// the records. One HTML layout serves every way out of the tool: "vx42ctl calibration
// report" writes it, the window prints it and exports it as PDF. Values are shown in the
// display units the unit settings choose, as on the output tabs.

#include <string>

#include "base/drawing.h"
#include "calibration/cal_image.h"
#include "calibration/units.h"

namespace vx42 {

struct FileState;

// What the sheet says about the job besides the calibration. Empty fields print as
// "not recorded".
struct JobSheetHeader {
    std::string serial;    // the module's serial number
    std::string firmware;  // the module's firmware version
    std::string date;      // when the sheet was made, as printed
    std::string file;      // the calibration's file name (or how it was obtained)
};

// The header of the sheet of the calibration shown in the window, dated now: the file's name
// (marked when changed since it was saved) or that it was retrieved from the module. The
// module's serial number and firmware go on it only when the module holds that calibration
// (`fromModule`: online, or retrieved from it and not opened from a file since).
JobSheetHeader WindowJobSheetHeader(const FileState& files, bool fromModule,
                                    const std::string& serial, const std::string& firmware);

// Text made safe inside HTML and XML: markup characters as entities, bytes that are not
// UTF-8 as "?".
std::string HtmlText(const std::string& text);

// The whole sheet as one HTML document: the job's header, then per output its name, function
// and drive, the messages it listens to with their units, its switch rules and its table with
// a plot of it (the document's drawings, one per plot in the order of the outputs).
HtmlDocument JobSheet(const CalImage& image, const UnitFlags& units, const JobSheetHeader& header);

// The sheet as one HTML text (UTF-8) with its plots as inline SVG, as a file holds it.
std::string JobSheetHtml(const CalImage& image, const UnitFlags& units,
                         const JobSheetHeader& header);

// The file name a sheet is proposed under: the calibration's name with ".html" or ".pdf"
// in place of its extension ("Job Sheet" when there is none).
std::string JobSheetFileName(const std::string& calibrationFile, const std::string& extension);

}  // namespace vx42
