// The calibration assistant's window over the output page: the speedometer of the
// demonstration calibration recalibrated with eight marks reaches the module byte for byte as
// the review showed it, and every way out of the assistant stops live calibration. The marks,
// guesses and store rule are the assistant's own, tested where they live.

#include "ui/output/calibration_assistant.h"

#include <QTableWidget>

#include "ui_fixture.h"

namespace {

constexpr int kSpeedometer = 2;  // output 3 of the demonstration calibration
constexpr int kLiveOutput = 0x3901;

// The demonstration calibration in the module, online.
struct DemoPage : test::DemoWindow {
    DemoPage() {
        window.SetFullLayout();
        Connect();
    }
    // "Calibrate Gauge..." of the speedometer's frequency table, then the marks typed and
    // started.
    FrmCalibrationAssistant* Start(const QString& marks) {
        SelectTab(kSpeedometer);
        test::FindIndexed<QPushButton>(page(), "cmdCalibrateAssistant", 1)->click();
        auto* assistant = window.findChild<FrmCalibrationAssistant*>();
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
        return !window.findChild<FrmCalibrationAssistant*>();
    }
};

}  // namespace

class CalibrationAssistantTest : public QObject {
    Q_OBJECT
  private slots:
    void speedometerRecalibratedWithEightMarksAsReviewed() {
        DemoPage f;
        const CalImage before = f.image();
        auto* a = f.Start("0, 20, 40, 60, 80, 100, 120, 140");
        QVERIFY(a);
        QCOMPARE(f.Byte(kLiveOutput), 3);
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
        QVERIFY(f.image() == before);  // nothing stored before Store
        QStringList review[2];
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < a->mshReview->columnCount(); ++c)
                review[r] << a->mshReview->item(r, c)->text();
        QCOMPARE(review[1].first(), QString("10.1"));

        a->cmdStore->click();
        f.Settle();
        QCOMPARE(f.Byte(kLiveOutput), 0);
        QVERIFY(f.Closed());
        QVERIFY(f.ModuleImage() == f.image());
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 16; ++c)
                QCOMPARE(QString::fromStdString(f.page().mshFreqTable->cellText(r, c)),
                         review[r][c]);
        QCOMPARE(f.page().mEditUndo->text(), QString("&Undo Calibrate Gauge"));
    }

    void everyWayOutStopsLiveCalibration() {
        DemoPage f;
        const CalImage before = f.image();
        using Way = std::function<void(FrmCalibrationAssistant*)>;
        // A whole write ends by marking 0x3901 itself: there the assistant must be gone first.
        const struct {
            const char* name;
            Way way;
            bool zeroAfter;
        } ways[] = {
            {"Cancel", [](FrmCalibrationAssistant* a) { a->cmdCancel->click(); }, true},
            {"Escape", [](FrmCalibrationAssistant* a) { DemoPage::Key(a, Qt::Key_Escape); }, true},
            {"another output's tab", [&](FrmCalibrationAssistant*) { f.SelectTab(0); }, true},
            {"a retrieve", [&](FrmCalibrationAssistant*) { f.window.RetrieveCommand(); }, true},
            {"an update", [&](FrmCalibrationAssistant*) { f.window.UpdateCommand(); }, false},
            {"going offline", [&](FrmCalibrationAssistant*) { f.window.ConnectCommand(); }, true},
            {"closing the window", [&](FrmCalibrationAssistant*) { f.window.close(); }, true},
        };
        for (const auto& [name, way, zeroAfter] : ways) {
            if (!f.window.online()) f.Connect();
            FrmCalibrationAssistant* a = f.Start("0, 100");
            QVERIFY2(a && f.Byte(kLiveOutput) == 3, name);
            way(a);
            f.Settle();
            QVERIFY2(!zeroAfter || f.Byte(kLiveOutput) == 0, name);
            QVERIFY2(f.Closed(), name);
            QVERIFY2(f.image() == before, name);
        }
    }

    // The cable pulled while a mark is driven: the next step's write fails and the assistant
    // ends with a word; the writes behind it say nothing more.
    void aPulledCableEndsLiveCalibration() {
        DemoPage f;
        const CalImage before = f.image();
        FrmCalibrationAssistant* a = f.Start("0, 100");
        QVERIFY(a);
        f.sim->Unplug(0);
        f.prompt.ExpectMessage("The module did not answer a live calibration write");
        DemoPage::Key(a, Qt::Key_Up);
        DemoPage::Key(a, Qt::Key_Up);
        f.Settle();
        QVERIFY(f.Closed());
        QCOMPARE(f.Byte(kLiveOutput), 3);  // cut off, the module was never told
        QVERIFY(f.image() == before);
    }
};

QTEST_MAIN(CalibrationAssistantTest)
#include "calibration_assistant_test.moc"
