#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/scripted_prompt.h"
#include "files/file_io.h"
#include "files/paths.h"
#include "files/settings.h"
#include "support/saved_environment.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

const std::string S(1, kPathSeparator);

TEST(Paths, SplitAPathLikeTheDialogsNeed) {
    const std::string full = S + "home" + S + "me" + S + "Cal" + S + "truck.DVF";
    EXPECT_EQ(FolderOfPath(full), S + "home" + S + "me" + S + "Cal" + S);
    EXPECT_EQ(FileNameOfPath(full), "truck.DVF");
    EXPECT_EQ(FolderOfPath("a.b"), "");
    EXPECT_EQ(FileNameOfPath("a.b"), "a.b");
    EXPECT_EQ(FolderOfPath("truck.DVF"), "");
    EXPECT_EQ(FileNameOfPath("truck.DVF"), "");
    EXPECT_EQ(FolderOfPath(S + "ab"), "");  // three characters
    EXPECT_EQ(ExtensionOfPath("firmware.rom"), "rom");
    EXPECT_EQ(ExtensionOfPath(".rom"), ".rom");  // the dot is the first character
    EXPECT_EQ(ExtensionOfPath("ab"), "ab");
    EXPECT_EQ(ExtensionOfPath("noext"), "noext");
    EXPECT_EQ(ExtensionOfPath("/home/jürgen/Größe €/Lkw_Öl.DVF"), "DVF");
    EXPECT_EQ(JoinPath("dir", "f"), "dir" + S + "f");
    EXPECT_EQ(JoinPath("dir" + S, "f"), "dir" + S + "f");
}

