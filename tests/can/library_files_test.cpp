#include "can/library_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/scripted_prompt.h"
#include "calibration/converters.h"
#include "calibration/text_codec.h"
#include "can/blowfish.h"
#include "files/file_io.h"
#include "files/folders.h"
#include "files/paths.h"
#include "files/settings.h"
#include "support/can_messages.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

using test::LibraryOf;

CanMessage Message(std::string name, std::int32_t id = 0x18FEF100, bool clearRtr = false) {
    return test::LibraryMessage({.CanId = id,
                                 .Name = std::move(name),
                                 .Description = "Wheel speed, 1/256 km/h per bit",
                                 .StartByte = 1,
                                 .StartBit = 3,
                                 .BigEndian = true,
                                 .ClearRtr = clearRtr,
                                 .Offset = -40,
                                 .Multiplier = 0.00390625,
                                 .Unit = "°C"});
}

// The bytes of a library written under another version: records of 136 or 137 bytes.
std::vector<std::uint8_t> BytesAsVersion(const CanLibrary& library, const std::string& version,
                                         bool shortRecords) {
    auto bytes = WriteLibraryBytes(library);
    std::copy(version.begin(), version.end(), bytes.begin());
    if (!shortRecords) return bytes;
    std::vector<std::uint8_t> out(bytes.begin(), bytes.begin() + 8);
    for (std::size_t at = 8; at < bytes.size(); at += 137)
        out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                   bytes.begin() + static_cast<std::ptrdiff_t>(at + 136));
    return out;
}

void WriteLibraryFile(const std::string& path, std::span<const std::uint8_t> plain) {
    clsBlowfish cipher;
    ASSERT_TRUE(cipher.EncryptFile(plain, path, LibraryKey));
}

std::vector<std::string> Names(const LibrarySet& set) {
    std::vector<std::string> names;
    for (const auto& l : set.MessageLibraries) names.push_back(Trimmed(l.Name));
    return names;
}

std::vector<int> Counts(const LibrarySet& set) {
    std::vector<int> counts;
    for (const auto& l : set.MessageLibraries) counts.push_back(l.MessageCount());
    return counts;
}

// The trimmed name of message `m` of library `l`.
std::string NameOf(const LibrarySet& set, std::size_t l, std::size_t m = 0) {
    return Trimmed(set.MessageLibraries.at(l).Messages.at(m).Name);
}

TEST(LibraryBytes, RoundTripFieldByFieldWithPaddedTexts) {
    const CanLibrary written =
        LibraryOf("Engine", {Message("Speed"), Message("Temp", 0x123, true)});
    const auto bytes = WriteLibraryBytes(written);
    ASSERT_EQ(bytes.size(), 8u + 2 * 137);
    // The version, ClearRtr of the first message and of the second, "°" as one Windows-1252
    // byte.
    EXPECT_EQ(std::tuple(std::string(bytes.begin(), bytes.begin() + 4), bytes[8 + 135],
                         bytes[8 + 137 + 135], bytes[8 + 125]),
              std::tuple("C002", 0x00, 0xFF, 0xB0));

    CanLibrary read = NewLibrary("Engine");
    const auto result = ReadLibraryBytes(bytes, read);
    EXPECT_EQ(result.status, LibraryReadResult::Status::Ok);
    ASSERT_EQ(read.MessageCount(), 2);
    for (int i = 0; i < 2; ++i) {
        CanMessage expected = written.Messages[static_cast<std::size_t>(i)];
        expected.Name = FixedText(expected.Name, 24);
        expected.Description = FixedText(expected.Description, 80);
        expected.Unit = FixedText(expected.Unit, 10);
        EXPECT_EQ(read.Messages[static_cast<std::size_t>(i)], expected) << i;
    }
}

TEST(LibraryBytes, OlderVersionsHaveShortRecordsWithoutEndianLength) {
    const CanLibrary written = LibraryOf("Old", {Message("A"), Message("B", 0x7FF, true)});
    for (auto [version, shortRecords] :
         {std::pair{"C000", true}, {"V100", true}, {"C001", false}, {"C002", false}}) {
        SCOPED_TRACE(version);
        CanLibrary read;
        const auto result = ReadLibraryBytes(BytesAsVersion(written, version, shortRecords), read);
        EXPECT_EQ(result.status, LibraryReadResult::Status::Ok);
        EXPECT_EQ(read.Version, version);
        ASSERT_EQ(read.MessageCount(), 2);
        const CanMessage& b = read.Messages[1];
        EXPECT_EQ(std::tuple(b.EndianLength, b.CanId, b.ClearRtr, Trimmed(b.Name), b.Multiplier),
                  std::tuple(shortRecords ? 0 : 2, 0x7FF, true, "B", 0.00390625));
    }
}

