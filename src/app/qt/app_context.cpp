#include "app/qt/app_context.h"

#include "files/paths.h"

namespace vx42 {

AppContext::AppContext(StartupMode mode_, std::string programFolder_, Prompt& prompt_,
                       SettingsStore& store_)
    : mode(mode_),
      programFolder(std::move(programFolder_)),
      versionText(VersionTextFor(mode_)),
      prompt(prompt_),
      store(store_),
      settings(LoadSettings(store_, programFolder, DocumentsFolder())),
      log(programFolder) {
    files.VersionText = versionText;
    files.StartTitle();
}

std::string AppContext::libraryFolder() const {
    return JoinPath(programFolder, "Libraries") + kPathSeparator;
}

std::string AppContext::presetsPath() const { return JoinPath(programFolder, "GaugePresets.CFG"); }

}  // namespace vx42
