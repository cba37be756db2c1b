// The calibration assistant's window over the output page: the speedometer of the
// demonstration calibration recalibrated with eight marks reaches the module byte for byte as
// the review showed it, and every way out of the assistant stops live calibration. The marks,
// guesses and store rule are the assistant's own, tested where they live.

#include "ui/output/calibration_assistant.h"

#include <QLineEdit>
#include <QTableWidget>
#include <functional>

#include "can/library_json.h"
#include "output_page_fixture.h"
#include "review/job_sheet.h"
#include "support/demo_calibration.h"
#include "ui/widgets/table_grid.h"

using namespace vx42;
using namespace vx42::test;

namespace {

constexpr int kSpeedometer = 2;  // output 3 of the demonstration calibration

// The demonstration calibration in the module, its messages from the example library, online.
struct DemoPage : PageFixture {
    DemoPage() {
        w.app.libraries.MessageLibraries.push_back(
            ReadLibraryJsonFile(std::string(VX42_SOURCE_DIR) + "/data/libraries/SAE_J1939.json"));
        SetModuleImage(DemoCalibration());
        GoOnline();
        SelectTab(kSpeedometer);
    }
    // "Calibrate Gauge..." of a table, then the marks typed and started.
    FrmCalibrationAssistant* Start(int table, const QString& marks) {
        FindIndexed<QPushButton>(page(), "cmdCalibrateAssistant", table)->click();
        auto* assistant = window().findChild<FrmCalibrationAssistant*>();
        if (!assistant) return nullptr;
        assistant->txtMarks->setText(marks);
        assistant->cmdBegin->click();
        Settle();
        return assistant;
    }
    // A key as the installer presses it on the page of a mark.
    static void Key(FrmCalibrationAssistant* a, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(a->lblDrive->parentWidget(), key, mods);
    }
    // The assistant's window is gone (it deletes itself once closed).
    bool Closed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !window().findChild<FrmCalibrationAssistant*>();
    }
    static QStringList Row(const QTableWidget* table, int row) {
        QStringList texts;
        for (int c = 0; c < table->columnCount(); ++c) texts << table->item(row, c)->text();
        return texts;
    }
};

}  // namespace

class CalibrationAssistantTest : public QObject {
    Q_OBJECT
  private slots:
    void speedometerRecalibratedWithEightMarksAsReviewed() {
        DemoPage f;
        const CalImage before = f.image();
        auto* a = f.Start(1, "0, 20, 40, 60, 80, 100, 120, 140");
        QVERIFY(a);
        QCOMPARE(f.Byte(0x3901), 3);
        // The first mark from the table as it is; each next one extrapolated and nudged.
        DemoPage::Key(a, Qt::Key_PageUp);
        DemoPage::Key(a, Qt::Key_Up, Qt::ShiftModifier);
        f.Settle();
        QCOMPARE(f.Word(0x390D + 17 * kSpeedometer), 101u);  // 10.1 Hz in tenths
        DemoPage::Key(a, Qt::Key_Return);
        for (int k = 1; k < 8; ++k) {
            DemoPage::Key(a, k % 2 ? Qt::Key_Up : Qt::Key_Down);
            DemoPage::Key(a, Qt::Key_Return);
        }
        QVERIFY(a->assistant()->Reviewing());
        QCOMPARE(a->assistant()->KeptCount(), 8);
        QVERIFY(f.image() == before);  // nothing stored before Store
        const QStringList breakpoints = DemoPage::Row(a->mshReview, 0);
        const QStringList drives = DemoPage::Row(a->mshReview, 1);
        QCOMPARE(breakpoints.mid(0, 3), (QStringList{"0", "20", "40"}));
        QCOMPARE(drives.first(), QString("10.1"));

        a->cmdStore->click();
        f.Settle();
        QCOMPARE(f.Byte(0x3901), 0);
        QVERIFY(f.Closed());
        QVERIFY(f.w.ModuleImage() == f.image());
        for (int c = 0; c < 16; ++c) {
            QCOMPARE(QString::fromStdString(f.page().mshFreqTable->cellText(0, c)), breakpoints[c]);
            QCOMPARE(QString::fromStdString(f.page().mshFreqTable->cellText(1, c)), drives[c]);
        }
        QCOMPARE(f.page().mEditUndo->text(), QString("&Undo Calibrate Gauge"));
        // The job sheet prints the stored row.
        const std::string sheet = JobSheetHtml(f.image(), UnitFlags{}, JobSheetHeader{});
        for (const QString& drive : drives)
            QVERIFY2(sheet.find("<td>" + drive.toStdString() + "</td>") != std::string::npos,
                     qPrintable(drive));
        QVERIFY(f.unexpected().isEmpty());
    }

    void everyWayOutStopsLiveCalibration() {
        DemoPage f;
        const CalImage before = f.image();
        // A whole write ends by marking 0x3901 itself: there the assistant must be gone first.
        const struct {
            const char* name;
            std::function<void(FrmCalibrationAssistant*)> way;
            bool zeroAfter;
        } ways[] = {
            {"Cancel", [](FrmCalibrationAssistant* a) { a->cmdCancel->click(); }, true},
            {"Escape", [](FrmCalibrationAssistant* a) { DemoPage::Key(a, Qt::Key_Escape); }, true},
            {"another output's tab", [&](FrmCalibrationAssistant*) { f.SelectTab(0); }, true},
            {"a retrieve", [&](FrmCalibrationAssistant*) { f.window().RetrieveCommand(); }, true},
            {"an update", [&](FrmCalibrationAssistant*) { f.window().UpdateCommand(); }, false},
            {"going offline", [&](FrmCalibrationAssistant*) { f.window().ConnectCommand(); }, true},
        };
        for (const auto& [name, way, zeroAfter] : ways) {
            if (!f.window().online()) f.GoOnline();
            f.SelectTab(kSpeedometer);
            FrmCalibrationAssistant* a = f.Start(1, "0, 100");
            QVERIFY2(a && f.Byte(0x3901) == 3, name);
            way(a);
            f.Settle();
            QVERIFY2(!zeroAfter || f.Byte(0x3901) == 0, name);
            QVERIFY2(f.Closed(), name);
            QVERIFY2(f.image() == before, name);
        }
        // Closing the window.
        f.GoOnline();
        f.SelectTab(kSpeedometer);
        QVERIFY(f.Start(1, "0, 100"));
        f.window().close();
        f.Settle();
        QCOMPARE(f.Byte(0x3901), 0);
        QVERIFY(f.unexpected().isEmpty());
    }

    // The cable pulled while a mark is driven: the next step's write fails and the assistant
    // ends with a word; the writes behind it say nothing more.
    void aPulledCableEndsLiveCalibration() {
        DemoPage f;
        const CalImage before = f.image();
        FrmCalibrationAssistant* a = f.Start(1, "0, 100");
        QVERIFY(a);
        f.w.sim->Unplug(0);
        f.w.prompt.ExpectMessage("The module did not answer a live calibration write");
        DemoPage::Key(a, Qt::Key_Up);
        DemoPage::Key(a, Qt::Key_Up);
        f.Settle();
        QVERIFY(f.Closed());
        QCOMPARE(f.Byte(0x3901), 3);  // cut off, the module was never told
        QVERIFY(f.image() == before);
        QVERIFY(f.unexpected().isEmpty());
    }
};

QTEST_MAIN(CalibrationAssistantTest)
#include "calibration_assistant_test.moc"