TEST(LibraryBytes, DamagedDataLoadsCompleteRecordsOnly) {
    const auto full = WriteLibraryBytes(LibraryOf("X", {Message("A"), Message("B"), Message("C")}));
    CanLibrary read;

    // Cut inside the third record: two complete records.
    auto cut = std::vector<std::uint8_t>(full.begin(), full.end() - 10);
    auto result = ReadLibraryBytes(cut, read);
    EXPECT_EQ(std::tuple(result.status, result.expected, result.loaded),
              std::tuple(LibraryReadResult::Status::Damaged, 3, 2));
    ASSERT_EQ(read.MessageCount(), 2);
    EXPECT_EQ(Trimmed(read.Messages[1].Name), "B");

    // A count far beyond the data, or negative, never drives the allocation.
    for (std::int32_t count : {0x7FFFFFFF, -5}) {
        auto bad = full;
        const auto n = LongToBytes(count);
        std::copy(n.begin(), n.end(), bad.begin() + 4);
        result = ReadLibraryBytes(bad, read);
        EXPECT_EQ(result.status, LibraryReadResult::Status::Damaged) << count;
        EXPECT_EQ(read.MessageCount(), count < 0 ? 0 : 3) << count;
    }

    // A header without a count, and a version that is no library version.
    EXPECT_EQ(ReadLibraryBytes(std::vector<std::uint8_t>{'C', '0', '0', '2', 1}, read).status,
              LibraryReadResult::Status::Damaged);
    auto notLibrary = full;
    notLibrary[0] = 'X';
    EXPECT_EQ(ReadLibraryBytes(notLibrary, read).status, LibraryReadResult::Status::NotALibrary);
    EXPECT_EQ(read.MessageCount(), 0);
    EXPECT_EQ(ReadLibraryBytes({}, read).status, LibraryReadResult::Status::NotALibrary);
}

TEST(LibraryBytes, MoreRecordsThanALibraryHoldsLoadNone) {
    // The cap counts the records present, not the count claimed.
    for (const std::int32_t count : {65535, 65536}) {
        CanLibrary big = LibraryOf("X", {});
        big.Messages.resize(static_cast<std::size_t>(count));
        CanLibrary read;
        const auto result = ReadLibraryBytes(WriteLibraryBytes(big), read);
        EXPECT_EQ(result.status, count > 65535 ? LibraryReadResult::Status::TooMany
                                               : LibraryReadResult::Status::Ok);
        EXPECT_EQ(read.MessageCount(), count > 65535 ? 0 : count);
    }
}

TEST(LibraryNames, FromFileNames) {
    EXPECT_EQ((std::vector{Trimmed(LibraryNameFromFile("User_Defined.DVM")),
                           Trimmed(LibraryNameFromFile("_Engine__Data_.dvm")),
                           Trimmed(LibraryNameFromFile("ABS.DVM"))}),
              (std::vector<std::string>{"User Defined", "Engine  Data", "ABS"}));
    EXPECT_EQ(LibraryNameFromFile("A_very_long_library_name_indeed.DVM").size(), 24u);
}

TEST(LibrarySort, ByCharacterCodeWithEqualNamesInLoadingOrder) {
    EXPECT_EQ(SortOrder({"Engine Data", "ABS", "abs", "User Defined", "ABS", " Body "}),
              (std::vector<int>{1, 4, 5, 0, 3, 2}));
    EXPECT_TRUE(SortOrder({}).empty());
}

class LibraryFolder : public ::testing::Test {
  protected:
    test::TempDir dir;
    ScriptedPrompt prompt;
    LibrarySet set;

    std::string Folder() const { return dir.str(); }
    void Write(const std::string& name, const CanLibrary& library) {
        WriteLibraryFile(dir.file(name), WriteLibraryBytes(library));
    }
    void TearDown() override { EXPECT_TRUE(prompt.Unexpected().empty() && prompt.ScriptDone()); }
    // A user library of another version in `folders.user`, loaded and checked: it is set aside
    // under `renamed` and the user is told.
    void CheckOutdated(const LibraryFolders& folders, const std::string& renamed) {
        WriteLibraryFile(JoinPath(folders.user, kUserDefinedFile),
                         BytesAsVersion(LibraryOf("", {Message("Old one")}), "C001", false));
        SetupLibraries(set, folders, prompt);
        prompt.ExpectMessage("Renamed File: '" + renamed + "'");
        EXPECT_FALSE(CheckUserDefinedLibrary(set, folders, prompt));
    }
};

