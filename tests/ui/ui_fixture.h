#pragma once
// A main window on a scripted prompt, an in-memory settings store and a temporary program
// folder, for window tests.

#include <QApplication>
#include <QTest>

#include <memory>

#include "app/qt/app_context.h"
#include "app/qt/module_service.h"
#include "app/scripted_prompt.h"
#include "files/settings.h"
#include "support/temp_dir.h"
#include "ui/frm_main.h"

namespace vx42::test {

// Waits, with events processed, until the window has no command running.
inline bool WaitIdle(FrmMain& w, int timeoutMs = 20000) {
    return QTest::qWaitFor([&] { return !w.busy() && w.link().pending() == 0; }, timeoutMs);
}

struct WindowFixture {
    explicit WindowFixture(ModuleService& module, StartupMode mode = StartupMode::Full)
        : app(mode, folder.str(), prompt, store), window(app, module) {}

    TempDir folder;
    ScriptedPrompt prompt;
    MemorySettingsStore store;
    AppContext app;
    FrmMain window;

    // The unplanned dialogs, one per line (empty when every dialog was scripted).
    QString unexpected() const {
        QStringList out;
        for (const auto& u : prompt.Unexpected()) out << QString::fromStdString(u);
        return out.join('\n');
    }
};

}  // namespace vx42::test
