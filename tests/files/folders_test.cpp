// Where the tool reads and writes: beside the programs in the build folder, the shipped data
// and the user's own folders when installed (in the PREFIX layout, or in one marked folder).

#include "files/folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "files/paths.h"
#include "support/saved_environment.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

namespace fs = std::filesystem;

TEST(Folders, FromTheBuildFolderEverythingIsBesideThePrograms) {
    test::TempDir build;
    const std::string bin = (build.path() / "bin").string();
    fs::create_directories(bin);
    const AppFolders folders = FoldersFor(bin, "/home/me/data", "/home/me/state");
    EXPECT_EQ(std::tuple(folders.installed, folders.shared, folders.userData, folders.state),
              std::tuple(false, bin, bin, bin));
    EXPECT_EQ(folders.sharedLibraries(), JoinPath(bin, "Libraries") + kPathSeparator);
    EXPECT_EQ(folders.userLibraries(), folders.sharedLibraries());
}

TEST(Folders, InstalledTheSharedDataAndTheUsersFoldersAreApart) {
    test::TempDir prefix;
    const fs::path share = prefix.path() / "share" / "vx42-configurator";
    fs::create_directories(share);
    fs::create_directories(prefix.path() / "bin");
    const std::string bin = Utf8FromPath(prefix.path() / "bin");
    AppFolders folders = FoldersFor(bin, "/home/me/data", "/home/me/state");
    EXPECT_EQ(std::tuple(folders.installed, folders.program, folders.shared, folders.userData,
                         folders.state),
              std::tuple(true, bin, Utf8FromPath(share), "/home/me/data", "/home/me/state"));
    const char sep = kPathSeparator;
    EXPECT_EQ(folders.userLibraries(), std::string("/home/me/data") + sep + "Libraries" + sep);
    EXPECT_EQ(folders.sharedLibraries(), Utf8FromPath(share / "Libraries") + sep);

    // With no home for the user's folders the writes stay where they always were.
    folders = FoldersFor(bin, "", "");
    EXPECT_EQ(std::tuple(folders.shared, folders.userData, folders.state),
              std::tuple(Utf8FromPath(share), bin, bin));
}

TEST(Folders, InstalledInOneFolderTheMarkerSendsTheWritesToTheUsersFolders) {
    test::TempDir install;
    const std::string folder = Utf8FromPath(install.path());
    std::ofstream(install.path() / kInstalledMarkerName) << "installed\n";
    const AppFolders folders = FoldersFor(folder, "/home/me/data", "/home/me/state");
    EXPECT_EQ(std::tuple(folders.installed, folders.shared, folders.userData, folders.state),
              std::tuple(true, folder, "/home/me/data", "/home/me/state"));
}

#ifndef _WIN32
TEST(Folders, TheUsersFoldersNameTheApplicationOnce) {
    using test::SavedEnvironment;
    SavedEnvironment saved{"HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"};
    SavedEnvironment::Set("HOME", "/home/me");
    SavedEnvironment::Set("XDG_DATA_HOME", nullptr);
    SavedEnvironment::Set("XDG_STATE_HOME", nullptr);
    EXPECT_EQ(UserDataFolder(), "/home/me/.local/share/Kestrane Dialvane");
    EXPECT_EQ(UserStateFolder(), "/home/me/.local/state/Kestrane Dialvane");
    SavedEnvironment::Set("XDG_DATA_HOME", "/srv/data");
    SavedEnvironment::Set("XDG_STATE_HOME", "relative/state");  // not absolute: ignored
    EXPECT_EQ(UserDataFolder(), "/srv/data/Kestrane Dialvane");
    EXPECT_EQ(UserStateFolder(), "/home/me/.local/state/Kestrane Dialvane");
    SavedEnvironment::Set("HOME", nullptr);
    EXPECT_EQ(UserStateFolder(), "");
}
#endif

}  // namespace
}  // namespace vx42
