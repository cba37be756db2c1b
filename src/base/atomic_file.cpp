// Whole-file writes that leave the old file or the new one, never a mixture, after a failure
// or a power cut.
#include "base/atomic_file.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
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

void WriteAndFlush(const fs::path& temp, std::span<const std::uint8_t> bytes,
                   const fs::path& /*replaced*/) {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw std::system_error(errno, std::generic_category());
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) throw std::system_error(errno, std::generic_category());
}

void FlushFolder(const fs::path&) {}

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
        fs::rename(temp, target);
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
