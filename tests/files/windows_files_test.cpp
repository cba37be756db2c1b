// Files and folders as Windows has them: names outside the ANSI code page, either separator,
// the folders the shell reports, saves over an existing, a read-only and an open file, the
// error log, and the first run's settings. Built and run on Windows only.

#include <gtest/gtest.h>
#include <windows.h>
// (after windows.h)
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/system_text.h"
#include "files/file_io.h"
#include "files/folders.h"
#include "files/paths.h"
#include "files/settings.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Read(const std::string& path) {
    return ReadWholeFile(path, 1 << 20);
}

// A shell folder by its old CSIDL number, asked in UTF-16: an answer apart from the known-folder
// call the tool makes.
std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
    return buffer;
}

bool IsReadOnly(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Names of the folder's entries, in UTF-8.
std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(Utf8FromPath(entry.path().filename()));
    return names;
}

TEST(WindowsFiles, NamesOutsideTheCodePageReachTheDiskAsTyped) {
    test::TempDir dir;
    const std::string base = Utf8FromPath(dir.path());
    const std::string folder = JoinPath(base, "Prüfstand Ø\\Données/数据\\Ελληνικά");
    EXPECT_EQ(DialogStartFolder(folder, true), folder);
    const std::string file = JoinPath(folder, "Réglage №2.DVF");
    WriteFileAtomic(file, Bytes{1, 2, 3});
    WriteFileAtomic(file, Bytes{4, 5});

    // The system holds the names in UTF-16 exactly; a narrow call would have stored them in
    // the code page's guess.
    const std::wstring wide =
        dir.path().wstring() + L"\\Prüfstand Ø\\Données\\数据\\Ελληνικά\\Réglage №2.DVF";
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"Prüfstand Ø"});
    EXPECT_EQ(DialogStartFolder(JoinPath(folder, "Ölwanne\\Sensoren"), false), folder);

    const std::string renamed = JoinPath(folder, "Réglage №3.DVF");
    EXPECT_TRUE(RenameWithoutReplacing(file, renamed));
    EXPECT_EQ(Entries(PathFromUtf8(folder)), std::vector<std::string>{"Réglage №3.DVF"});
}

// Either separator in the platform's own style by default (the splits themselves are
// paths_settings_test's), and on the disk.
TEST(WindowsFiles, EitherSeparatorSplitsJoinsAndOpens) {
    EXPECT_EQ(FolderOfPath("C:\\Users\\Jörg/Documents\\VX42/Lkw 7.DVF"),
              "C:\\Users\\Jörg/Documents\\VX42/");
    EXPECT_TRUE(IsChosenPath(std::string("C:/a.DVF")));
    EXPECT_EQ(JoinPath("C:\\VX42", "Firmware"), "C:\\VX42\\Firmware");

    test::TempDir dir;
    const std::string base = Utf8FromPath(dir.path());
    ASSERT_EQ(DialogStartFolder(base + "/Kunde\\Motor", true), base + "/Kunde\\Motor");
    WriteFileAtomic(base + "/Kunde\\Motor/x.DVF", Bytes{7});
    EXPECT_EQ(Read(base + "\\Kunde/Motor\\x.DVF"), Bytes{7});
    EXPECT_EQ(FileLength(base + "\\Kunde\\Motor\\x.DVF"), 1u);
}

TEST(WindowsFolders, DocumentsAndApplicationDataAreTheShellsOwn) {
    const std::wstring documents = ShellFolder(CSIDL_PERSONAL);
    const std::wstring localData = ShellFolder(CSIDL_LOCAL_APPDATA);
    ASSERT_FALSE(documents.empty());
    ASSERT_FALSE(localData.empty());
    EXPECT_EQ(DocumentsFolder(), Utf8FromWide(documents) + "\\");
    EXPECT_EQ(LocalAppDataFolder(), Utf8FromWide(localData));
    EXPECT_EQ(UserDataFolder(), Utf8FromWide(localData) + "\\Kestrane Dialvane");
    EXPECT_EQ(UserStateFolder(), UserDataFolder());
    EXPECT_TRUE(fs::is_directory(PathFromUtf8(DocumentsFolder())));

    // Under Wine the profile is C:\users\NAME, as on Windows itself.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll && GetProcAddress(ntdll, "wine_get_version")) {
        wchar_t user[256] = {};
        DWORD size = 256;
        ASSERT_TRUE(GetUserNameW(user, &size));
        const std::string profile = "C:\\users\\" + Utf8FromWide(user) + "\\";
        EXPECT_EQ(DocumentsFolder(), profile + "Documents\\");
        EXPECT_EQ(LocalAppDataFolder(), profile + "AppData\\Local");
    }
}

TEST(WindowsFolders, FirstRunSettingsStartInTheDocumentsAndProgramFolders) {
    wchar_t module[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, module, MAX_PATH), 0u);
    const std::string program = Utf8FromPath(fs::path(module).parent_path());
    EXPECT_EQ(ProgramFolder(), program);

    MemorySettingsStore empty;
    const Settings s = LoadSettings(empty, ProgramFolder(), DocumentsFolder());
    EXPECT_EQ(s.CalibrationPath,
              Utf8FromWide(ShellFolder(CSIDL_PERSONAL)) + "\\VX42\\Calibrations");
    EXPECT_EQ(s.LibraryPath, program + "\\Libraries");
    EXPECT_EQ(s.FirmwarePath, program + "\\Firmware");
}

TEST(WindowsFiles, SavesReplaceAnExistingFileButNeverAReadOnlyOrOpenOne) {
    test::TempDir dir;
    const std::string file = Utf8FromPath(dir.path() / L"Lkw Müller.DVF");
    WriteFileAtomic(file, Bytes{1, 2, 3});
    WriteFileAtomic(file, Bytes{4});
    EXPECT_EQ(Read(file), Bytes{4});
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"Lkw Müller.DVF"});

    // Marked read-only: refused with the file's name, left as it was and still read-only.
    const std::wstring wide = PathFromUtf8(file).wstring();
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    try {
        WriteFileAtomic(file, Bytes{5, 6});
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("Lkw Müller.DVF"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Read(file), Bytes{4});
    EXPECT_TRUE(IsReadOnly(wide));
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"Lkw Müller.DVF"});
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL));

    // Held open by another program that shares no delete access: refused the same way.
    const HANDLE held = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_THROW(WriteFileAtomic(file, Bytes{7}), FileError);
    CloseHandle(held);
    EXPECT_EQ(Read(file), Bytes{4});
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"Lkw Müller.DVF"});
}

TEST(WindowsFiles, TheErrorLogGrowsInANonAsciiProgramFolder) {
    test::TempDir dir;
    const std::string folder = Utf8FromPath(dir.path() / L"Programme Ü");
    const ErrorLog log(folder);
    EXPECT_EQ(log.path(), folder + "\\Error Logs\\ErrLogDVN.log");
    EXPECT_TRUE(log.Append({53, "File not found", "VX42"}, {"frmMain", "menuFileOpen", "Click"}));
    EXPECT_TRUE(log.Append({75, "Path/File access error", "VX42"}, {"frmMain", "Save", "Click"}));
    const std::string text([&] {
        const Bytes bytes = Read(log.path());
        return std::string(bytes.begin(), bytes.end());
    }());
    EXPECT_NE(text.find(", 53, File not found, frmMain, menuFileOpen, Click\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find(", 75, Path/File access error, frmMain, Save, Click\n"), std::string::npos)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    const std::wstring wide = dir.path().wstring() + L"\\Programme Ü\\Error Logs\\ErrLogDVN.log";
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace vx42
