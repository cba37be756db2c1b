#pragma once
// An exclusive advisory lock on a file, shared with other processes of the tool, released when
// the lock is destroyed or the process ends, however it ends. The lock file is made when
// missing and left in place. Whoever takes a lock it may wait for writes its program's name and
// process number beside it (the lock file's name with ".holder"), so one that waits in vain can
// say who holds it.

#include <chrono>
#include <string>

namespace vx42 {

// The name this program gives as a lock's holder ("vx42ctl", the window's title); set once at
// start-up.
void SetLockHolderName(const std::string& name);
// "NAME (process N)" for this program.
std::string LockHolderText();
// Who took the lock on `path` last, as the holder wrote it; empty when nobody said.
std::string LockHolder(const std::string& path);

class FileLock {
  public:
    // Tries to take the lock on `path` (UTF-8) once; held() says whether it was taken.
    explicit FileLock(const std::string& path);
    // Tries again every few milliseconds until `wait` has passed; once taken, says who holds it.
    FileLock(const std::string& path, std::chrono::milliseconds wait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return held_; }

  private:
    bool TryOnce(const std::string& path);
    void WriteHolder(const std::string& path) const;

#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool held_ = false;
};

}  // namespace vx42
