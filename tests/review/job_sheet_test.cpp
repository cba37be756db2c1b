#include "review/job_sheet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "calibration/outputs/output_function.h"
#include "calibration/outputs/output_settings.h"
#include "files/calibration_file.h"
#include "support/demo_calibration.h"

namespace vx42 {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

// The part of the sheet from one output's heading to the next one's (or the end).
std::string Section(const std::string& html, int output) {
    const auto start = html.find("<h2");
    std::size_t at = start;
    for (int o = 0; o < output && at != std::string::npos; ++o) at = html.find("<h2", at + 1);
    if (at == std::string::npos) return {};
    const auto end = html.find("<h2", at + 1);
    return html.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

const JobSheetHeader kHeader{"DV42A001", "2.1.0", "2026-03-14 09:26:53", "Truck 12.DVF"};

TEST(JobSheet, ShowsTheJobAndEachOutputOfTheDemonstrationCalibration) {
    const std::string html = JobSheetHtml(test::DemoCalibration(), UnitFlags{}, kHeader);
    EXPECT_THAT(html, HasSubstr("<title>Job Sheet: Truck 12.DVF</title>"));
    for (const char* fact : {"DV42A001", "2.1.0", "2026-03-14 09:26:53", "250 kbit/s",
                             "temperature °F, speed MPH, pressure PSI"})
        EXPECT_THAT(html, HasSubstr(fact));

    // The fuel gauge: its message with its unit, the 6 x 16 table and a line per battery row.
    const std::string fuel = Section(html, 0);
    for (const char* part :
         {"Output 1: Fuel Gauge", "<td>Analog Gauge</td>", "SAE J1939 / Fuel Level 1",
          "raw x 0.4 + 0 %", "<td>2000 ms</td>", "<th>V \\ %</th><th>0</th><th>6</th>"})
        EXPECT_THAT(fuel, HasSubstr(part));
    EXPECT_EQ(std::pair(Count(fuel, "<td>90.0</td>"), Count(fuel, "<polyline")), std::pair(6, 6));
    EXPECT_THAT(fuel, HasSubstr(">7.99 V</text>"));
    // The first output follows the header; the secondary data is not used.
    for (const char* absent : {"page-break-before", "Secondary CAN data</th></tr>"})
        EXPECT_THAT(fuel, Not(HasSubstr(absent)));

    // The fan relay: its drive and its switch rule in the unit chosen (°F).
    const std::string fan = Section(html, 1);
    for (const char* part : {"page-break-before: always", "<td>On: Ground, Off: Open</td>",
                             "<td>Simple Off to On</td>", ">203.0 °F</td>", ">194.0 °F</td>",
                             "<td>-40 °F</td>"})  // the last: the data on timeout
        EXPECT_THAT(fan, HasSubstr(part));
    EXPECT_THAT(fan, Not(HasSubstr("<svg")));  // a relay has no table

    // The speedometer: frequency against speed in MPH.
    const std::string speedo = Section(html, 2);
    for (const char* part : {"<td>Speedo/Tach Gauge</td>", "frequency (Hz) by CAN data (MPH)",
                             "<th>124</th>", "<td>440.0</td>"})
        EXPECT_THAT(speedo, HasSubstr(part));
    EXPECT_EQ(Count(speedo, "<polyline"), 1);

    // The tachometer voltage output: its two points in RPM.
    const std::string tach = Section(html, 3);
    for (const char* part :
         {"<td>Voltage Out</td>", "<tr><th>Max</th><td>7000</td><td>95.0</td></tr>",
          "<td>7.99, 9.98, 11.98, 14.01, 16.01, 18.01</td>", ">8000</text>"})  // axis rounded up
        EXPECT_THAT(tach, HasSubstr(part));
}

TEST(JobSheet, MetricUnitsChangeTheValuesShownNotTheCalibration) {
    const CalImage demo = test::DemoCalibration();
    const std::string html = JobSheetHtml(demo, UnitFlags::AllMetric(), kHeader);
    EXPECT_THAT(html, HasSubstr("temperature °C, speed KPH, pressure kPa, flow g/sec"));
    const std::string fan = Section(html, 1);
    EXPECT_THAT(
        fan, AllOf(HasSubstr(">95.0 °C</td>"), HasSubstr(">90.0 °C</td>"), Not(HasSubstr("°F"))));
    // The frequencies stay.
    EXPECT_THAT(Section(html, 2), AllOf(HasSubstr("frequency (Hz) by CAN data (KPH)"),
                                        HasSubstr("<th>200</th>"), HasSubstr("<td>440.0</td>")));
    EXPECT_EQ(demo, test::DemoCalibration());
}

TEST(JobSheet, UnknownFactsSayNotRecordedAndOutputsOffTakeNoPage) {
    CalImage image = test::DemoCalibration();
    bool changed = false;
    OfflineSink offline;
    EditTarget target{image, changed, offline};
    const FormatContext raw;
    SelectFunction(OutputEdit{target, raw, 1}, OutputFunction::Off);
    const std::string html = JobSheetHtml(image, UnitFlags{}, JobSheetHeader{});
    EXPECT_EQ(Count(html, "not recorded"), 4);
    EXPECT_THAT(html, HasSubstr("<title>Job Sheet</title>"));
    EXPECT_THAT(Section(html, 1),
                AllOf(HasSubstr("<td>Off</td>"), Not(HasSubstr("page-break-before")),
                      Not(HasSubstr("Messages"))));
    EXPECT_EQ(Count(html, "page-break-before"), 2);  // outputs 3 and 4
}

TEST(JobSheet, TextsFromTheCalibrationAreEscaped) {
    CalImage image = test::DemoCalibration();
    image.StoreText(CalAddresses().OutputName[0], width::OutputName, "<b>Fuel & \"Co\"");
    const std::string html = JobSheetHtml(image, UnitFlags{}, {"<s>", "", "", "a<b>.DVF"});
    for (const char* part : {"Output 1: &lt;b&gt;Fuel &amp; &quot;Co&quot;", "<td>&lt;s&gt;</td>",
                             "<title>Job Sheet: a&lt;b&gt;.DVF</title>"})
        EXPECT_THAT(html, HasSubstr(part));
    EXPECT_THAT(html, Not(HasSubstr("<b>")));
    EXPECT_EQ(HtmlText("caf\xe9"), "caf?");  // not UTF-8
    EXPECT_EQ(HtmlText("°C"), "°C");
}

TEST(JobSheet, WindowHeaderNamesTheModuleOnlyWhenItHoldsTheCalibration) {
    FileState files;
    files.FileLoaded = true;
    files.CurrentFileName = "Truck 12.DVF";
    JobSheetHeader h = WindowJobSheetHeader(files, false, "DV42A001", "2.1.0");
    EXPECT_EQ(std::tuple(h.serial, h.file), std::tuple("", "Truck 12.DVF"));
    EXPECT_TRUE(std::regex_match(h.date, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
    files.CalibrationChanged = true;
    h = WindowJobSheetHeader(files, true, "DV42A001", "2.1.0");
    EXPECT_EQ(std::tuple(h.serial, h.firmware, h.file),
              std::tuple("DV42A001", "2.1.0", "Truck 12.DVF (changed since saved)"));
    files.MarkAutoRetrieved();
    files.CalibrationChanged = false;
    EXPECT_EQ(WindowJobSheetHeader(files, true, "", "").file, "retrieved from the module");

    EXPECT_EQ(
        (std::vector{JobSheetFileName("/home/a/Truck 12.DVF", ".pdf"), JobSheetFileName("", ".pdf"),
                     JobSheetFileName("C:\\jobs\\.DVF", ".html")}),
        (std::vector<std::string>{"Truck 12.pdf", "Job Sheet.pdf", ".DVF.html"}));
}

}  // namespace
}  // namespace vx42
