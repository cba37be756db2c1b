// Paths as the dialogs take them, the folders the tool reads and writes, files in folders with
// names beyond ASCII, and the settings.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/scripted_prompt.h"
#include "base/system_text.h"
#include "files/file_io.h"
#include "files/folders.h"
#include "files/paths.h"
#include "files/settings.h"
#include "support/files_bytes.h"
#include "support/saved_environment.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::FileBytes;

const std::string S(1, kPathSeparator);

// Windows takes "\" and "/" alike (Qt's dialogs give "/" there too); elsewhere "\" is an
// ordinary file-name character.
TEST(Paths, SplitAPathLikeTheDialogsNeedInEitherStyle) {
    constexpr auto W = PathStyle::Windows;
    constexpr auto P = PathStyle::Posix;
    const struct {
        const char* path;
        PathStyle style;
        const char *folder, *name;
    } cases[] = {
        {"C:/Cal/truck.DVF", W, "C:/Cal/", "truck.DVF"},
        {"C:\\Cal\\truck.DVF", W, "C:\\Cal\\", "truck.DVF"},
        {"C:\\Cal/sub\\truck.DVF", W, "C:\\Cal/sub\\", "truck.DVF"},  // the last of either
        {"C:\\Cal\\sub/truck.DVF", W, "C:\\Cal\\sub/", "truck.DVF"},
        {"truck.DVF", W, "", ""},
        {"truck.DVF", P, "", ""},
        {"a.b", P, "", "a.b"},  // three characters: the whole is the name
        {"/home/me/a\\b.DVF", P, "/home/me/", "a\\b.DVF"},
        {"C:\\Cal\\truck.DVF", P, "", ""},
        {"/home/me/truck.DVF", P, "/home/me/", "truck.DVF"},
        // Names beyond ASCII split only at separators.
        {"/home/jürgen/Größe €/Lkw_Öl.DVF", P, "/home/jürgen/Größe €/", "Lkw_Öl.DVF"},
        {"/home/jürgen/Größe €/Lkw_Öl.DVF", W, "/home/jürgen/Größe €/", "Lkw_Öl.DVF"},
        {"C:\\Größe\\Öl.DVF", W, "C:\\Größe\\", "Öl.DVF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderOfPath(c.path, c.style), c.folder);
        EXPECT_EQ(FileNameOfPath(c.path, c.style), c.name);
        // A dialog's answer is a choice exactly when it has a folder part.
        EXPECT_EQ(IsChosenPath(std::string(c.path), c.style), *c.folder != '\0');
    }
    EXPECT_FALSE(IsChosenPath(std::nullopt, W));
    EXPECT_EQ(FolderOfPath(S + "ab"), "");  // three characters

    EXPECT_EQ(ExtensionOfPath("firmware.rom"), "rom");
    EXPECT_EQ(ExtensionOfPath(".rom"), ".rom");  // the dot is the first character
    EXPECT_EQ(ExtensionOfPath("ab"), "ab");
    EXPECT_EQ(ExtensionOfPath("noext"), "noext");
    EXPECT_EQ(ExtensionOfPath("/home/jürgen/Größe €/Lkw_Öl.DVF"), "DVF");
    EXPECT_EQ(JoinPath("dir", "f"), "dir" + S + "f");
    EXPECT_EQ(JoinPath("dir" + S, "f"), "dir" + S + "f");
}

#ifndef _WIN32
TEST(Paths, DocumentsFolderFollowsTheUserDirectories) {
    test::TempDir home;
    test::SavedEnvironment saved{"HOME", "XDG_CONFIG_HOME"};
    test::SavedEnvironment::Set("HOME", home.str().c_str());
    test::SavedEnvironment::Set("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(DocumentsFolder(), home.str() + "/Documents/");
    fs::create_directories(home.path() / ".config");
    std::ofstream(home.path() / ".config" / "user-dirs.dirs")
        << "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
    EXPECT_EQ(DocumentsFolder(), home.str() + "/Dokumente/");
}
#endif

TEST(Paths, DialogsStartInAnExistingFolder) {
    test::TempDir dir;
    const std::string made = dir.file("VX42") + S + "Calibrations";
    const std::string gone = dir.file("gone") + S + "deeper" + S;
    std::ofstream(dir.file("plain")) << "x";
    EXPECT_EQ(DialogStartFolder(dir.str(), false), dir.str());
    EXPECT_EQ(DialogStartFolder(gone, false), dir.str());  // the nearest parent; nothing made
    EXPECT_FALSE(fs::exists(dir.file("gone")));
    EXPECT_EQ(DialogStartFolder(made, true), made);
    EXPECT_TRUE(fs::is_directory(made));
    // A file in the way: the folder cannot be made, so the dialog starts beside it.
    EXPECT_EQ(DialogStartFolder(dir.file("plain") + S + "sub", true), dir.str());
    EXPECT_EQ(DialogStartFolder("", true), "");
    EXPECT_EQ(DialogStartFolder("no-such-relative-folder" + S + "x", false), "");
}

TEST(Settings, FirstRunGivesTheDefaultsAndTheStoreKeepsWhatIsSaved) {
    MemorySettingsStore store;
    Settings s =
        LoadSettings(store, S + "opt" + S + "vx42", S + "home" + S + "me" + S + "Documents" + S);
    EXPECT_EQ(s.LibraryPath, S + "opt" + S + "vx42" + S + "Libraries");
    EXPECT_EQ(s.FirmwarePath, S + "opt" + S + "vx42" + S + "Firmware");
    EXPECT_EQ(s.CalibrationPath,
              S + "home" + S + "me" + S + "Documents" + S + "VX42" + S + "Calibrations");
    EXPECT_EQ(s.Units, UnitFlags{});

    s.Units.MetricFlow = true;
    s.Units.MetricTemperature = false;
    s.CalibrationPath = "cal/";
    SaveSettings(store, s);
    EXPECT_EQ(std::tuple(store.Get("Units", "Flow"), store.Get("Units", "Temperature")),
              std::tuple("True", "False"));
    const Settings back = LoadSettings(store, "other", "other/");
    EXPECT_EQ(std::tuple(back.Units.MetricFlow, back.Units.MetricTemperature, back.CalibrationPath,
                         back.LibraryPath),
              std::tuple(true, false, "cal/", s.LibraryPath));
}

TEST(Settings, TextToBoolReadsWordsAndNumbers) {
    for (const char* yes : {"True", " true ", "-1"}) EXPECT_TRUE(TextToBool(yes, false)) << yes;
    for (const char* no : {"FALSE", "0"}) EXPECT_FALSE(TextToBool(no, true)) << no;
    EXPECT_TRUE(TextToBool("maybe", true));
}

TEST(Settings, ImportCopiesTheLibraryOverTheOldAndRemembersItsFolderExactly) {
    test::TempDir program, source;
    const fs::path folder = source.path() / PathFromUtf8("Bibliothèques für Öl");
    fs::create_directories(folder);
    const std::string chosen = Utf8FromPath(folder / PathFromUtf8("Ölpumpe.DVM"));
    std::ofstream(PathFromUtf8(chosen), std::ios::binary) << "new library";
    const std::string libraries = JoinPath(program.str(), "Libraries");
    fs::create_directories(PathFromUtf8(libraries));
    std::ofstream(PathFromUtf8(JoinPath(libraries, "Ölpumpe.DVM"))) << "old";
    MemorySettingsStore store;
    Settings s = LoadSettings(store, program.str(), "");
    ScriptedPrompt prompt;
    prompt.AnswerOpenFile(std::nullopt);
    EXPECT_FALSE(ImportLibraryFile(prompt, s, store, libraries));
    prompt.AnswerOpenFile(chosen);
    EXPECT_TRUE(ImportLibraryFile(prompt, s, store, libraries));
    EXPECT_TRUE(prompt.Unexpected().empty());
    EXPECT_EQ(prompt.Calls()[0].dialog.filter, "Dialvane Message Library (*.DVM)|*.DVM");
    EXPECT_EQ(FileBytes(JoinPath(libraries, "Ölpumpe.DVM")), FileBytes(chosen));  // "new library"
    EXPECT_EQ(s.LibraryPath, Utf8FromPath(folder) + S);
    EXPECT_EQ(store.Get("Paths", "LibraryPath"), Utf8FromPath(folder) + S);

    prompt.AnswerOpenFile(source.file("gone.DVM"));
    EXPECT_THROW(ImportLibraryFile(prompt, s, store, libraries), FileError);
}

TEST(FileIo, RenameWithoutReplacingLeavesATakenNameAlone) {
    test::TempDir dir;
    const std::string from = dir.file("User_Defined.DVM"), to = dir.file("User_Defined_Old.DVM");
    WriteFileAtomic(from, Bytes{1});
    WriteFileAtomic(to, Bytes{2});
    EXPECT_FALSE(RenameWithoutReplacing(from, to));
    EXPECT_EQ(FileBytes(from), Bytes{1});
    EXPECT_EQ(FileBytes(to), Bytes{2});
    const std::string free = dir.file("User_Defined_Old_2.DVM");
    EXPECT_TRUE(RenameWithoutReplacing(from, free));
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(FileBytes(free), Bytes{1});
}

// Every step from a UTF-8 folder name to the disk and back keeps the name exactly.
TEST(FileIo, ANonAsciiFolderIsCreatedWrittenReadAndListed) {
    test::TempDir dir;
    const std::string folder = JoinPath(dir.str(), "Müller/Données/数据");
    EXPECT_EQ(DialogStartFolder(folder, true), folder);
    EXPECT_EQ(DialogStartFolder(JoinPath(folder, "Ölwanne"), false), folder);

    const std::string file = JoinPath(folder, "Réglage №2.DVF");
    WriteFileAtomic(file, Bytes{1, 2, 3});
    WriteFileAtomic(file, Bytes{4, 5});
    EXPECT_EQ(std::tuple(FileExists(file), FileLength(file), FileBytes(file)),
              std::tuple(true, 2u, Bytes{4, 5}));
    // Neither throws for what is missing or no file.
    EXPECT_EQ(std::tuple(FileExists(file + "x"), FileLength(file + "x"), FileExists(folder)),
              std::tuple(false, 0u, false));

    std::vector<std::string> listed;
    for (const auto& entry : fs::directory_iterator(PathFromUtf8(folder)))
        listed.push_back(Utf8FromPath(entry.path().filename()));
    EXPECT_EQ(listed, std::vector<std::string>{"Réglage №2.DVF"});
    const std::string renamed = JoinPath(folder, "Réglage №3.DVF");
    EXPECT_TRUE(RenameWithoutReplacing(file, renamed));
    EXPECT_EQ(FileBytes(renamed), (Bytes{4, 5}));
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

// From the build folder everything is beside the programs; installed in one folder, the
// marker sends the writes to the user's folders.
TEST(Folders, OneFolderKeepsEverythingBesideTheProgramsUnlessMarkedInstalled) {
    for (const bool marked : {false, true}) {
        test::TempDir dir;
        const std::string bin = Utf8FromPath(dir.path());
        if (marked) std::ofstream(dir.path() / kInstalledMarkerName) << "installed\n";
        const AppFolders folders = FoldersFor(bin, "/home/me/data", "/home/me/state");
        EXPECT_EQ(std::tuple(folders.installed, folders.shared, folders.userData, folders.state),
                  marked ? std::tuple(true, bin, std::string("/home/me/data"),
                                      std::string("/home/me/state"))
                         : std::tuple(false, bin, bin, bin));
        EXPECT_EQ(folders.sharedLibraries(), JoinPath(bin, "Libraries") + kPathSeparator);
        if (!marked) {
            EXPECT_EQ(folders.userLibraries(), folders.sharedLibraries());
        }
    }
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
