#pragma once
// Runs a test as on a desktop whose language writes decimals with a comma: the C library's
// locale (what strtod, printf and sscanf read) and the C++ global locale become German or
// French for the object's lifetime. When the system has neither locale, German is generated
// with localedef into a temporary folder; `reason()` says why when even that is impossible.

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <optional>
#include <string>

#include "support/temp_dir.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace vx42::test {

// The C library keeps the search path of a locale named through LOCPATH for the rest of the
// process, which the leak checker would report: locales are switched with the checker paused.
struct PausedLeakCheck {
#if defined(__SANITIZE_ADDRESS__)
    PausedLeakCheck() {
        __lsan_disable();
    }
    ~PausedLeakCheck() {
        __lsan_enable();
    }
#endif
};

class CommaLocale {
  public:
    CommaLocale() {
        [[maybe_unused]] const PausedLeakCheck paused;
        const char* before = std::setlocale(LC_ALL, nullptr);
        savedC_ = before ? before : "C";
        savedCpp_ = std::locale();
#ifdef _WIN32
        // Windows names its locales its own way and installs them all.
        for (const char* name : {"de-DE", "German_Germany.1252", "fr-FR", "French_France.1252"})
            if (Use(name)) return;
        reason_ = "the C library knows no German or French locale";
#else
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
            if (Use(name)) return;
        Generate();
#endif
    }
    ~CommaLocale() {
        [[maybe_unused]] const PausedLeakCheck paused;
        std::setlocale(LC_ALL, savedC_.c_str());
        std::locale::global(savedCpp_);
#ifndef _WIN32
        if (generated_) {
            if (savedLocPath_)
                setenv("LOCPATH", savedLocPath_->c_str(), 1);
            else
                unsetenv("LOCPATH");
        }
#endif
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool active() const {
        return !name_.empty();
    }
    const std::string& name() const {
        return name_;
    }
    const std::string& reason() const {
        return reason_;
    }

  private:
    bool Use(const char* name) {
        if (!std::setlocale(LC_ALL, name)) return false;
        const std::lconv* conv = std::localeconv();
        if (!conv || std::string(conv->decimal_point) != ",") {
            std::setlocale(LC_ALL, savedC_.c_str());
            return false;
        }
        try {
            std::locale::global(std::locale(name));
        } catch (const std::exception&) {
#ifndef _WIN32
            // (The C++ library on Windows has the "C" locale alone: there the C library's
            // locale is what a reader could trip on.)
            std::setlocale(LC_ALL, savedC_.c_str());
            return false;
#endif
        }
        name_ = name;
        return true;
    }

#ifndef _WIN32
    void Generate() {
        const std::string target = folder_.file("de_DE.UTF-8");
        // -c writes the locale despite warnings about the source's age.
        const std::string command =
            "localedef -c -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        if (!std::filesystem::exists(target)) {
            reason_ =
                "no comma-decimal locale is installed and localedef could not make one "
                "(status " +
                std::to_string(status) + "; the locales package brings its sources)";
            return;
        }
        if (const char* old = std::getenv("LOCPATH")) savedLocPath_ = old;
        generated_ = true;
        setenv("LOCPATH", folder_.str().c_str(), 1);
        if (!Use("de_DE.UTF-8")) reason_ = "the generated German locale could not be used";
    }
#endif

    TempDir folder_;
    std::string savedC_;
    std::locale savedCpp_;
    std::optional<std::string> savedLocPath_;
    bool generated_ = false;
    std::string name_;
    std::string reason_;
};

}  // namespace vx42::test