TEST_F(LibraryFolder, LoadsLibraryFilesInNameOrderAndSortsTheList) {
    Write("Engine_Data.DVM", LibraryOf("", {Message("Speed")}));
    Write("ABS.dvm", LibraryOf("", {Message("Wheel")}));
    Write("Zero.DVM", LibraryOf("", {}));
    Write("ABS_.DVM", LibraryOf("", {Message("Second")}));
    WriteFileAtomic(dir.file("Empty.DVM"), std::vector<std::uint8_t>{});
    WriteFileAtomic(dir.file("notes.txt"), std::vector<std::uint8_t>{1, 2, 3});
    std::filesystem::create_directory(dir.file("Folder.DVM"));

    SetupLibraries(set, Folder(), prompt);
    EXPECT_EQ(Names(set),
              (std::vector<std::string>{"ABS", "ABS", "Engine Data", "Zero", "User Defined"}));
    EXPECT_EQ(std::tuple(set.UserDefinedIndex, set.UndefinedIndex), std::tuple(4, -1));
    EXPECT_EQ(std::tuple(NameOf(set, 0), NameOf(set, 1)), std::tuple("Wheel", "Second"));
    EXPECT_EQ(Counts(set), (std::vector<int>{1, 1, 1, 0, 0}));
    EXPECT_EQ(SortLibraries(set), (std::vector<int>{0, 1, 2, 4, 3}));
}

TEST_F(LibraryFolder, BadFilesAreReportedAndLoadingGoesOn) {
    Write("B_Good.DVM", LibraryOf("", {Message("Speed"), Message("Temp")}));
    WriteFileAtomic(dir.file("A_Plain.DVM"), WriteLibraryBytes(LibraryOf("", {Message("x")})));
    auto wrongVersion = WriteLibraryBytes(LibraryOf("", {Message("y")}));
    wrongVersion[0] = 'Q';
    WriteLibraryFile(dir.file("C_Version.DVM"), wrongVersion);
    auto cut = WriteLibraryBytes(LibraryOf("", {Message("1"), Message("2"), Message("3")}));
    cut.resize(cut.size() - 1);
    WriteLibraryFile(dir.file("D_Cut.DVM"), cut);

    std::ofstream(dir.file("E_Big.DVM"), std::ios::binary) << std::string((16 << 20) + 1, 'x');
    CanLibrary many = LibraryOf("", {});
    many.Messages.resize(65536);
    Write("F_Many.DVM", many);

    prompt.ExpectMessage("Error, input file is not an encrypted\r\n");
    prompt.ExpectMessage("Error, input file is not an encrypted\r\n");
    prompt.ExpectMessage("D_Cut.DVM");
    prompt.ExpectMessage("\"E_Big.DVM\" is too large (16,777,217 bytes; at most 16,777,216 bytes)");
    prompt.ExpectMessage("\"F_Many.DVM\" has more than 65,535 messages");
    LoadLibraries(set, Folder(), prompt);
    ASSERT_EQ(Names(set), (std::vector<std::string>{"A Plain", "B Good", "C Version", "D Cut",
                                                    "E Big", "F Many"}));
    EXPECT_EQ(Counts(set), (std::vector<int>{0, 2, 0, 2, 0, 0}));
    for (const auto& call : prompt.Calls())
        EXPECT_EQ(std::tuple(call.icon, call.title), std::tuple(Icon::Exclamation, std::string()));
}

TEST_F(LibraryFolder, MissingOrEmptyFolderGivesTheUserDefinedLibrary) {
    for (const std::string& folder : {dir.file("absent"), Folder()}) {
        SetupLibraries(set, folder, prompt);
        EXPECT_EQ(Names(set), (std::vector<std::string>{"User Defined"}));
        EXPECT_EQ(set.UserDefinedIndex, 0);
    }
}

