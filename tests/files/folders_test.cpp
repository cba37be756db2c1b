// Where the tool reads and writes: beside the programs in the build folder, the shipped data
// and the user's own folders when installed.

#include "files/folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "files/paths.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

namespace fs = std::filesystem;

TEST(Folders, FromTheBuildFolderEverythingIsBesideThePrograms) {
    test::TempDir build;
    const std::string bin = (build.path() / "bin").string();
    fs::create_directories(bin);
    const AppFolders folders = FoldersFor(bin, "/home/me/data", "/home/me/state");
    EXPECT_FALSE(folders.installed);
    EXPECT_EQ(folders.shared, bin);
    EXPECT_EQ(folders.userData, bin);
    EXPECT_EQ(folders.state, bin);
    EXPECT_EQ(folders.sharedLibraries(), JoinPath(bin, "Libraries") + kPathSeparator);
    EXPECT_EQ(folders.userLibraries(), folders.sharedLibraries());
}

TEST(Folders, InstalledTheSharedDataAndTheUsersFoldersAreApart) {
    test::TempDir prefix;
    const fs::path share = prefix.path() / "share" / "vx42-configurator";
    fs::create_directories(share);
    fs::create_directories(prefix.path() / "bin");
    const std::string bin = (prefix.path() / "bin").string();
    AppFolders folders = FoldersFor(bin, "/home/me/data", "/home/me/state");
    EXPECT_TRUE(folders.installed);
    EXPECT_EQ(folders.program, bin);
    EXPECT_EQ(folders.shared, share.string());
    EXPECT_EQ(folders.userData, "/home/me/data");
    EXPECT_EQ(folders.state, "/home/me/state");
    EXPECT_EQ(folders.userLibraries(), "/home/me/data/Libraries/");
    EXPECT_EQ(folders.sharedLibraries(), (share / "Libraries").string() + "/");

    // With no home for the user's folders the writes stay where they always were.
    folders = FoldersFor(bin, "", "");
    EXPECT_EQ(folders.shared, share.string());
    EXPECT_EQ(folders.userData, bin);
    EXPECT_EQ(folders.state, bin);
}

// Restores an environment variable when the test ends.
class SavedVariable {
  public:
    explicit SavedVariable(const char* name) : name_(name) {
        const char* v = std::getenv(name);
        if (v) value_ = v;
        set_ = v != nullptr;
    }
    ~SavedVariable() {
        if (set_) setenv(name_, value_.c_str(), 1);
        else unsetenv(name_);
    }

  private:
    const char* name_;
    std::string value_;
    bool set_ = false;
};

TEST(Folders, TheUsersFoldersNameTheApplicationOnce) {
    SavedVariable home("HOME"), data("XDG_DATA_HOME"), state("XDG_STATE_HOME");
    setenv("HOME", "/home/me", 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(UserDataFolder(), "/home/me/.local/share/Kestrane Dialvane");
    EXPECT_EQ(UserStateFolder(), "/home/me/.local/state/Kestrane Dialvane");
    setenv("XDG_DATA_HOME", "/srv/data", 1);
    setenv("XDG_STATE_HOME", "relative/state", 1);  // not absolute: ignored
    EXPECT_EQ(UserDataFolder(), "/srv/data/Kestrane Dialvane");
    EXPECT_EQ(UserStateFolder(), "/home/me/.local/state/Kestrane Dialvane");
    unsetenv("HOME");
    EXPECT_EQ(UserStateFolder(), "");
}

}  // namespace
}  // namespace vx42
