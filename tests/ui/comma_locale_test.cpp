// The window on a desktop that writes decimals with a comma: the same steps leave the same
// bytes in the module as on any other desktop, and a typed comma is refused.

#include "support/comma_locale.h"

#include <QLocale>
#include <vector>

#include "ui_fixture.h"

namespace {

// Decimal steps an installer takes: the shipped "Fuel Level 0-5 V" preset on output 1, a
// frequency of 62.5 Hz on output 2, a switch point of 12.5 on a message scaled by 0.125 on
// output 3. Leaves the module's whole memory afterwards in `memory`.
void DecimalSteps(std::vector<std::uint8_t>& memory) {
    PageFixture f;
    f.app.libraries.MessageLibraries.back().Messages.push_back(
        test::TestMessage("Pressure", 4, 16, 0.125));
    OutputPage& p = f.page();
    p.Reload();
    f.ListPresets(
        ReadGaugePresets(std::string(VX42_SOURCE_DIR) + "/data/GaugePresets.CFG", f.prompt));
    f.Connect();
    const QString fuel = "Fuel Level 0-5 V - FG-0500-A";
    PageFixture::Choose(p.cmbPresets, fuel);
    f.Settle();
    // The preset still matches what was written: its decimals were read as written.
    QCOMPARE(p.cmbPresets->currentText(), fuel);

    f.SelectTab(1);
    p.optType[2]->click();
    PageFixture::Type(p.txtPeriod, "62.5");
    f.Settle();
    QCOMPARE(p.txtPeriod->text(), QString("62.50"));
    // A comma is refused with the tables' message, and nothing is written.
    f.prompt.ExpectMessage("\"62,7\" is not a number");
    PageFixture::Type(p.txtPeriod, "62,7");
    f.Settle();
    QCOMPARE(f.Word(f.cal(1).Period), 0x3E80u);  // 16000 tenths of a hertz
    QCOMPARE(p.txtPeriod->text(), QString("62,7"));
    QVERIFY(p.txtPeriod->hasFocus());

    f.SelectTab(2);
    p.optType[3]->click();
    f.SelectMessage(0, "Pressure");
    if (!p.chkFormatCAN->isChecked()) p.chkFormatCAN->click();  // switch points in its units
    PageFixture::Type(p.txtOnA[0], "12.5");
    f.Settle();
    QCOMPARE(f.Word(f.cal(2).PrimaryBlock), 100u);  // 12.5 / 0.125
    memory.assign(f.Held().Memory().begin(), f.Held().Memory().end());
}

}  // namespace

class CommaLocaleTest : public QObject {
    Q_OBJECT
  private slots:
    void decimalStepsWriteTheSameBytes() {
        std::vector<std::uint8_t> plain, comma;
        DecimalSteps(plain);
        if (QTest::currentTestFailed()) return;
        {
            test::CommaLocale locale;
            if (!locale.active()) QSKIP(locale.reason().c_str());
            const QLocale before;
            QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
            DecimalSteps(comma);
            QLocale::setDefault(before);
        }
        QVERIFY(comma == plain);
    }
};

QTEST_MAIN(CommaLocaleTest)
#include "comma_locale_test.moc"
