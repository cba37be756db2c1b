// Where the tool's files live, decided in one place.
#include "files/folders.h"

#include <filesystem>
#include <system_error>

#include "base/system_text.h"
#include "files/paths.h"
#include "files/settings.h"

namespace vx42 {

namespace fs = std::filesystem;

namespace {

std::string WithSeparator(const std::string& folder, const char* name) {
    return JoinPath(folder, name) + kPathSeparator;
}

// $variable when set and absolute, else $HOME + fallback; with the application's name.
std::string UserFolder([[maybe_unused]] const char* variable,
                       [[maybe_unused]] const char* fallback) {
#ifdef _WIN32
    const std::string base = LocalAppDataFolder();
    if (base.empty()) return {};
    return JoinPath(base, kApplicationName);
#else
    const auto set = EnvironmentVariable(variable);
    if (set && set->starts_with('/')) return JoinPath(*set, kApplicationName);
    const auto home = EnvironmentVariable("HOME");
    if (!home || home->empty()) return {};
    return JoinPath(JoinPath(*home, fallback), kApplicationName);
#endif
}

}  // namespace

std::string AppFolders::sharedLibraries() const {
    return WithSeparator(shared, "Libraries");
}
std::string AppFolders::userLibraries() const {
    return WithSeparator(userData, "Libraries");
}

AppFolders FoldersFor(const std::string& programFolder, const std::string& userDataFolder,
                      const std::string& userStateFolder) {
    AppFolders folders;
    folders.program = programFolder;
    const fs::path program = PathFromUtf8(programFolder);
    const fs::path share = program.parent_path() / "share" / kSharedDataFolderName;
    std::error_code ec;
    const bool prefix = !programFolder.empty() && fs::is_directory(share, ec);
    const bool marked =
        !programFolder.empty() && fs::is_regular_file(program / kInstalledMarkerName, ec);
    folders.installed = prefix || marked;
    folders.shared = prefix ? Utf8FromPath(share.lexically_normal()) : programFolder;
    // Without a home for the user's folders there is nowhere better than the program folder.
    const bool own = folders.installed && !userDataFolder.empty() && !userStateFolder.empty();
    folders.userData = own ? userDataFolder : programFolder;
    folders.state = own ? userStateFolder : programFolder;
    return folders;
}

AppFolders FoldersFor(const std::string& programFolder) {
    return FoldersFor(programFolder, UserDataFolder(), UserStateFolder());
}

AppFolders ProgramFolders() {
    return FoldersFor(ProgramFolder());
}

std::string UserDataFolder() {
    return UserFolder("XDG_DATA_HOME", ".local/share");
}
std::string UserStateFolder() {
    return UserFolder("XDG_STATE_HOME", ".local/state");
}

}  // namespace vx42
