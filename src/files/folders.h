#pragma once
// Where the tool's files live, decided in one place.
//
// Run from its build folder, everything sits beside the programs: the shipped data is read
// there and what the tool writes (the user's own library, imported libraries, the error log)
// goes there too. Installed, the programs sit in PREFIX/bin, which the user cannot write, and
// the shipped data in PREFIX/share/vx42-configurator; or, as the Windows installer lays them
// out, the programs and the shipped data share one folder that holds the installed marker.
// What the tool writes then goes to the user's own folders by the platform's conventions.

#include <string>

namespace vx42 {

// The folder under PREFIX/share that holds the shipped data of an installed tool.
inline constexpr const char* kSharedDataFolderName = "vx42-configurator";
// The file an installer puts beside the programs when the shipped data lies beside them too
// (the Windows installer's single folder): that folder is an installed copy, not a build.
inline constexpr const char* kInstalledMarkerName = "vx42-configurator.installed";

struct AppFolders {
    std::string program;   // the running executable's folder
    std::string shared;    // read: Libraries/, GaugePresets.CFG, Demo.DVF, Firmware/, Instructions/
    std::string userData;  // written: Libraries/ (the user's library, imports), upgrade files
    std::string state;     // written: Error Logs/
    bool installed = false;

    // The shipped message libraries, and the folder the user's libraries are written to
    // (the same folder when run from the build folder); each with a trailing separator.
    std::string sharedLibraries() const;
    std::string userLibraries() const;
};

// The folders for a program folder: installed when PREFIX/share/vx42-configurator exists
// beside the program folder PREFIX/bin (the shipped data read there), or when the program
// folder holds the installed marker (the shipped data read beside the programs); with the
// user's folders given.
AppFolders FoldersFor(const std::string& programFolder, const std::string& userDataFolder,
                      const std::string& userStateFolder);
// The folders for a program folder, with this user's own folders.
AppFolders FoldersFor(const std::string& programFolder);
// The folders of the running program.
AppFolders ProgramFolders();

// The user's own folders for this application, without a trailing separator. Linux:
// $XDG_DATA_HOME (else ~/.local/share) and $XDG_STATE_HOME (else ~/.local/state), each with
// the application's name once; Windows: the local application-data folder for both. Empty
// when the user's home cannot be determined.
std::string UserDataFolder();
std::string UserStateFolder();

}  // namespace vx42
