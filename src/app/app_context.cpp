// What the windows share for one run of the program, made from its start-up.
#include "app/app_context.h"

#include "files/paths.h"

namespace vx42 {

AppContext::AppContext(StartupMode mode_, std::string programFolder_, Prompt& prompt_,
                       SettingsStore& store_)
    : mode(mode_),
      programFolder(std::move(programFolder_)),
      folders(FoldersFor(programFolder)),
      versionText(VersionTextFor(mode_)),
      prompt(prompt_),
      store(store_),
      settings(LoadSettings(store_, folders.shared, DocumentsFolder())),
      log(folders.state) {
    files.VersionText = versionText;
    files.StartTitle();
}

std::string AppContext::libraryFolder() const {
    return folders.userLibraries();
}

LibraryFolders AppContext::libraryFolders() const {
    return {folders.sharedLibraries(), folders.userLibraries()};
}

std::string AppContext::presetsPath() const {
    return JoinPath(folders.shared, "GaugePresets.CFG");
}

}  // namespace vx42
