// Whole-file writes that leave the old file or the new one, never a mixture, after a failure
// or a power cut.
#include "base/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "base/system_text.h"

namespace vx42 {

namespace fs = std::filesystem;

namespace {

// The file a write to `path` lands in: the target of a symbolic link (links followed to the
// end), so the link itself stays.
fs::path WriteTarget(const fs::path& path) {
    std::error_code ec;
    fs::path target = path;
    for (int hops = 0; hops < 40 && fs::is_symlink(target, ec); ++hops) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

#ifdef _WIN32

[[noreturn]] void ThrowLastError() {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
}

// Writes the bytes to a new file and puts them on the disk before it is renamed: after a
// power cut the target holds either its old or its new contents.
void WriteAndFlush(const fs::path& temp, std::span<const std::uint8_t> bytes,
                   const fs::path& /*replaced*/) {
    const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) ThrowLastError();
    struct Closer {
        HANDLE file;
        ~Closer() { CloseHandle(file); }
    } closer{file};
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            ThrowLastError();
        done += written;
    }
    if (!FlushFileBuffers(file)) ThrowLastError();
}

// Puts the new file in the old one's place, the rename on the disk before it returns. Windows
// refuses to replace a read-only file or one another program holds open; the old file then
// stays as it was.
void Replace(const fs::path& temp, const fs::path& target) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw std::system_error(ERROR_ACCESS_DENIED, std::system_category());
    if (!MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ThrowLastError();
}

void FlushFolder(const fs::path&) {}  // MOVEFILE_WRITE_THROUGH did it

#else

void Check(bool ok) {
    if (!ok) throw std::system_error(errno, std::generic_category());
}

// Writes the bytes to a new file and puts them on the disk before it is renamed: after a
// power cut the target holds either its old or its new contents. The new file takes the
// permissions of the file it replaces.
void WriteAndFlush(const fs::path& temp, std::span<const std::uint8_t> bytes,
                   const fs::path& replaced) {
    struct stat old {};
    const bool replacing = ::stat(replaced.c_str(), &old) == 0;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    Check(fd >= 0);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (replacing) Check(::fchmod(fd, old.st_mode & 07777) == 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        Check(n > 0);
        done += static_cast<std::size_t>(n);
    }
    Check(::fsync(fd) == 0);
}

void Replace(const fs::path& temp, const fs::path& target) {
    fs::rename(temp, target);
}

// Puts a folder's entries (a rename into it) on the disk.
void FlushFolder(const fs::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Check(fd >= 0);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    Check(result == 0);
}

#endif

}  // namespace

void WriteFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) {
    const fs::path target = WriteTarget(PathFromUtf8(path));
    std::random_device rd;
    const fs::path temp =
        target.parent_path() /
        PathFromUtf8("." + Utf8FromPath(target.filename()) + ".tmp" + std::to_string(rd()));
    try {
        WriteAndFlush(temp, bytes, target);
        Replace(temp, target);
    } catch (const std::exception& e) {
        std::error_code ignore;
        fs::remove(temp, ignore);
        const auto* system = dynamic_cast<const std::system_error*>(&e);
        throw FileError("Cannot write \"" + path +
                        "\": " + (system ? system->code().message() : std::string(e.what())));
    }
    // The rename has happened; a folder that cannot be flushed leaves it to the system.
    try {
        FlushFolder(target.parent_path());
    } catch (const std::system_error&) {
    }
}

}  // namespace vx42
