// Whole-file writes that survive a power cut and respect what they replace, and renames that
// never replace.

#include "files/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/system_text.h"
#include "files/paths.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Read(const std::string& path) {
    return ReadWholeFile(path, 1 << 20);
}

TEST(FileIo, AtomicWriteKeepsPermissionsFollowsLinksAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string file = dir.file("truck.DVF");
    WriteFileAtomic(file, Bytes{1, 2, 3});
    EXPECT_EQ(Read(file), (Bytes{1, 2, 3}));

#ifndef _WIN32
    // POSIX permissions and links (Windows' read-only files: windows_files_test.cpp).
    // The replaced file's permissions stay.
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WriteFileAtomic(file, Bytes{4, 5});
    EXPECT_EQ(Read(file), (Bytes{4, 5}));
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A symbolic link (relative, through a second link) is written through to its target.
    fs::create_directory(dir.path() / "real");
    fs::create_symlink("real/truck.DVF", dir.path() / "inner");
    fs::create_symlink("inner", dir.path() / "outer");
    WriteFileAtomic(dir.file("outer"), Bytes{9});
    EXPECT_TRUE(fs::is_symlink(dir.path() / "outer"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "inner"));
    EXPECT_EQ(Read(dir.file("real/truck.DVF")), Bytes{9});
    const int expected = 5;  // truck.DVF, real, real/truck.DVF, inner, outer
#else
    const int expected = 1;
#endif

    int entries = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
        ++entries;
    }
    EXPECT_EQ(entries, expected);

    // A folder that does not exist: an error naming the file, nothing left behind.
    EXPECT_THROW(WriteFileAtomic(dir.file("missing/x.DVF"), Bytes{1}), FileError);
}

TEST(FileIo, RenameWithoutReplacingLeavesATakenNameAlone) {
    test::TempDir dir;
    const std::string from = dir.file("User_Defined.DVM"), to = dir.file("User_Defined_Old.DVM");
    WriteFileAtomic(from, Bytes{1});
    WriteFileAtomic(to, Bytes{2});
    EXPECT_FALSE(RenameWithoutReplacing(from, to));
    EXPECT_EQ(Read(from), Bytes{1});
    EXPECT_EQ(Read(to), Bytes{2});
    const std::string free = dir.file("User_Defined_Old_2.DVM");
    EXPECT_TRUE(RenameWithoutReplacing(from, free));
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(Read(free), Bytes{1});
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
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(FileLength(file), 2u);
    EXPECT_EQ(Read(file), (Bytes{4, 5}));

    std::vector<std::string> listed;
    for (const auto& entry : fs::directory_iterator(PathFromUtf8(folder)))
        listed.push_back(Utf8FromPath(entry.path().filename()));
    EXPECT_EQ(listed, std::vector<std::string>{"Réglage №2.DVF"});
    const std::string renamed = JoinPath(folder, "Réglage №3.DVF");
    EXPECT_TRUE(RenameWithoutReplacing(file, renamed));
    EXPECT_EQ(Read(renamed), (Bytes{4, 5}));
}

}  // namespace
}  // namespace vx42
