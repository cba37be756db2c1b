// The job sheet: a calibration's settings as an HTML page to print.
#include "review/job_sheet.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <optional>
#include <sstream>

#include "base/utf8.h"
#include "calibration/grid/grid_model.h"
#include "calibration/number_format.h"
#include "calibration/outputs/output_view.h"
#include "files/calibration_file.h"
#include "files/restore_points.h"
#include "review/calibration_text.h"
#include "review/plot_drawing.h"

namespace vx42 {

namespace {

constexpr const char* kNotRecorded = "not recorded";

// The look of the sheet. It keeps to what both a browser and Qt's rich text understand:
// type and class selectors, borders on cells, page breaks before outputs.
constexpr const char* kStyle =
    R"(body { font-family: 'DejaVu Sans', Arial, sans-serif; font-size: 9pt; color: #000000; }
h1 { font-size: 16pt; margin-bottom: 4px; }
h2 { font-size: 13pt; margin-top: 16px; margin-bottom: 6px; }
h3 { font-size: 10pt; margin-top: 10px; margin-bottom: 4px; }
table { border-collapse: collapse; margin-bottom: 4px; }
th, td { border: 1px solid #8c8c8c; padding: 2px 5px; vertical-align: top; }
th { background-color: #ececec; text-align: left; font-weight: bold; }
td.number { text-align: right; }
table.cells { font-size: 8pt; }
table.cells td { text-align: right; }
table.cells th, table.cells td { white-space: nowrap; }
.warning { color: #b00000; font-weight: bold; }
p.plot { margin-top: 6px; }
)";

std::string Cell(const std::string& text, const char* tag = "td", const char* cls = nullptr) {
    std::string out = std::string("<") + tag;
    if (cls) out += std::string(" class=\"") + cls + "\"";
    return out + ">" + HtmlText(text) + "</" + tag + ">";
}

std::string Row(const std::string& header, const std::string& value) {
    return "<tr>" + Cell(header, "th") + Cell(value) + "</tr>\n";
}

std::string TableOpen(const char* cls = nullptr) {
    std::string out = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"";
    if (cls) out += std::string(" class=\"") + cls + "\"";
    return out + ">\n";
}

// The output tab's caption of the data shown, in this sheet's spelling.
std::string SheetCaption(const std::string& caption) {
    const std::string tab = kFormattedInCaption;
    if (!caption.starts_with(tab)) return caption;
    return "CAN Data Formatted in " + caption.substr(tab.size());
}

std::string OrNotRecorded(const std::string& text) {
    return text.empty() ? kNotRecorded : text;
}

// "raw" for unformatted data, otherwise the unit shown.
std::string DataUnitName(const std::string& unit) {
    if (unit.empty() || unit == kRawUnit) return "raw";
    return unit;
}

std::string UnitSettingsText(const UnitFlags& units) {
    const std::array<std::pair<const char*, const char*>, 6> families = {{{"temperature", "°C"},
                                                                          {"speed", "KPH"},
                                                                          {"pressure", "kPa"},
                                                                          {"flow", "g/sec"},
                                                                          {"torque", "N·m"},
                                                                          {"volume", "l"}}};
    std::string text;
    for (const auto& [family, metric] : families) {
        if (!text.empty()) text += ", ";
        text += std::string(family) + " " + DisplayUnitLabel(metric, units);
    }
    return text;
}

std::string HeaderTable(const CalImage& image, const UnitFlags& units,
                        const JobSheetHeader& header) {
    std::ostringstream out;
    out << TableOpen("head");
    out << "<tr>" << Cell("Module serial number", "th") << Cell(OrNotRecorded(header.serial))
        << Cell("Firmware version", "th") << Cell(OrNotRecorded(header.firmware)) << "</tr>\n";
    out << "<tr>" << Cell("Date", "th") << Cell(OrNotRecorded(header.date))
        << Cell("Calibration", "th") << Cell(OrNotRecorded(header.file)) << "</tr>\n";
    out << "<tr>" << Cell("CAN speed", "th")
        << Cell(std::to_string(image.Word(CalAddresses().CanSpeed)) + " kbit/s")
        << Cell("Units", "th") << Cell(UnitSettingsText(units)) << "</tr>\n";
    out << "</table>\n";
    return out.str();
}

std::string SettingsTable(const OutputScope& scope, const OutputView& view) {
    std::ostringstream out;
    out << TableOpen("settings");
    out << Row("Function", kFunctionCaptions[static_cast<int>(view.function)]);
    if (view.frame == FunctionFrame::Relay)
        out << Row("Drive", std::string("On: ") + kDriveCaptions[static_cast<int>(view.drive.on)] +
                                ", Off: " + kDriveCaptions[static_cast<int>(view.drive.off)]);
    out << Row(view.periodLabel, view.period);
    out << Row("CAN data shown", SheetCaption(view.captions.caption));
    out << Row("Secondary CAN data", SecondaryModeText(scope.image.Byte(scope.Cal().SecondaryMode),
                                                       scope.FunctionFlags()));
    if (view.frame == FunctionFrame::VoltageOut) {
        std::string battery;
        for (int r = 1; r < kAnalogGrid.rows; ++r)
            battery += (r > 1 ? ", " : "") + view.analogTable[r][0];
        out << Row("Battery breakpoints (V)", battery);
    }
    out << "</table>\n";
    return out.str();
}

std::string MessagesTable(const OutputScope& scope, const OutputView& view) {
    // The secondary data source counts only while the output uses it.
    std::vector<int> sources;
    for (int i = 0; i < (view.useSecondary ? 2 : 1); ++i)
        if (scope.MessageSlot(i)) sources.push_back(i);
    if (sources.empty()) return "<p>No message is chosen.</p>\n";
    const auto& m = CalAddresses();
    std::ostringstream out;
    out << TableOpen("messages") << "<tr><th></th>";
    for (int i : sources) {
        std::string title = DataSourceTitle(i);
        title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
        out << Cell(title, "th");
    }
    out << "</tr>\n";
    const auto row = [&](const std::string& name, const auto& text) {
        out << "<tr>" << Cell(name, "th");
        for (int i : sources) out << Cell(text(i, *scope.MessageSlot(i)));
        out << "</tr>\n";
    };
    row("Message", [&](int i, int) {
        const auto& s = view.data[i].selection;
        return s ? DisplayText(s->library) + " / " + DisplayText(s->message)
                 : std::string(kNoneName);
    });
    row("Description", [&](int, int slot) {
        return DisplayText(
            scope.image.Text(m.MessageDefSlot[slot].Description, width::Description));
    });
    row("CAN identifier", [&](int, int slot) { return SlotIdentifierText(scope.image, slot); });
    row("Position", [&](int i, int slot) {
        return SignalPlaceText(scope.image, scope.output, i) + ", " +
               (scope.image.Byte(m.MessageDefSlot[slot].ByteOrder) != 0 ? "big-endian"
                                                                        : "little-endian");
    });
    row("Scaling", [&](int, int slot) { return ScalingText(scope.image, slot); });
    row("Shown in", [&](int i, int) { return DataUnitName(view.captions.units[i]); });
    row("Timeout", [&](int i, int) { return view.data[i].timeout + " ms"; });
    row("Data on timeout", [&](int i, int) {
        return WithDataUnit(view.data[i].dataOnTimeout, view.captions.units[i]);
    });
    row("Filter", [&](int i, int) {
        return view.data[i].averageLength + " samples every " + view.data[i].samplePeriod + " ms";
    });
    out << "</table>\n";
    return out.str();
}

std::string SwitchRulesTable(const OutputView& view) {
    std::ostringstream out;
    out << TableOpen("rules") << "<tr><th>Data</th><th>Switch function</th>";
    for (const char* point : kSwitchPointCaptions) out << Cell(point, "th");
    out << "</tr>\n";
    for (int i = 0; i < (view.useSecondary ? 2 : 1); ++i) {
        const DataSourceView& d = view.data[i];
        std::string title = DataSourceTitle(i);
        title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
        out << "<tr>" << Cell(title)
            << Cell(kSwitchFunctionCaptions[static_cast<int>(d.switchFunction)]);
        for (int p = 0; p < 4; ++p) {
            if (p >= 2 && !d.bPointsShown) {
                out << Cell("", "td", "number");
                continue;
            }
            const std::string value = WithDataUnit(d.switchPoints[p], view.captions.units[i]);
            if (d.switchColours[p] == TextColour::Red)
                out << "<td class=\"number\"><span class=\"warning\">" << HtmlText(value)
                    << " (out of order)</span></td>";
            else
                out << Cell(value, "td", "number");
        }
        out << "</tr>\n";
    }
    out << "</table>\n";
    if (view.useSecondary && view.andOr)
        out << "<p>The output follows the primary "
            << HtmlText(kAndOrCaptions[static_cast<int>(*view.andOr)])
            << " the secondary rule.</p>\n";
    return out.str();
}

// The width a cell's text takes in the grid's 8 pt type, in the 96-a-inch units the page is
// laid out in: near enough to choose column groups (a digit 7, a period or a space 3.5, any
// other character 8, and 12 for the cell's padding and border).
double CellWidth(const std::string& text) {
    double width = 12;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if ((byte & 0xC0) == 0x80) continue;  // within a UTF-8 character
        width += std::isdigit(byte) ? 7 : (ch == '.' || ch == ' ') ? 3.5 : 8;
    }
    return width;
}

// The width of an A4 page's body less a margin, in the same units.
constexpr double kGridWidth = 680;

// A grid whose first row and first column are headers. When its widest texts would not fit
// the page's width in one table, it continues below in tables of fewer value columns (as
// many columns in each as may be), each beginning with the row headers again.
std::string GridTable(const TableTexts& rows) {
    const std::size_t cols = rows.empty() ? 0 : rows[0].size();
    std::vector<double> widths(cols, 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < cols && c < row.size(); ++c)
            widths[c] = std::max(widths[c], CellWidth(row[c]));
    double total = 0;
    for (std::size_t c = 1; c < cols; ++c) total += widths[c];
    const double room = std::max(kGridWidth - (cols > 0 ? widths[0] : 0), 1.0);
    const std::size_t groups =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(total / room)));
    const std::size_t perGroup = std::max<std::size_t>(1, (cols - 1 + groups - 1) / groups);
    std::ostringstream out;
    for (std::size_t first = 1; first < cols; first += perGroup) {
        const std::size_t last = std::min(cols, first + perGroup);
        out << TableOpen("cells");
        for (std::size_t r = 0; r < rows.size(); ++r) {
            out << "<tr>" << Cell(rows[r][0], "th");
            for (std::size_t c = first; c < last && c < rows[r].size(); ++c)
                out << Cell(rows[r][c], r == 0 ? "th" : "td");
            out << "</tr>\n";
        }
        out << "</table>\n";
    }
    return out.str();
}

std::optional<double> CellValue(const OutputScope& scope, TableGrid grid, int row, int col) {
    const auto value = GetTableCellValue(scope, grid, row, col);
    if (value && std::isfinite(*value)) return value;
    return std::nullopt;
}

// The output's table and its plot, added to the sheet.
void AddTableSection(const OutputScope& scope, const OutputView& view, HtmlDocument& sheet) {
    const std::string unit = DataUnitName(view.captions.units[0]);
    std::ostringstream out;
    std::vector<PlotSeries> series;
    std::string yTitle;
    if (view.frame == FunctionFrame::Table) {
        out << "<h3>Table: duty cycle (%) by battery voltage (V, rows) and CAN data ("
            << HtmlText(unit) << ", columns)</h3>\n";
        TableTexts grid = view.analogTable;
        grid[0][0] = "V \\ " + unit;
        out << GridTable(grid);
        for (int r = 1; r < kAnalogGrid.rows; ++r) {
            PlotSeries line{view.analogTable[r][0] + " V", {}};
            for (int c = 1; c < kAnalogGrid.cols; ++c) {
                const auto x = CellValue(scope, TableGrid::Analog, 0, c);
                const auto y = CellValue(scope, TableGrid::Analog, r, c);
                if (x && y) line.points.emplace_back(*x, *y);
            }
            series.push_back(std::move(line));
        }
        yTitle = "Duty cycle (%)";
    } else if (view.frame == FunctionFrame::FreqTable) {
        out << "<h3>Table: frequency (Hz) by CAN data (" << HtmlText(unit) << ")</h3>\n";
        TableTexts grid = view.freqTable;
        grid[0].insert(grid[0].begin(), unit);
        grid[1].insert(grid[1].begin(), "Hz");
        out << GridTable(grid);
        PlotSeries line{"Hz", {}};
        for (int c = 0; c < kFreqGrid.cols; ++c) {
            const auto x = CellValue(scope, TableGrid::Freq, 0, c);
            const auto y = CellValue(scope, TableGrid::Freq, 1, c);
            if (x && y) line.points.emplace_back(*x, *y);
        }
        series.push_back(std::move(line));
        yTitle = "Frequency (Hz)";
    } else if (view.frame == FunctionFrame::VoltageOut) {
        out << "<h3>Table: duty cycle (%) by CAN data (" << HtmlText(unit) << ")</h3>\n";
        TableTexts grid(3);
        grid[0] = {"", "CAN data (" + unit + ")", "Duty cycle (%)"};
        PlotSeries line{"%", {}};
        for (int i = 0; i < 2; ++i) {
            const DataSourceView& d = view.data[i];
            grid[i + 1] = {i == 0 ? "Min" : "Max", d.voltOutData, d.voltOutDuty};
            const auto x = ReadCellNumber(d.voltOutData);
            const auto y = ReadCellNumber(d.voltOutDuty);
            if (x && y) line.points.emplace_back(*x, *y);
        }
        out << GridTable(grid);
        series.push_back(std::move(line));
        yTitle = "Duty cycle (%)";
    } else {
        return;
    }
    sheet.html += out.str();
    auto plot = LayOutPlot(series, "CAN data (" + unit + ")", yTitle);
    if (!plot) return;
    sheet.html += "<p class=\"plot\">";
    sheet.AddDrawing(std::move(*plot));
    sheet.html += "</p>\n";
}

// An output in use after another starts a page of its own, so a table stays with its plot.
void AddOutputSection(const CalImage& image, const UnitFlags& units, int output, bool& pageUsed,
                      HtmlDocument& sheet) {
    const FormatContext ctx = StoredFormatContext(image, output, units);
    const OutputScope scope{image, ctx, output};
    const OutputView view = GetCalValues(scope);
    std::ostringstream out;
    const std::string name = DisplayText(view.outputName);
    const bool inUse = view.function != OutputFunction::Off;
    out << "<h2" << (inUse && pageUsed ? " style=\"page-break-before: always\"" : "") << ">"
        << HtmlText(OutputTitle(output)) << (name.empty() ? "" : ": " + HtmlText(name))
        << "</h2>\n";
    out << SettingsTable(scope, view);
    if (!inUse) {
        sheet.html += out.str();
        return;
    }
    pageUsed = true;
    out << "<h3>Messages</h3>\n" << MessagesTable(scope, view);
    if (view.frame == FunctionFrame::Relay)
        out << "<h3>Switch rules</h3>\n" << SwitchRulesTable(view);
    sheet.html += out.str();
    AddTableSection(scope, view, sheet);
}

}  // namespace

