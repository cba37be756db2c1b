#pragma once
// A fresh folder for a test, removed afterwards.

#include <filesystem>
#include <random>
#include <string>

#include "base/system_text.h"

namespace vx42::test {

class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("vx42-test-" + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder and a name in it as UTF-8 text (a name given in UTF-8).
    std::string str() const { return Utf8FromPath(path_); }
    std::string file(const std::string& name) const {
        return Utf8FromPath(path_ / PathFromUtf8(name));
    }

  private:
    std::filesystem::path path_;
};

}  // namespace vx42::test
