#pragma once
// An exclusive advisory lock on a file, shared with other processes of the tool: taken at once
// or not at all (never waited for), released when the lock is destroyed or the process ends,
// however it ends. The lock file is made when missing and left in place.

#include <string>

namespace vx42 {

class FileLock {
  public:
    // Tries to take the lock on `path` (UTF-8); held() says whether it was taken.
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return held_; }

  private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool held_ = false;
};

}  // namespace vx42
