// Whole-file writes that survive a power cut and respect what they replace.

#include "base/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/files_bytes.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::FileBytes;

TEST(AtomicFile, AtomicWriteKeepsPermissionsFollowsLinksAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string file = dir.file("truck.DVF");
    WriteFileAtomic(file, Bytes{1, 2, 3});
    EXPECT_EQ(FileBytes(file), (Bytes{1, 2, 3}));

#ifndef _WIN32
    // POSIX permissions and links (Windows' read-only files: windows_files_test.cpp).
    // The replaced file's permissions stay.
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WriteFileAtomic(file, Bytes{4, 5});
    EXPECT_EQ(FileBytes(file), (Bytes{4, 5}));
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A symbolic link (relative, through a second link) is written through to its target.
    fs::create_directory(dir.path() / "real");
    fs::create_symlink("real/truck.DVF", dir.path() / "inner");
    fs::create_symlink("inner", dir.path() / "outer");
    WriteFileAtomic(dir.file("outer"), Bytes{9});
    EXPECT_TRUE(fs::is_symlink(dir.path() / "outer"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "inner"));
    EXPECT_EQ(FileBytes(dir.file("real/truck.DVF")), Bytes{9});
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

}  // namespace
}  // namespace vx42
