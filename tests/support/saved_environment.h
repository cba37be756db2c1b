#pragma once
// Environment variables a test changes, put back as they were when it ends. The user
// folders these tests look at follow the freedesktop.org variables, so they are POSIX only.

#ifndef _WIN32

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vx42::test {

class SavedEnvironment {
  public:
    SavedEnvironment(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    ~SavedEnvironment() {
        for (const auto& [name, value] : saved_)
            Set(name.c_str(), value ? value->c_str() : nullptr);
    }
    SavedEnvironment(const SavedEnvironment&) = delete;
    SavedEnvironment& operator=(const SavedEnvironment&) = delete;

    // Sets a variable, or removes it when value is null.
    static void Set(const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

  private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace vx42::test

#endif
