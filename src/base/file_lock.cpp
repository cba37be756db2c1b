// An exclusive advisory lock on a file, shared with other processes of the tool.
#include "base/file_lock.h"

#include <fstream>
#include <mutex>
#include <thread>

#include "base/system_text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace vx42 {

namespace {

constexpr auto kRetryPause = std::chrono::milliseconds(5);

std::mutex holderMutex;
std::string& HolderName() {
    static std::string name = "a program of the VX42 Configurator";
    return name;
}

long ProcessNumber() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(::getpid());
#endif
}

std::string HolderPath(const std::string& path) {
    return path + ".holder";
}

}  // namespace

void SetLockHolderName(const std::string& name) {
    const std::lock_guard lock(holderMutex);
    HolderName() = name;
}

std::string LockHolderText() {
    const std::lock_guard lock(holderMutex);
    return HolderName() + " (process " + std::to_string(ProcessNumber()) + ")";
}

std::string LockHolder(const std::string& path) {
    std::ifstream in(PathFromUtf8(HolderPath(path)), std::ios::binary);
    std::string text;
    // A name and a number: anything longer was not written by a holder.
    if (!std::getline(in, text) || text.size() > 200) return {};
    return text;
}

FileLock::FileLock(const std::string& path) {
    TryOnce(path);
}

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait) {
    const auto until = std::chrono::steady_clock::now() + wait;
    while (!TryOnce(path)) {
        if (std::chrono::steady_clock::now() >= until) return;
        std::this_thread::sleep_for(kRetryPause);
    }
    WriteHolder(path);
}

bool FileLock::TryOnce(const std::string& path) {
#ifdef _WIN32
    HANDLE handle = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED whole{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                    MAXDWORD, &whole)) {
        CloseHandle(handle);
        return false;
    }
    handle_ = handle;
#else
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
#endif
    held_ = true;
    return true;
}

void FileLock::WriteHolder(const std::string& path) const {
    // Only a waiting program's message depends on it: written plainly, not made durable.
    std::ofstream(PathFromUtf8(HolderPath(path)), std::ios::binary | std::ios::trunc)
        << LockHolderText() << "\n";
}

FileLock::~FileLock() {
#ifdef _WIN32
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));  // closing the handle unlocks
#else
    if (fd_ >= 0) ::close(fd_);  // closing the descriptor unlocks
#endif
}

}  // namespace vx42
