#pragma once
// The output page on a window over the module simulator, with a library of test messages.
// Helpers type into the page's boxes as a user does and read the image and the simulator's
// memory.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <array>
#include <mutex>
#include <vector>

#include "calibration/cal_image.h"
#include "can/can_message.h"
#include "ui/output/output_page.h"
#include "ui/widgets/entry_box.h"
#include "ui_fixture.h"

namespace vx42::test {

inline CanMessage TestMessage(const char* name, int startByte, int bitLength, double multiplier = 1,
                              std::int32_t offset = 0, const char* unit = "None") {
    CanMessage m;
    m.CanId = 0x123;
    m.Name = name;
    m.Description = std::string("Test ") + name;
    m.DataLength = 8;
    m.StartByte = static_cast<std::uint8_t>(startByte);
    m.BitLength = static_cast<std::uint8_t>(bitLength);
    m.Multiplier = multiplier;
    m.Offset = offset;
    m.Unit = unit;
    return m;
}

struct PageFixture {
    explicit PageFixture(StartupMode mode = StartupMode::Full) : w(mode) {
        CanLibrary lib;
        lib.Name = "Engine";
        lib.Version = "C002";
        lib.Messages = {TestMessage("Coolant", 2, 8, 1, -40, "°C"), TestMessage("Speed", 6, 12),
                        TestMessage("Level", 7, 8), TestMessage("Wide", 0, 16)};
        w.app.libraries.MessageLibraries.push_back(lib);
        SetModuleImage(CalImage{});  // a cleared calibration rather than erased memory
        page().Reload();
        w.window.SetFullLayout();
        w.window.show();
        w.window.activateWindow();
    }

    WindowFixture w;

    // The simulated module's memory.
    std::uint8_t Byte(int address) { return w.sim->Module().Memory()[address]; }
    unsigned Word(int address) { return Byte(address) * 256u + Byte(address + 1); }
    // Changes the module applied through its staging area.
    int Applied() { return w.sim->Module().AppliedChanges(); }
    // Puts a calibration into the module, to be retrieved on connecting.
    void SetModuleImage(const CalImage& image) { w.sim->Module().Write(0x400, image.bytes()); }

    OutputPage& page() { return *w.window.outputPage; }
    FrmMain& window() { return w.window; }
    CalImage& image() { return w.app.image; }
    const OutputCalAddresses& cal(int output) { return CalAddresses().OutputCal.at(output); }

    // Connects (which retrieves the module's calibration) and shows output 1.
    void GoOnline() {
        window().ConnectCommand();
        QVERIFY(WaitIdle(window()));
        QVERIFY(window().online());
    }
    void Settle() { QVERIFY(WaitIdle(window())); }

    void SelectTab(int output) {
        window().TabStrip->setCurrentIndex(output);
        QCOMPARE(page().output(), output);
    }

    // Types the text into an entry box and presses Enter.
    static void Type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        box->clear();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    // Chooses a list entry as a click does.
    static void Choose(QComboBox* combo, const QString& text) {
        const int index = combo->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void SelectMessage(int dataIndex, const QString& message) {
        Choose(page().cmbLibrary[dataIndex], "Engine");
        Choose(page().cmbMessage[dataIndex], message);
    }

    QString unexpected() const { return w.unexpected(); }
};

// A page fixture already connected, its calibration retrieved.
struct OnlinePage : PageFixture {
    explicit OnlinePage(StartupMode mode = StartupMode::Full) : PageFixture(mode) { GoOnline(); }
};

}  // namespace vx42::test
