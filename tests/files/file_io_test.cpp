// Renames that never replace, and files in folders with names beyond ASCII.

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