// Windows takes "\" and "/" alike (Qt's dialogs give "/" there too); elsewhere "\" is an
// ordinary file-name character.
TEST(Paths, SeparatorsFollowThePlatformStyle) {
    constexpr auto W = PathStyle::Windows;
    constexpr auto P = PathStyle::Posix;
    struct Case {
        const char* path;
        PathStyle style;
        const char* folder;
        const char* name;
    };
    const Case cases[] = {
        {"C:/Cal/truck.DVF", W, "C:/Cal/", "truck.DVF"},
        {"C:\\Cal\\truck.DVF", W, "C:\\Cal\\", "truck.DVF"},
        {"C:\\Cal/sub\\truck.DVF", W, "C:\\Cal/sub\\", "truck.DVF"},  // the last of either
        {"C:\\Cal\\sub/truck.DVF", W, "C:\\Cal\\sub/", "truck.DVF"},
        {"truck.DVF", W, "", ""},
        {"/home/me/a\\b.DVF", P, "/home/me/", "a\\b.DVF"},
        {"C:\\Cal\\truck.DVF", P, "", ""},
        {"/home/me/truck.DVF", P, "/home/me/", "truck.DVF"},
        // Names beyond ASCII split only at separators.
        {"/home/jürgen/Größe €/Lkw_Öl.DVF", P, "/home/jürgen/Größe €/", "Lkw_Öl.DVF"},
        {"/home/jürgen/Größe €/Lkw_Öl.DVF", W, "/home/jürgen/Größe €/", "Lkw_Öl.DVF"},
        {"C:\\Größe\\Öl.DVF", W, "C:\\Größe\\", "Öl.DVF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderOfPath(c.path, c.style), c.folder);
        EXPECT_EQ(FileNameOfPath(c.path, c.style), c.name);
        // A dialog's answer is a choice exactly when it has a folder part.
        EXPECT_EQ(IsChosenPath(std::string(c.path), c.style), *c.folder != '\0');
    }
    EXPECT_FALSE(IsChosenPath(std::nullopt, W));
}

#ifndef _WIN32
TEST(Paths, DocumentsFolderFollowsTheUserDirectories) {
    test::TempDir home;
    test::SavedEnvironment saved{"HOME", "XDG_CONFIG_HOME"};
    test::SavedEnvironment::Set("HOME", home.str().c_str());
    test::SavedEnvironment::Set("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(DocumentsFolder(), home.str() + "/Documents/");
    std::filesystem::create_directories(home.path() / ".config");
    std::ofstream(home.path() / ".config" / "user-dirs.dirs")
        << "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
    EXPECT_EQ(DocumentsFolder(), home.str() + "/Dokumente/");
}
#endif

TEST(Paths, FileExistsAndLengthNeverThrow) {
    test::TempDir dir;
    EXPECT_EQ(std::tuple(FileExists(dir.file("missing")), FileLength(dir.file("missing"))),
              std::tuple(false, 0u));
    EXPECT_FALSE(FileExists(dir.str()));  // a folder is no file
    std::ofstream(dir.file("five")) << "12345";
    EXPECT_EQ(std::tuple(FileExists(dir.file("five")), FileLength(dir.file("five"))),
              std::tuple(true, 5u));
}

TEST(Paths, DialogsStartInAnExistingFolder) {
    test::TempDir dir;
    const std::string made = dir.file("VX42") + S + "Calibrations";
    const std::string gone = dir.file("gone") + S + "deeper" + S;
    std::ofstream(dir.file("plain")) << "x";
    EXPECT_EQ(DialogStartFolder(dir.str(), false), dir.str());
    EXPECT_EQ(DialogStartFolder(gone, false), dir.str());  // the nearest parent; nothing made
    EXPECT_FALSE(std::filesystem::exists(dir.file("gone")));
    EXPECT_EQ(DialogStartFolder(made, true), made);
    EXPECT_TRUE(std::filesystem::is_directory(made));
    // A file in the way: the folder cannot be made, so the dialog starts beside it.
    EXPECT_EQ(DialogStartFolder(dir.file("plain") + S + "sub", true), dir.str());
    EXPECT_EQ(DialogStartFolder("", true), "");
    EXPECT_EQ(DialogStartFolder("no-such-relative-folder" + S + "x", false), "");
}

TEST(Settings, FirstRunGivesTheDefaults) {
    MemorySettingsStore store;
    const Settings s =
        LoadSettings(store, S + "opt" + S + "vx42", S + "home" + S + "me" + S + "Documents" + S);
    EXPECT_EQ(s.LibraryPath, S + "opt" + S + "vx42" + S + "Libraries");
    EXPECT_EQ(s.FirmwarePath, S + "opt" + S + "vx42" + S + "Firmware");
    EXPECT_EQ(s.CalibrationPath,
              S + "home" + S + "me" + S + "Documents" + S + "VX42" + S + "Calibrations");
    EXPECT_EQ(s.Units, UnitFlags{});
}

TEST(Settings, RoundTripThroughTheStore) {
    MemorySettingsStore store;
    Settings s = LoadSettings(store, "p", "d/");
    s.Units.MetricFlow = true;
    s.Units.MetricTemperature = false;
    s.CalibrationPath = "cal/";
    SaveSettings(store, s);
    EXPECT_EQ(store.Get("Units", "Flow"), "True");
    EXPECT_EQ(store.Get("Units", "Temperature"), "False");
    const Settings back = LoadSettings(store, "other", "other/");
    EXPECT_EQ(std::tuple(back.Units.MetricFlow, back.Units.MetricTemperature, back.CalibrationPath,
                         back.LibraryPath),
              std::tuple(true, false, "cal/", "p" + S + "Libraries"));
}

TEST(Settings, TextToBoolReadsWordsAndNumbers) {
    for (const char* yes : {"True", " true ", "-1"}) EXPECT_TRUE(TextToBool(yes, false)) << yes;
    for (const char* no : {"FALSE", "0"}) EXPECT_FALSE(TextToBool(no, true)) << no;
    EXPECT_TRUE(TextToBool("maybe", true));
}

TEST(Settings, ImportCopiesTheLibraryOverTheOldAndRemembersItsFolderExactly) {
    test::TempDir program, source;
    const std::filesystem::path folder = source.path() / PathFromUtf8("Bibliothèques für Öl");
    std::filesystem::create_directories(folder);
    const std::string chosen = Utf8FromPath(folder / PathFromUtf8("Ölpumpe.DVM"));
    std::ofstream(PathFromUtf8(chosen), std::ios::binary) << "new library";
    const std::string libraries = JoinPath(program.str(), "Libraries");
    std::filesystem::create_directories(PathFromUtf8(libraries));
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
    std::ifstream in(PathFromUtf8(JoinPath(libraries, "Ölpumpe.DVM")));
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, "new library");
    EXPECT_EQ(s.LibraryPath, Utf8FromPath(folder) + S);
    EXPECT_EQ(store.Get("Paths", "LibraryPath"), Utf8FromPath(folder) + S);

    prompt.AnswerOpenFile(source.file("gone.DVM"));
    EXPECT_THROW(ImportLibraryFile(prompt, s, store, libraries), FileError);
}

}  // namespace
}  // namespace vx42
