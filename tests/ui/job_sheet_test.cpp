// File > Print... and File > Export Job Sheet...: the job sheet of the calibration shown goes
// to the print dialog and into a PDF file chosen in the save dialog.

#include "review/job_sheet.h"

#include <QImage>
#include <QProcess>

#include "calibration/outputs/output_function.h"
#include "files/file_io.h"
#include "review/calibration_text.h"
#include "ui_fixture.h"

namespace {
#ifndef _WIN32  // poppler's tools read the sheet on Linux; a Windows program cannot run them
// Every cell of every output's table stands whole on one line of the PDF's text: no number
// is broken across lines or cut at the page's edge.
void ExpectWholeTables(const QString& content, const CalImage& image) {
    QStringList words;
    for (const QString& line : content.split('\n')) words += line.split(' ', Qt::SkipEmptyParts);
    for (int o = 0; o < kOutputs; ++o) {
        const FormatContext ctx = StoredFormatContext(image, o, UnitFlags{});
        const OutputScope scope{image, ctx, o};
        const auto frame = FrameOf(scope.FunctionFlags(), scope.OutputOptions());
        if (frame != FunctionFrame::Table && frame != FunctionFrame::FreqTable) continue;
        const TableGrid grid = frame == FunctionFrame::Table ? TableGrid::Analog : TableGrid::Freq;
        for (int r = 0; r < SizeOf(grid).rows; ++r)
            for (int c = 0; c < SizeOf(grid).cols; ++c) {
                if (!CellAddress(scope, grid, r, c)) continue;
                const QString cell = QString::fromStdString(GetTableCellText(scope, grid, r, c));
                QVERIFY2(words.contains(cell),
                         qPrintable(QString("output %1, row %2, column %3: %4")
                                        .arg(o + 1)
                                        .arg(r)
                                        .arg(c)
                                        .arg(cell)));
            }
    }
}

// The speedometer's page shows its plot's one line in the first line's colour.
void ExpectPlotPainted(const std::string& pdf) {
    const QString page = QString::fromStdString(pdf) + "-page";
    QProcess render;
    render.start("pdftoppm", {"-r", "100", "-f", "3", "-l", "3", "-singlefile", "-png",
                              QString::fromStdString(pdf), page});
    QVERIFY2(render.waitForFinished(30000) && render.exitCode() == 0, "pdftoppm failed");
    const QImage image(page + ".png");
    QVERIFY(!image.isNull());
    int blue = 0;  // #1f5fbf
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            blue += c.blue() > 140 && c.blue() - c.red() > 80 && c.blue() - c.green() > 40;
        }
    QVERIFY2(blue > 300, qPrintable(QString("%1 pixels of the line's blue").arg(blue)));
}
#endif
}  // namespace

class JobSheetTest : public QObject {
    Q_OBJECT
  private slots:
    void printingGivesTheSheetOfTheModuleShownToThePrintDialog() {
        DemoWindow f;
        // Without a calibration there is no sheet.
        f.prompt.ExpectMessage("Open or retrieve a calibration first");
        f.window.menuFileExportJobSheet->trigger();
        f.prompt.ExpectMessage("Open or retrieve a calibration first");
        f.window.menuFilePrint->trigger();
        f.Connect();
        f.prompt.AnswerPrint(PrintOutcome::Printed);
        f.window.menuFilePrint->trigger();
        const PromptCall call = f.prompt.Calls().back();
        QCOMPARE(call.title, std::string("Job Sheet"));
        // The core's sheet of the image shown, with the module that holds it.
        const std::string& sheet = call.text;
        QVERIFY(sheet.find("<td>" + f.module.DeviceSerial() + "</td>") != std::string::npos);
        QCOMPARE(call.drawings, std::size_t{3});  // the plots of outputs 1, 3 and 4

        // A printer that cannot start is said so.
        f.prompt.AnswerPrint(PrintOutcome::Failed);
        f.prompt.ExpectMessage("could not be printed");
        f.window.menuFilePrint->trigger();
    }

    void exportWritesAPdfOfTheSheetWhereTheSaveDialogSays() {
        DemoWindow f;
        f.Open(test::DemoCalibration(), "Truck 12.DVF");
        f.Settle();

        // Where it went is said, and the PDF opened on Yes.
        const std::string pdf = f.folder.file("sheet.pdf");
        f.prompt.AnswerSaveFile(f.folder.file("sheet"));  // ".pdf" is added
        f.prompt.AnswerYesNo(Answer::Yes);
        f.prompt.ExpectOpenDocument("sheet.pdf");
        f.window.menuFileExportJobSheet->trigger();
        QVERIFY2(f.prompt.ScriptDone(), qPrintable(ScriptMismatches(f.prompt)));
        const auto calls = f.prompt.Calls();
        const PromptCall& dialog = calls.at(calls.size() - 3);
        QCOMPARE(dialog.dialog.fileName, std::string("Truck 12.pdf"));
        QCOMPARE(dialog.dialog.filter, std::string("PDF Document (*.pdf)|*.pdf"));
        QVERIFY(calls.at(calls.size() - 2).text.find("written to:\n" + pdf) != std::string::npos);

        const auto bytes = ReadWholeFile(pdf, 1 << 24);
        QVERIFY(std::string(bytes.begin(), bytes.begin() + 5) == "%PDF-");
        // The plots are painted into the sheet: a picture for each output with a table (outputs
        // 1, 3 and 4).
        const QByteArray raw(reinterpret_cast<const char*>(bytes.data()),
                             static_cast<qsizetype>(bytes.size()));
        QCOMPARE(raw.count("/Subtype /Image"), 3);
#ifndef _WIN32
        QProcess text;
        text.start("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
        QVERIFY2(text.waitForFinished(30000) && text.exitCode() == 0, "pdftotext failed");
        const QString content = QString::fromUtf8(text.readAllStandardOutput());
        ExpectWholeTables(content, test::DemoCalibration());
        for (const char* expected :
             {"VX42 Job Sheet", "Truck 12.DVF", "Output 2: Coolant Fan", "203.0 °F",
              "Output 4: Tach Voltage", "Page 4 of 4", "CAN Data Formatted in MPH",
              "bytes 2-3, start bit 0, 16 bits", "bytes counted from 1"})
            QVERIFY2(content.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(content.contains("not recorded"));  // offline from a file: no module on it
        ExpectPlotPainted(pdf);
#endif

        // Replacing the file is asked first; No leaves it as it was.
        f.prompt.AnswerSaveFile(pdf);
        f.prompt.AnswerYesNo(Answer::No);
        f.window.menuFileExportJobSheet->trigger();
        QVERIFY(ReadWholeFile(pdf, 1 << 24) == bytes);
    }
};

QTEST_MAIN(JobSheetTest)
#include "job_sheet_test.moc"