TEST_F(LibraryFolder, UserDefinedLibraryIsSavedAndCheckedForItsVersion) {
    SetupLibraries(set, Folder(), prompt);
    auto& user = set.MessageLibraries.at(static_cast<std::size_t>(set.UserDefinedIndex));
    user.Messages = {Message("Mine")};
    set.LibrariesChanged = true;
    ASSERT_TRUE(SaveUserDefinedLibrary(set, Folder()));
    EXPECT_FALSE(set.LibrariesChanged);
    SetupLibraries(set, Folder(), prompt);
    EXPECT_EQ(Names(set), (std::vector<std::string>{"User Defined"}));
    EXPECT_TRUE(CheckUserDefinedLibrary(set, Folder(), prompt)) << "C002 opens the editor";

    // Another version: moved aside, the user told once, a new empty library in its place.
    CheckOutdated(Folder(), "User Defined Old");
    EXPECT_EQ(prompt.Calls().at(0).text,
              "Invalid User Defined Library!\r\nYour Current User Defined Library has been "
              "renamed!\r\n\r\nRenamed File: 'User Defined Old'\r\n\r\nA new User Defined file "
              "has been created.\r\n");
    EXPECT_TRUE(FileExists(dir.file(kUserDefinedOldFile)) &&
                !FileExists(dir.file(kUserDefinedFile)));
    EXPECT_EQ(Names(set), (std::vector<std::string>{"User Defined Old", "User Defined"}));
    EXPECT_EQ(set.UserDefinedIndex, 1);
    EXPECT_TRUE(CheckUserDefinedLibrary(set, Folder(), prompt));

    // A second outdated library never replaces the earlier backup: the next free name.
    const auto backup = ReadWholeFile(dir.file(kUserDefinedOldFile), 1 << 20);
    for (const char* next : {"User Defined Old 2", "User Defined Old 3"})
        CheckOutdated(Folder(), next);
    EXPECT_EQ(ReadWholeFile(dir.file(kUserDefinedOldFile), 1 << 20), backup);
    EXPECT_TRUE(FileExists(dir.file("User_Defined_Old_2.DVM")) &&
                FileExists(dir.file("User_Defined_Old_3.DVM")) &&
                !FileExists(dir.file(kUserDefinedFile)));
}

// Every file under a folder, for proving that nothing was written there.
std::vector<std::string> FilesUnder(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        out.push_back(entry.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

// Installed, the shipped libraries are read from share/ and the user's own (the user's
// library, imports, the renamed old library) are kept in the user's data folder; a user file
// with a shipped file's name takes its place, and nothing is written under the installation.
TEST_F(LibraryFolder, InstalledTheUsersLibrariesLiveInTheUsersDataFolder) {
    namespace fs = std::filesystem;
    test::TempDir prefix, data, state;
    const fs::path shipped = prefix.path() / "share" / kSharedDataFolderName / "Libraries";
    fs::create_directories(shipped);
    fs::create_directories(prefix.path() / "bin");
    const AppFolders folders =
        FoldersFor((prefix.path() / "bin").string(), data.str(), state.str());
    ASSERT_TRUE(folders.installed);
    const LibraryFolders libraries{folders.sharedLibraries(), folders.userLibraries()};
    WriteLibraryFile((shipped / "Engine_Data.DVM").string(),
                     WriteLibraryBytes(LibraryOf("", {Message("Speed")})));
    WriteLibraryFile((shipped / "Body.DVM").string(),
                     WriteLibraryBytes(LibraryOf("", {Message("Door")})));
    const auto installation = FilesUnder(prefix.path());

    SetupLibraries(set, libraries, prompt);
    EXPECT_EQ(Names(set), (std::vector<std::string>{"Body", "Engine Data", "User Defined"}));
    set.MessageLibraries.at(static_cast<std::size_t>(set.UserDefinedIndex)).Messages = {
        Message("Own")};
    ASSERT_TRUE(SaveUserDefinedLibrary(set, libraries.user));
    EXPECT_TRUE(FileExists(JoinPath(libraries.user, kUserDefinedFile)));

    Write("Engine_Data.DVM", LibraryOf("", {Message("Mine")}));
    prompt.AnswerOpenFile(dir.file("Engine_Data.DVM"));
    MemorySettingsStore store;
    Settings settings;
    ASSERT_TRUE(ImportLibrary(set, prompt, settings, store, libraries));
    ASSERT_EQ(Names(set), (std::vector<std::string>{"Body", "Engine Data", "User Defined"}));
    EXPECT_EQ(std::tuple(NameOf(set, 1), NameOf(set, 2)), std::tuple("Mine", "Own"));

    CheckOutdated(libraries, "User Defined Old");
    EXPECT_TRUE(FileExists(JoinPath(libraries.user, kUserDefinedOldFile)));
    EXPECT_EQ(FilesUnder(prefix.path()), installation);
}

TEST(UserDefinedMessages, DeletingMovesTheOthersDown) {
    LibrarySet set;
    set.MessageLibraries = {LibraryOf("ABS", {Message("x")}),
                            LibraryOf("User Defined", {Message("0"), Message("1", 0x100, true),
                                                       Message("2", 0x200, false)})};
    ASSERT_TRUE(DeleteUserDefinedMessage(set, 0));
    const auto& left = set.MessageLibraries[1].Messages;
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(std::tuple(left[0].Name, left[0].ClearRtr, left[1].Name, left[1].ClearRtr),
              std::tuple("1", true, "2", false));
    EXPECT_FALSE(DeleteUserDefinedMessage(set, 2));
    EXPECT_EQ(set.MessageLibraries[0].MessageCount(), 1);
}

}  // namespace
}  // namespace vx42
