// An exclusive advisory lock on a file, shared with other processes of the tool.
#include "base/file_lock.h"

#ifdef _WIN32
#include <windows.h>

#include "base/system_text.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace vx42 {

#ifdef _WIN32

FileLock::FileLock(const std::string& path) {
    HANDLE handle = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    OVERLAPPED whole{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                    MAXDWORD, &whole)) {
        CloseHandle(handle);
        return;
    }
    handle_ = handle;
    held_ = true;
}

FileLock::~FileLock() {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));  // closing the handle unlocks
}

#else

FileLock::FileLock(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    held_ = true;
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the descriptor unlocks
}

#endif

}  // namespace vx42
