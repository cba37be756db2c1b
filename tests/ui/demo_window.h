#pragma once
// A main window over the demonstration calibration: the module holds it, the example library
// defines its messages, and the restore points go to a folder of the test's own. Tests that
// use it are given VX42_DEMO_DVF and VX42_SOURCE_DIR.

#include <QComboBox>
#include <QListWidget>
#include <string>
#include <vector>

#include "can/library_json.h"
#include "support/demo_calibration.h"
#include "support/files_bytes.h"
#include "ui_fixture.h"

namespace vx42::test {

// The example library, which defines the demonstration calibration's messages.
inline CanLibrary ExampleLibrary() {
    return ReadLibraryJsonFile(std::string(VX42_SOURCE_DIR) + "/data/libraries/SAE_J1939.json");
}

struct DemoWindow : WindowFixture {
    DemoWindow() {
        window.keeper() = RestoreKeeper(history.str(), 200);
        app.libraries.MessageLibraries.push_back(ExampleLibrary());
        sim->Module().Write(kCalBaseAddress, DemoCalibration().bytes());
    }
    void Connect() {
        ToggleConnection();
        QVERIFY(window.online());
    }
    // The module's restore points: none while it has no history.
    ModuleHistory Kept() {
        return window.keeper().store()->Module(module.DeviceSerial()).value_or(ModuleHistory{});
    }
    // The events of the module's restore points, oldest first.
    std::vector<std::string> Events() {
        std::vector<std::string> out;
        for (const auto& e : Kept().entries) out.push_back(e.event);
        return out;
    }
    CalImage Newest() {
        const auto m = Kept();
        return m.entries.empty() ? CalImage{} : window.keeper().store()->Load(m, m.entries.back());
    }
    // The frames of staged changes the module received (the target step of each).
    int StagedChanges() {
        int n = 0;
        for (const auto& f : sim->Log())
            n += f.request.size() > 3 && f.request[0] == 'W' &&
                 ((f.request[1] << 8) | f.request[2]) == address::StagingTarget;
        return n;
    }
    test::TempDir history;
};

// A list's entries, top to bottom.
inline QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}
inline QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
}

}  // namespace vx42::test