std::string HtmlText(const std::string& text) {
    const bool utf8 = IsValidUtf8(text);
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (!utf8 && static_cast<unsigned char>(c) >= 0x80)
                    out += '?';
                else
                    out += c;
        }
    }
    return out;
}

HtmlDocument JobSheet(const CalImage& image, const UnitFlags& units, const JobSheetHeader& header) {
    std::ostringstream out;
    const std::string title =
        "Job Sheet" + (header.file.empty() ? std::string() : ": " + HtmlText(header.file));
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" << title
        << "</title>\n<style>\n"
        << kStyle << "</style>\n</head>\n<body>\n";
    out << "<h1>VX42 Job Sheet</h1>\n" << HeaderTable(image, units, header);
    HtmlDocument sheet{out.str(), {}};
    bool pageUsed = false;
    for (int o = 0; o < kOutputs; ++o) AddOutputSection(image, units, o, pageUsed, sheet);
    sheet.html +=
        "<h3>Installation</h3>\n"
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" class=\"sign\" width=\"100%\">\n"
        "<tr><th width=\"15%\">Vehicle</th><td width=\"35%\"><br><br></td>"
        "<th width=\"15%\">Installer</th><td width=\"35%\"><br><br></td></tr>\n"
        "<tr><th>Customer</th><td><br><br></td><th>Signature</th><td><br><br></td></tr>\n"
        "</table>\n</body>\n</html>\n";
    return sheet;
}

std::string JobSheetHtml(const CalImage& image, const UnitFlags& units,
                         const JobSheetHeader& header) {
    return HtmlWithDrawings(JobSheet(image, units, header),
                            [](const Drawing& plot, std::size_t) { return SvgPlot(plot); });
}

JobSheetHeader WindowJobSheetHeader(const FileState& files, bool fromModule,
                                    const std::string& serial, const std::string& firmware) {
    JobSheetHeader header;
    if (fromModule) {
        header.serial = serial;
        header.firmware = firmware;
    }
    header.date = RestoreTimeText(NowSeconds());
    if (files.FileLoaded)
        header.file =
            files.CurrentFileName + (files.CalibrationChanged ? " (changed since saved)" : "");
    else if (files.AutoRetrieved)
        header.file = std::string("retrieved from the module") +
                      (files.CalibrationChanged ? ", changed since" : "");
    return header;
}

std::string JobSheetFileName(const std::string& calibrationFile, const std::string& extension) {
    std::string name = calibrationFile.substr(calibrationFile.find_last_of("/\\") + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    if (name.empty()) name = "Job Sheet";
    return name + extension;
}

}  // namespace vx42
