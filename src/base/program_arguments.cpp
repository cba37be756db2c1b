// The command line read as UTF-8, and the standard output made the same on every system.
#include "base/program_arguments.h"

#ifdef _WIN32
#include <windows.h>
// (after windows.h, which they need)
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "base/system_text.h"
#endif

namespace vx42 {

ProgramArguments::ProgramArguments(int argc, char** argv) {
#ifdef _WIN32
    int wideCount = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount)) {
        for (int i = 0; i < wideCount; ++i) texts_.push_back(Utf8FromWide(wide[i]));
        LocalFree(wide);
    } else {
        texts_.assign(argv, argv + argc);  // the system's own reading, rather than none
    }
#else
    texts_.assign(argv, argv + argc);
#endif
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
    count_ = static_cast<int>(texts_.size());
}

void UseUtf8Output() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

void WriteToParentConsole() {
#ifdef _WIN32
    // A handle already given (a pipe, a file) is kept; only a missing one is taken from the
    // console of the program that started this one, when it has one.
    const auto missing = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        return handle == nullptr || handle == INVALID_HANDLE_VALUE;
    };
    const bool noOut = missing(STD_OUTPUT_HANDLE);
    const bool noErr = missing(STD_ERROR_HANDLE);
    if ((noOut || noErr) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (noOut && !std::freopen("CONOUT$", "w", stdout)) return;
        if (noErr && !std::freopen("CONOUT$", "w", stderr)) return;
    }
#endif
}

}  // namespace vx42
